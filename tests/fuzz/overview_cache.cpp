// The overviews' cache reader: any file under the clip's cache name reads without overrunning
// anything, and one that reads is the file the writer would write for what it read (but for the
// case of the path it names, which is the clip's as it was opened).
#include "fuzz_target.h"

#include "engine/overview_cache.h"

static const WCHAR kClip[] = L"C:\\media\\talk.m4a";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartInput();
    standin::PutFile("C:\\media\\talk.m4a", "clip");
    ClipIdentity identity = {};
    FUZZ_CHECK(IdentifyClip(kClip, &identity));
    char name[OVERVIEW_CACHE_NAME];
    OverviewCacheName(kClip, &identity, name);
    std::string path = std::string(standin::kLocalAppData) + "\\Lumetrone\\overviews\\" + name;
    std::string content(reinterpret_cast<const char *>(data), size);
    standin::PutFile(path.c_str(), content);

    OverviewBlocks blocks = {};
    if (ReadCachedOverview(kClip, &blocks)) {
        CacheOverview(kClip, &blocks);
        std::string written = standin::FileContent(path.c_str());
        size_t pathEnd = 40 + 2 * (sizeof(kClip) / sizeof(WCHAR) - 1);
        FUZZ_CHECK(written.size() == content.size());
        FUZZ_CHECK(written.compare(0, 40, content, 0, 40) == 0);
        FUZZ_CHECK(written.compare(pathEnd, std::string::npos, content, pathEnd, std::string::npos) == 0);
    } else {
        FUZZ_CHECK(blocks.count == 0);
    }
    FreeOverviewBlocks(&blocks);
    EndInput();
    return 0;
}
