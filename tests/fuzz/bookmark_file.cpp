// The bookmark file reader and the merging save: any file content loads without overrunning the list;
// a file in the player's own form keeps every mark through an add, and any other is never written.
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

// The player's own form, checked line by line apart from the reader's byte-by-byte scan: each line
// a decimal below 2^32 with an optional carriage return, every line ended, in pairs.
static bool OwnFile(const std::string &text)
{
    if (!text.empty() && text.back() != '\n')
        return false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.find_first_not_of("0123456789") != std::string::npos)
            return false;
        size_t significant = line.find_first_not_of('0');
        std::string digits = significant == std::string::npos ? "0" : line.substr(significant);
        if (digits.size() > 10 || (digits.size() == 10 && digits > "4294967295"))
            return false;
        start = end + 1;
    }
    return Lines(text) % 2 == 0;
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

    bool own = OwnFile(content);
    size_t pairs = own ? Lines(content) / 2 : 0;
    LoadBookmarks();
    FUZZ_CHECK((size_t)gnBookmarks == pairs);

    AddBookmark();
    if (own) {
        FUZZ_CHECK(Lines(standin::FileContent("C:\\media\\talk.BMS")) == 2 * (pairs + 1));
        FUZZ_CHECK((size_t)gnBookmarks == pairs + 1);
    } else {
        FUZZ_CHECK(standin::FileContent("C:\\media\\talk.BMS") == content);
        FUZZ_CHECK(gnBookmarks == 0);
    }
    DeleteNextBookmark();
    if (own)
        FUZZ_CHECK(Lines(standin::FileContent("C:\\media\\talk.BMS")) / 2 == (size_t)gnBookmarks);
    else
        FUZZ_CHECK(standin::FileContent("C:\\media\\talk.BMS") == content && gnBookmarks == 0);
    FUZZ_CHECK(standin::MessageBoxes().size() == (own ? 0u : 1u));
    FUZZ_CHECK(standin::FilesIn("C:\\media").size() == 2);

    ReleaseGraph();
    EndInput();
    return 0;
}
