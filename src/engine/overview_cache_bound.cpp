// Where the overviews' cache lies, and its bound: after each write the least recently used of its
// files go until the rest fit. Files there of any other extension are never touched.
#include "engine/overview_cache.h"

#include <shlobj.h>
#include <string.h>

#define CACHE_OLDEST 64   // the least recently used files one look at the folder keeps; more take another look

bool OverviewCacheFolder(bool make, char folder[PATH_BYTES])
{
    char local[PATH_BYTES], product[PATH_BYTES];
    int asked = CSIDL_LOCAL_APPDATA | (make ? CSIDL_FLAG_CREATE : 0);
    if (FAILED(SHGetFolderPathA(NULL, asked, NULL, SHGFP_TYPE_CURRENT, local)) ||
        !JoinPath(product, local, PRODUCT_NAME) || !JoinPath(folder, product, "overviews"))
        return false;
    // A folder already there, or made by another instance meanwhile, does as well; any other
    // failure is met by the write.
    if (make) {
        CreateDirectoryA(product, NULL);
        CreateDirectoryA(folder, NULL);
    }
    return true;
}

struct CacheFile {
    char      name[MAX_PATH];
    ULONGLONG bytes;
    ULONGLONG used;       // its time of last write: the write, or the last read that took it
};

struct CacheLook {
    CacheFile oldest[CACHE_OLDEST];   // the least recently used but the kept one, oldest first
    int       count;
    ULONGLONG total;                  // bytes of all the cache's files, the kept one's too
    ULONGLONG keptBytes;
};

// The search's pattern also meets a long name whose short one ends so ("x.lovely" is X~1.LOV):
// the long name decides.
static bool IsCacheFile(const WIN32_FIND_DATAA *found)
{
    size_t length = strlen(found->cFileName), extension = sizeof(OVERVIEW_CACHE_EXTENSION) - 1;
    return !(found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && length > extension &&
           lstrcmpiA(found->cFileName + length - extension, OVERVIEW_CACHE_EXTENSION) == 0;
}

static void NoteIfOld(CacheLook *look, const CacheFile *file)
{
    int at = look->count;
    while (at > 0 && look->oldest[at - 1].used > file->used)
        at--;
    if (at == CACHE_OLDEST)
        return;
    int moved = (look->count < CACHE_OLDEST ? look->count : CACHE_OLDEST - 1) - at;
    memmove(&look->oldest[at + 1], &look->oldest[at], moved * sizeof(CacheFile));
    look->oldest[at] = *file;
    if (look->count < CACHE_OLDEST)
        look->count++;
}

static bool LookAtCache(const char *folder, const char *kept, CacheLook *look)
{
    look->count = 0;
    look->total = look->keptBytes = 0;
    char pattern[PATH_BYTES];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, folder, "*" OVERVIEW_CACHE_EXTENSION))
        return false;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (!IsCacheFile(&found))
            continue;
        CacheFile file;
        lstrcpynA(file.name, found.cFileName, MAX_PATH);
        file.bytes = ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow;
        file.used = ((ULONGLONG)found.ftLastWriteTime.dwHighDateTime << 32) | found.ftLastWriteTime.dwLowDateTime;
        look->total += file.bytes;
        if (lstrcmpiA(file.name, kept) == 0)
            look->keptBytes = file.bytes;
        else
            NoteIfOld(look, &file);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return true;
}

// One that another instance is reading stays; the next oldest goes in its place.
static bool RemoveCacheFile(const char *folder, const char *name, ULONGLONG bytes, ULONGLONG *total)
{
    char path[PATH_BYTES];
    if (!JoinPath(path, folder, name) || !DeleteFileA(path))
        return false;
    *total -= bytes;
    return true;
}

void KeepOverviewCacheUnder(const char *folder, const char *kept, ULONGLONG bound)
{
    CacheLook look;
    for (;;) {
        if (!LookAtCache(folder, kept, &look) || look.total <= bound)
            return;
        bool removed = look.keptBytes > bound && RemoveCacheFile(folder, kept, look.keptBytes, &look.total);
        for (int i = 0; i < look.count && look.total > bound; i++)
            removed |= RemoveCacheFile(folder, look.oldest[i].name, look.oldest[i].bytes, &look.total);
        if (!removed || look.total <= bound)
            return;
    }
}
