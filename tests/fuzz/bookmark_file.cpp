// The bookmark file reader and the merging save: any file content loads without overrunning the list,
// and an add keeps every mark that the file held.
#include "fuzz_target.h"

#include "engine/engine.h"
#include "navigation/navigation.h"
#include "support/support.h"

static size_t Lines(const std::string &text)
{
    size_t lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartInput();
    std::string content(reinterpret_cast<const char *>(data), size);
    standin::PutFile(kFuzzClip, "");
    standin::PutFile("C:\\media\\talk.BMS", content);
    CopyPath(gszFileName, kFuzzClip);
    CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB);
    pGB->QueryInterface(IID_IMediaControl, (void **)&pMC);
    pGB->QueryInterface(IID_IMediaSeeking, (void **)&pMS);

    LoadBookmarks();
    size_t pairs = Lines(content) / 2;
    FUZZ_CHECK((size_t)gnBookmarks == pairs);

    AddBookmark();
    FUZZ_CHECK(Lines(standin::FileContent("C:\\media\\talk.BMS")) == 2 * (pairs + 1));
    FUZZ_CHECK((size_t)gnBookmarks == pairs + 1);
    DeleteNextBookmark();
    FUZZ_CHECK(Lines(standin::FileContent("C:\\media\\talk.BMS")) / 2 == (size_t)gnBookmarks);
    FUZZ_CHECK(standin::FilesIn("C:\\media").size() == 2);

    ReleaseGraph();
    EndInput();
    return 0;
}
