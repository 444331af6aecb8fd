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

// The global memory and the clipboard of a fresh desktop.
struct Clipboard {
    std::map<ULONG_PTR, std::unique_ptr<Block>> blocks;
    ULONG_PTR nextBlock = 0x6000;
    bool heldElsewhere = false, open = false, emptied = false;
    UINT format = 0;
    HGLOBAL data = nullptr;
    DWORD changes = 0;
} g;

Block *BlockOf(HGLOBAL memory)
{
    auto block = g.blocks.find(reinterpret_cast<ULONG_PTR>(memory));
    if (block == g.blocks.end()) {
        ADD_FAILURE() << "not a live global block: " << memory;
        return nullptr;
    }
    return block->second.get();
}

}  // namespace

namespace standin {

void ResetClipboard() { g = {}; }

void HoldClipboard(bool held) { g.heldElsewhere = held; }

std::string ClipboardText()
{
    if (g.format != CF_UNICODETEXT || !g.data)
        return "<none>";
    const std::vector<char> &bytes = g.blocks[reinterpret_cast<ULONG_PTR>(g.data)]->bytes;
    std::vector<WCHAR> units(bytes.size() / sizeof(WCHAR) + 1);   // a terminator even if the block has none
    memcpy(units.data(), bytes.data(), bytes.size() / sizeof(WCHAR) * sizeof(WCHAR));
    return Utf8Of(units.data());
}

void ExpectGlobalsFreed()
{
    EXPECT_FALSE(g.open) << "the clipboard was left open";
    for (const auto &block : g.blocks) {
        EXPECT_EQ(block.second->locks, 0) << "a global block left locked";
        EXPECT_EQ(reinterpret_cast<HGLOBAL>(block.first), g.data) << "a global block the clipboard does not own";
    }
}

}  // namespace standin

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    EXPECT_EQ(flags, static_cast<UINT>(GMEM_MOVEABLE)) << "the clipboard takes movable memory";
    ULONG_PTR handle = g.nextBlock++;
    g.blocks[handle] = std::make_unique<Block>(Block{std::vector<char>(bytes), 0});
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
    EXPECT_NE(memory, g.data) << "the clipboard's own memory is freed";
    if (BlockOf(memory))
        g.blocks.erase(reinterpret_cast<ULONG_PTR>(memory));
    return nullptr;
}

BOOL OpenClipboard(HWND)
{
    EXPECT_FALSE(g.open) << "the clipboard opened twice";
    if (g.heldElsewhere)
        return FALSE;
    g.open = true;
    g.emptied = false;
    return TRUE;
}

BOOL EmptyClipboard()
{
    EXPECT_TRUE(g.open);
    if (g.data)
        g.blocks.erase(reinterpret_cast<ULONG_PTR>(g.data));
    g.data = nullptr;
    g.format = 0;
    g.emptied = true;
    g.changes++;
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data)
{
    EXPECT_TRUE(g.open && g.emptied) << "data set on a clipboard not opened and emptied";
    EXPECT_EQ(BlockOf(data)->locks, 0) << "the clipboard takes unlocked memory";
    EXPECT_EQ(g.format, 0u) << "the stand-in clipboard holds one format";
    g.format = format;
    g.data = data;
    g.changes++;
    return data;
}

UINT EnumClipboardFormats(UINT format)
{
    EXPECT_TRUE(g.open);
    return format == 0 ? g.format : 0;
}

HANDLE GetClipboardData(UINT format)
{
    EXPECT_TRUE(g.open);
    return format && format == g.format ? g.data : nullptr;
}

DWORD GetClipboardSequenceNumber() { return g.changes; }

SIZE_T GlobalSize(HGLOBAL memory)
{
    Block *block = BlockOf(memory);
    return block ? block->bytes.size() : 0;
}

BOOL CloseClipboard()
{
    EXPECT_TRUE(g.open);
    g.open = false;
    return TRUE;
}
