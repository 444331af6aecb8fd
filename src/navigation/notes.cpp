// The notes on the current clip's marks, kept in the notes file beside the clip under the bookmark
// file's rules: the file is the truth, each edit reads it under the clip's one turn to save (with
// the bookmark file, so a note goes with a mark deleted by any instance), applies its change and
// writes it whole; a file not wholly in the form is never written, a read-only one never replaced.
#include "app/player_state.h"
#include "navigation/bookmark_file.h"
#include "navigation/navigation.h"
#include "navigation/notes_file.h"
#include "navigation/save_turn.h"
#include "support/support.h"
#include "support/whole_file.h"

#include <stdlib.h>
#include <string.h>

// The program's own reasons a note is not saved, beside the system's errors.
static const DWORD kNotesNameTooLong = 0x20000011;
static const DWORD kReadOnlyNotesFile = 0x20000013;

// The bytes of one whole file, for ReplaceWholeFile.
struct FileBytes {
    const char *bytes;
    size_t length;
};

const char *NoteOfMark(REFERENCE_TIME place)
{
    for (int i = 0; i < gnNotes; i++)
        if (gNotes[i].place == place)
            return gNotes[i].text;
    return NULL;
}

static MarkList CurrentMarks()
{
    MarkList marks = { gBookmarks, gnBookmarks, gnBookmarkSlots };
    return marks;
}

static void TakeNoteList(NoteList *list)
{
    NoteList current = { gNotes, gnNotes, gnNoteSlots };
    EmptyNotes(&current);
    gNotes = list->notes;
    gnNotes = list->count;
    gnNoteSlots = list->slots;
    RefreshMarkList();
}

