// The notes file's reader and the note's save: any content reads without overrunning anything; a
// file in the form writes back as it read and keeps a note through a save, and any other is never
// written.
#include "fuzz_target.h"

#include "engine/engine.h"
#include "navigation/navigation.h"
#include "navigation/notes_file.h"
#include "support/support.h"

static const char kNotes[] = "C:\\media\\talk.marks.txt";
static const REFERENCE_TIME kMark = 50000000;

static std::string Written(const NoteList *list)
{
    size_t length = 0;
    char *file = FormatNotes(list, &length);
    FUZZ_CHECK(file != NULL);
    std::string text(file, length);
    free(file);
    return text;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartInput();
    std::string content(reinterpret_cast<const char *>(data), size);
    NoteList list;
    bool own = ParseNotes(content.data(), content.size(), &list) == ERROR_SUCCESS;
    if (own) {
        std::string written = Written(&list);
        NoteList again;
        FUZZ_CHECK(ParseNotes(written.data(), written.size(), &again) == ERROR_SUCCESS);
        FUZZ_CHECK(SameNotes(&list, &again));
        FUZZ_CHECK(Written(&again) == written);
        EmptyNotes(&again);
    } else {
        FUZZ_CHECK(list.count == 0 && list.notes == NULL);
    }
    bool noteAtMark = false;
    for (int i = 0; i < list.count; i++)
        noteAtMark |= list.notes[i].place == kMark;
    // A save that changes nothing writes nothing.
    bool keptAlready = list.count == 1 && noteAtMark && strcmp(list.notes[0].text, "kept") == 0;
    EmptyNotes(&list);

    standin::PutFile(kFuzzClip, "");
    standin::PutFile("C:\\media\\talk.BMS", "50000000\n0\n");
    standin::PutFile(kNotes, content);
    CopyPath(gszFileName, kFuzzClip);
    CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB);
    pGB->QueryInterface(IID_IMediaControl, (void **)&pMC);
    pGB->QueryInterface(IID_IMediaSeeking, (void **)&pMS);
    LoadBookmarks();
    FUZZ_CHECK(gnNotes == (noteAtMark ? 1 : 0));

    KeepNoteOfMark(kMark, "kept");
    if (own) {
        FUZZ_CHECK(standin::FileContent(kNotes) == (keptAlready ? content : "5.0000000\t5.0000000\tkept\n"));
        FUZZ_CHECK(gnNotes == 1 && standin::MessageBoxes().empty());
    } else {
        FUZZ_CHECK(standin::FileContent(kNotes) == content);
        FUZZ_CHECK(gnNotes == 0 && standin::MessageBoxes().size() == 1);
    }
    FUZZ_CHECK(standin::FilesIn("C:\\media").size() == 3);

    for (int i = 0; i < gnNotes; i++)
        free(gNotes[i].text);
    free(gNotes);
    gNotes = NULL;
    gnNotes = gnNoteSlots = 0;
    ReleaseGraph();
    EndInput();
    return 0;
}
