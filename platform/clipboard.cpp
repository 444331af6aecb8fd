/* Movable global memory and the clipboard: one format at a time is enough for the player, and the
   clipboard can be held by another program. */
#include "internal.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

struct Block {
    std::vector<char> bytes;
    int locks;
};

std::map<ULONG_PTR, std::unique_ptr<Block>> gBlocks;
ULONG_PTR gNextBlock;
bool gHeldElsewhere, gOpen, gEmptied;
UINT gFormat;
HGLOBAL gData;

Block *BlockOf(HGLOBAL memory)
{
    auto block = gBlocks.find(reinterpret_cast<ULONG_PTR>(memory));
    if (block == gBlocks.end()) {
        ADD_FAILURE() << "not a live global block: " << memory;
        return nullptr;
    }
    return block->second.get();
}

}  // namespace

namespace standin {

void ResetClipboard()
{
    gBlocks.clear();
    gNextBlock = 0x6000;
    gHeldElsewhere = gOpen = gEmptied = false;
    gFormat = 0;
    gData = nullptr;
}

void HoldClipboard(bool held) { gHeldElsewhere = held; }

std::string ClipboardText()
{
    if (gFormat != CF_UNICODETEXT || !gData)
        return "<none>";
    const std::vector<char> &bytes = gBlocks[reinterpret_cast<ULONG_PTR>(gData)]->bytes;
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += sizeof(WCHAR)) {
        WCHAR unit;
        memcpy(&unit, &bytes[i], sizeof(unit));
        if (!unit)
            break;
        units += static_cast<char16_t>(unit);
    }
    return Utf8Of(units);
}

void ExpectGlobalsFreed()
{
    EXPECT_FALSE(gOpen) << "the clipboard was left open";
    for (const auto &block : gBlocks) {
        EXPECT_EQ(block.second->locks, 0) << "a global block left locked";
        EXPECT_EQ(reinterpret_cast<HGLOBAL>(block.first), gData) << "a global block the clipboard does not own";
    }
}

}  // namespace standin

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    EXPECT_EQ(flags, static_cast<UINT>(GMEM_MOVEABLE)) << "the clipboard takes movable memory";
    ULONG_PTR handle = gNextBlock++;
    gBlocks[handle] = std::make_unique<Block>(Block{std::vector<char>(bytes), 0});
    return reinterpret_cast<HGLOBAL>(handle);
}

LPVOID GlobalLock(HGLOBAL memory)
{
    Block *block = BlockOf(memory);
    if (!block)
        return nullptr;
    block->locks++;
    return block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL memory)
{
    Block *block = BlockOf(memory);
    EXPECT_TRUE(block && block->locks > 0) << "an unlock without a lock";
    return block && --block->locks > 0;
}

HGLOBAL GlobalFree(HGLOBAL memory)
{
    EXPECT_NE(memory, gData) << "the clipboard's own memory is freed";
    if (BlockOf(memory))
        gBlocks.erase(reinterpret_cast<ULONG_PTR>(memory));
    return nullptr;
}

BOOL OpenClipboard(HWND)
{
    EXPECT_FALSE(gOpen) << "the clipboard opened twice";
    if (gHeldElsewhere)
        return FALSE;
    gOpen = true;
    gEmptied = false;
    return TRUE;
}

BOOL EmptyClipboard()
{
    EXPECT_TRUE(gOpen);
    if (gData)
        gBlocks.erase(reinterpret_cast<ULONG_PTR>(gData));
    gData = nullptr;
    gFormat = 0;
    gEmptied = true;
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data)
{
    EXPECT_TRUE(gOpen && gEmptied) << "data set on a clipboard not opened and emptied";
    EXPECT_EQ(BlockOf(data)->locks, 0) << "the clipboard takes unlocked memory";
    gFormat = format;
    gData = data;
    return data;
}

BOOL CloseClipboard()
{
    EXPECT_TRUE(gOpen);
    gOpen = false;
    return TRUE;
}