// The whole notes file into a fresh list; a missing file holds no notes.
static DWORD ReadNotes(const char *name, NoteList *list)
{
    ZeroMemory(list, sizeof(*list));
    HANDLE file = CreateFileA(name, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    char *bytes = NULL;
    size_t length = 0, size = 0;
    DWORD result = ERROR_SUCCESS;
    for (;;) {
        if (length == size) {
            size = size ? size * 2 : 4096;
            char *grown = (char *)realloc(bytes, size);
            if (!grown) {
                result = ERROR_NOT_ENOUGH_MEMORY;
                break;
            }
            bytes = grown;
        }
        DWORD read = 0;
        if (!ReadFile(file, bytes + length, (DWORD)(size - length), &read, NULL)) {
            result = GetLastError();
            break;
        }
        if (!read)
            break;
        length += read;
    }
    CloseHandle(file);
    if (result == ERROR_SUCCESS)
        result = ParseNotes(bytes, length, list);
    free(bytes);
    return result;
}

void LoadNotes()
{
    char name[PATH_BYTES];
    NoteList list;
    ZeroMemory(&list, sizeof(list));
    if (NotesFileName(gszFileName, name))
        ReadNotes(name, &list);
    MarkList marks = CurrentMarks();
    DropNotesWithoutMarks(&list, &marks);
    TakeNoteList(&list);
    gdwNotesFailureSaid = ERROR_SUCCESS;
}

static bool WriteBytes(HANDLE file, const void *content)
{
    const FileBytes *whole = (const FileBytes *)content;
    DWORD written = 0;
    return WriteFile(file, whole->bytes, (DWORD)whole->length, &written, NULL) && written == (DWORD)whole->length;
}

static DWORD WriteNotes(const char *name, const NoteList *notes)
{
    // A file the user made read-only is meant to stay as it is, whatever the system would allow.
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return kReadOnlyNotesFile;
    FileBytes content;
    content.bytes = FormatNotes(notes, &content.length);
    if (!content.bytes)
        return ERROR_NOT_ENOUGH_MEMORY;
    DWORD result = ReplaceWholeFile(name, WriteBytes, &content);
    free((void *)content.bytes);
    return result;
}

static bool Marked(const MarkList *marks, REFERENCE_TIME place)
{
    for (int i = 0; i < marks->count; i++)
        if (marks->marks[i] == place)
            return true;
    return false;
}

// The note at the place becomes `text` (NULL: no new note) on what both files hold now, the notes
// of gone marks go, and the notes file is written when that changed it.
static DWORD ApplyNoteEdit(const char *name, REFERENCE_TIME place, const char *text, const MarkList *marks,
                           NoteList *notes)
{
    bool changed = DropNotesWithoutMarks(notes, marks);
    if (text && Marked(marks, place)) {
        const char *old = NULL;
        for (int i = 0; i < notes->count && !old; i++)
            if (notes->notes[i].place == place)
                old = notes->notes[i].text;
        if (old ? strcmp(old, text) != 0 : *text != 0) {
            if (!SetNote(notes, place, text))
                return ERROR_NOT_ENOUGH_MEMORY;
            changed = true;
        }
    }
    return changed ? WriteNotes(name, notes) : ERROR_SUCCESS;
}

static DWORD EditNotes(const char *clip, char *name, REFERENCE_TIME place, const char *text, MarkList *marks,
                       NoteList *notes)
{
    char bookmarkName[PATH_BYTES];
    if (!BookmarkFileName(clip, bookmarkName) || !NotesFileName(clip, name))
        return kNotesNameTooLong;
    HANDLE turn;
    if (!TakeSaveTurn(bookmarkName, &turn))
        return ERROR_SHARING_VIOLATION;
    DWORD result = ReadMarks(bookmarkName, marks);
    if (result == ERROR_SUCCESS)
        result = ReadNotes(name, notes);
    if (result == ERROR_SUCCESS)
        result = ApplyNoteEdit(name, place, text, marks, notes);
    EndSaveTurn(turn);
    return result;
}

// Each reason is said once for the clip, as the bookmark file's are.
static void ReportUnsavedNote(const char *name, DWORD reason)
{
    if (reason == gdwNotesFailureSaid)
        return;
    gdwNotesFailureSaid = reason;
    switch (reason) {
    case kNotesNameTooLong:
        ReportMessage("The notes of %s could not be saved: the notes file's name would be longer than %d "
                      "characters.\r\n", gszFileName, MAX_PATH - 1);
        break;
    case kForeignNotesFile:
        ReportMessage("The note could not be saved: %s is not a notes file of this player (Audacity's "
                      "labels, a line each).\r\nIt was left as it is.\r\n", name);
        break;
    case kReadOnlyNotesFile:
        ReportMessage("The note could not be saved: %s is read-only.\r\n"
                      "The notes file was left as it was.\r\n", name);
        break;
    default:
        ReportMessage("The note could not be saved to %s (error %lu).\r\n"
                      "The notes file was left as it was.\r\n", name, (unsigned long)reason);
        break;
    }
}

// One edit of the notes, its outcome taken as the player's marks and notes; false when nothing
// was saved, which is said. A file not this player's is said only where a note was to be written.
static bool SaveNotes(REFERENCE_TIME place, const char *text)
{
    char name[PATH_BYTES] = "";
    MarkList marks;
    NoteList notes;
    ZeroMemory(&marks, sizeof(marks));
    ZeroMemory(&notes, sizeof(notes));
    DWORD result = EditNotes(gszFileName, name, place, text, &marks, &notes);
    if (result == ERROR_SUCCESS) {
        TakeMarkList(&marks);
        TakeNoteList(&notes);
        return true;
    }
    free(marks.marks);
    EmptyNotes(&notes);
    if (text || result != kForeignNotesFile)
        ReportUnsavedNote(name, result);
    return false;
}

bool KeepNoteOfMark(REFERENCE_TIME place, const char *text)
{
    return SaveNotes(place, text);
}

void DropNotesOfGoneMarks()
{
    if (!SaveNotes(0, NULL)) {
        NoteList current = { gNotes, gnNotes, gnNoteSlots };
        MarkList marks = CurrentMarks();
        DropNotesWithoutMarks(&current, &marks);
        gnNotes = current.count;
        RefreshMarkList();
    }
}
