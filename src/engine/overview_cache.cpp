// Overviews kept for the next open of the same file, in the user's local application data: one
// file a clip, a header that says what it is and for which file, then the blocks as memory holds
// them. Both calls run on the overview's thread and say nothing: a failure only means no cache.
#include "engine/overview_cache.h"
#include "support/support.h"
#include "support/whole_file.h"

#include <string.h>

// Little-endian, as the program's platforms are. After it: the clip's full path in UTF-16 units,
// no terminator, as it was given; then the blocks, peak and RMS each.
struct OverviewFileHeader {
    char      magic[8];
    DWORD     version;
    DWORD     blockTime;     // 100 ns units a block covers
    DWORD     blockCount;
    DWORD     pathUnits;
    ULONGLONG clipBytes;
    ULONGLONG clipWritten;   // the clip's time of last write, FILETIME's 100 ns since 1601
};
static_assert(sizeof(OverviewFileHeader) == 40, "the header has no padding on either platform");
static_assert(sizeof(OverviewBlock) == 2, "blocks are written as memory holds them");

static const char kMagic[8] = {'L', 'M', 'O', 'V', 'E', 'R', 'V', 'W'};
static const DWORD kVersion = 1;
static const DWORD kMostBlocks = (DWORD)OVERVIEW_CHUNK_BLOCKS * OVERVIEW_MAX_CHUNKS;
static const DWORD kBlocksARead = 4096;

// The cache name of the clip as this thread's read found it, before the decode: a clip written to
// meanwhile has another name by the time its overview is whole, and that overview is of neither form.
static thread_local char tNameBeforeDecode[OVERVIEW_CACHE_NAME];

// The clip's path as UTF-16 units, folded to one case when asked; its length, below MAX_PATH.
static int PathUnits(const WCHAR *clip, bool folded, WORD units[MAX_PATH])
{
    WCHAR copy[MAX_PATH];
    lstrcpynW(copy, clip, MAX_PATH);
    int length = lstrlenW(copy);
    if (folded)
        CharLowerBuffW(copy, (DWORD)length);
    for (int i = 0; i < length; i++)
        units[i] = (WORD)copy[i];
    return length;
}

// A search of the folder tells the size and the time without opening the file the player reads.
bool IdentifyClip(const WCHAR *clip, ClipIdentity *identity)
{
    char path[PATH_BYTES];
    // A character the code page lacks comes out as '?', a wildcard that could find another file.
    if (lstrlenW(clip) >= MAX_PATH || !WideToAnsi(clip, path, PATH_BYTES) || strpbrk(path, "?*"))
        return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    identity->bytes = ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow;
    identity->written = ((ULONGLONG)found.ftLastWriteTime.dwHighDateTime << 32) | found.ftLastWriteTime.dwLowDateTime;
    return !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

static ULONGLONG HashBytes(ULONGLONG hash, ULONGLONG value, int bytes)
{
    for (int i = 0; i < bytes; i++)
        hash = (hash ^ ((value >> (8 * i)) & 0xFF)) * 1099511628211ull;
    return hash;
}

void OverviewCacheName(const WCHAR *clip, const ClipIdentity *identity, char name[OVERVIEW_CACHE_NAME])
{
    WORD units[MAX_PATH];
    int length = PathUnits(clip, true, units);
    ULONGLONG hash = 14695981039346656037ull;
    for (int i = 0; i < length; i++)
        hash = HashBytes(hash, units[i], 2);
    hash = HashBytes(HashBytes(hash, identity->bytes, 8), identity->written, 8);
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 16; i++)
        name[i] = kHex[(hash >> (60 - 4 * i)) & 0xF];
    lstrcpynA(name + 16, OVERVIEW_CACHE_EXTENSION, OVERVIEW_CACHE_NAME - 16);
}

static bool ReadWhole(HANDLE file, void *buffer, DWORD bytes)
{
    DWORD read = 0;
    return ReadFile(file, buffer, bytes, &read, NULL) && read == bytes;
}

// Whether the header is of this form and for this clip as it is now; the path is read after it.
static bool HeaderFits(HANDLE file, const OverviewFileHeader *header, const WCHAR *clip, const ClipIdentity *identity)
{
    WORD wanted[MAX_PATH], stored[MAX_PATH];
    int length = PathUnits(clip, true, wanted);
    if (memcmp(header->magic, kMagic, sizeof(kMagic)) != 0 || header->version != kVersion ||
        header->blockTime != OVERVIEW_BLOCK_TIME || header->blockCount > kMostBlocks ||
        header->pathUnits != (DWORD)length || header->clipBytes != identity->bytes ||
        header->clipWritten != identity->written || !ReadWhole(file, stored, length * sizeof(WORD)))
        return false;
    // The name on disk was the clip's in whatever case it was opened by then.
    WCHAR folded[MAX_PATH];
    for (int i = 0; i < length; i++)
        folded[i] = stored[i];
    CharLowerBuffW(folded, (DWORD)length);
    for (int i = 0; i < length; i++)
        if ((WORD)folded[i] != wanted[i])
            return false;
    return true;
}

