// The overviews' cache apart from its two calls in overview.h: the clip as the file system has it,
// the cache files' names and folder, and the bound on their total.
#pragma once

#include "engine/overview.h"
#include "support/support.h"

#define OVERVIEW_CACHE_BOUND     (200ull * 1024 * 1024)   // bytes of all the cache's files together, at most
#define OVERVIEW_CACHE_EXTENSION ".lov"                   // the cache's own files; nothing else there is touched
#define OVERVIEW_CACHE_NAME      21                       // 16 hex digits, the extension and the terminator

// What an overview is made from: the clip's size and its time of last write (FILETIME's 100 ns
// since 1601), as a search of its folder gives them, without opening what the player reads.
struct ClipIdentity {
    ULONGLONG bytes;
    ULONGLONG written;
};
bool IdentifyClip(const WCHAR *clip, ClipIdentity *identity);   // false: no such file, or no path for it

// The cache file's name: a 64-bit FNV-1a of the clip's full path in one case (as Windows compares
// names), of its size and of its time of last write, in lower-case hex, and the extension.
void OverviewCacheName(const WCHAR *clip, const ClipIdentity *identity, char name[OVERVIEW_CACHE_NAME]);

// %LOCALAPPDATA%\Lumetrone\overviews, made as needed when `make`; false when it has no path.
bool OverviewCacheFolder(bool make, char folder[PATH_BYTES]);

// Removes the cache's least recently used files until together they hold no more than `bound`
// bytes; `kept`, the name just written there, goes only when it alone holds more.
void KeepOverviewCacheUnder(const char *folder, const char *kept, ULONGLONG bound);
