// The open clip's overview: its thread reads the cache or decodes the clip, and the GUI reads what
// is known so far. Each holds a reference, so that a reader slow to stop never frees what the
// other still reads.
#include "engine/overview.h"

#include <stdlib.h>
#include <string.h>

struct Overview {
    CRITICAL_SECTION lock;
    OverviewBlocks   blocks;    // appended by the thread alone; the GUI reads below known
    int              known;     // blocks made public, under the lock
    bool             complete;  // the whole clip is in, under the lock
    LONG volatile    stopping;  // the GUI asks the thread to end
    LONG volatile    references;
    WCHAR           *path;
};

static void ReleaseOverview(Overview *overview)
{
    if (InterlockedDecrement(&overview->references) > 0)
        return;
    FreeOverviewBlocks(&overview->blocks);
    DeleteCriticalSection(&overview->lock);
    free(overview->path);
    free(overview);
}

static void PublishAll(Overview *overview, bool complete)
{
    EnterCriticalSection(&overview->lock);
    overview->known = overview->blocks.count;
    overview->complete = complete;
    LeaveCriticalSection(&overview->lock);
}

// An overview kept from an earlier open is taken whole; otherwise the clip is decoded, and kept
// once the whole of it is in.
static DWORD WINAPI BuildOverview(void *parameter)
{
    Overview *overview = (Overview *)parameter;
    // Playback comes first: the overview takes what time the streaming threads leave.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    OverviewBlocks cached = {};
    if (ReadCachedOverview(overview->path, &cached)) {
        EnterCriticalSection(&overview->lock);
        overview->blocks = cached;
        LeaveCriticalSection(&overview->lock);
        PublishAll(overview, true);
    } else {
        FreeOverviewBlocks(&cached);
        bool whole = DecodeOverview(overview, overview->path);
        PublishAll(overview, whole);
        if (whole && OverviewGoesOn(overview))
            CacheOverview(overview->path, &overview->blocks);
    }
    ReleaseOverview(overview);
    return 0;
}

Overview *StartOverview(const WCHAR *path)
{
    Overview *overview = (Overview *)calloc(1, sizeof(Overview));
    if (!overview)
        return NULL;
    size_t bytes = (lstrlenW(path) + 1) * sizeof(WCHAR);
    if (!(overview->path = (WCHAR *)malloc(bytes))) {
        free(overview);
        return NULL;
    }
    memcpy(overview->path, path, bytes);
    InitializeCriticalSection(&overview->lock);
    overview->references = 2;
    HANDLE thread = CreateThread(NULL, 0, BuildOverview, overview, 0, NULL);
    if (!thread) {
        overview->references = 1;
        ReleaseOverview(overview);
        return NULL;
    }
    CloseHandle(thread);
    return overview;
}

void StopOverview(Overview *overview)
{
    if (!overview)
        return;
    InterlockedIncrement(&overview->stopping);
    ReleaseOverview(overview);
}

int OverviewKnown(Overview *overview, bool *complete)
{
    EnterCriticalSection(&overview->lock);
    int known = overview->known;
    if (complete)
        *complete = overview->complete;
    LeaveCriticalSection(&overview->lock);
    return known;
}

const OverviewBlocks *OverviewBlocksOf(const Overview *overview)
{
    return &overview->blocks;
}

void AddOverviewBlocks(Overview *overview, const OverviewBlock *blocks, int count)
{
    for (int i = 0; i < count; i++)
        if (!AppendOverviewBlock(&overview->blocks, blocks[i]))
            break;
    PublishAll(overview, false);
}

bool OverviewGoesOn(Overview *overview)
{
    return overview->stopping == 0;
}