// The blocks, exactly as many as the header says: a file cut short or grown is not the one written.
static bool ReadOverviewFile(HANDLE file, const WCHAR *clip, const ClipIdentity *identity, OverviewBlocks *blocks)
{
    OverviewFileHeader header;
    if (!ReadWhole(file, &header, sizeof(header)) || !HeaderFits(file, &header, clip, identity))
        return false;
    OverviewBlock some[kBlocksARead];
    for (DWORD left = header.blockCount; left > 0;) {
        DWORD count = left < kBlocksARead ? left : kBlocksARead;
        if (!ReadWhole(file, some, count * sizeof(OverviewBlock)))
            return false;
        for (DWORD i = 0; i < count; i++)
            if (!AppendOverviewBlock(blocks, some[i]))
                return false;
        left -= count;
    }
    BYTE beyond;
    DWORD read = 1;
    return ReadFile(file, &beyond, 1, &read, NULL) && read == 0;
}

bool ReadCachedOverview(const WCHAR *clip, OverviewBlocks *blocks)
{
    tNameBeforeDecode[0] = 0;
    ClipIdentity identity;
    char folder[PATH_BYTES], path[PATH_BYTES];
    if (!IdentifyClip(clip, &identity))
        return false;
    OverviewCacheName(clip, &identity, tNameBeforeDecode);
    if (!OverviewCacheFolder(false, folder) || !JoinPath(path, folder, tNameBeforeDecode))
        return false;
    // Its time of last write is its time of last use, which the bound goes by.
    HANDLE file = CreateFileA(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool whole = ReadOverviewFile(file, clip, &identity, blocks);
    if (whole) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        SetFileTime(file, NULL, NULL, &now);
    } else {
        FreeOverviewBlocks(blocks);
    }
    CloseHandle(file);
    return whole;
}

struct OverviewFile {
    const WCHAR *clip;
    const ClipIdentity *identity;
    const OverviewBlocks *blocks;
};

static bool WriteWhole(HANDLE file, const void *bytes, DWORD count)
{
    DWORD written = 0;
    if (!WriteFile(file, bytes, count, &written, NULL))
        return false;
    if (written != count)
        SetLastError(ERROR_WRITE_FAULT);
    return written == count;
}

static bool WriteOverviewFile(HANDLE file, const void *content)
{
    const OverviewFile *overview = (const OverviewFile *)content;
    WORD path[MAX_PATH];
    int length = PathUnits(overview->clip, false, path);
    int count = overview->blocks->count;
    OverviewFileHeader header = {};
    memcpy(header.magic, kMagic, sizeof(kMagic));
    header.version = kVersion;
    header.blockTime = OVERVIEW_BLOCK_TIME;
    header.blockCount = (DWORD)count;
    header.pathUnits = (DWORD)length;
    header.clipBytes = overview->identity->bytes;
    header.clipWritten = overview->identity->written;
    if (!WriteWhole(file, &header, sizeof(header)) || !WriteWhole(file, path, length * sizeof(WORD)))
        return false;
    for (int first = 0; first < count; first += OVERVIEW_CHUNK_BLOCKS) {
        int blocks = count - first < OVERVIEW_CHUNK_BLOCKS ? count - first : OVERVIEW_CHUNK_BLOCKS;
        if (!WriteWhole(file, overview->blocks->chunks[first / OVERVIEW_CHUNK_BLOCKS], blocks * sizeof(OverviewBlock)))
            return false;
    }
    return true;
}

void CacheOverview(const WCHAR *clip, const OverviewBlocks *blocks)
{
    ClipIdentity identity;
    char name[OVERVIEW_CACHE_NAME], folder[PATH_BYTES], path[PATH_BYTES];
    bool unchanged = IdentifyClip(clip, &identity);
    if (unchanged) {
        OverviewCacheName(clip, &identity, name);
        unchanged = strcmp(name, tNameBeforeDecode) == 0;
    }
    tNameBeforeDecode[0] = 0;
    if (!unchanged || !OverviewCacheFolder(true, folder) || !JoinPath(path, folder, name))
        return;
    OverviewFile file = {clip, &identity, blocks};
    if (ReplaceWholeFile(path, WriteOverviewFile, &file) == ERROR_SUCCESS)
        KeepOverviewCacheUnder(folder, name, OVERVIEW_CACHE_BOUND);
}
