// The notes file beside a clip (notes_file.cpp reads and writes its form; notes.cpp keeps it):
// Audacity's labels, one line a note, "start<Tab>end<Tab>text", the times in seconds with 7
// decimals so that a mark's place is kept to the 100 ns, end = start, UTF-8.
#pragma once

#include <windows.h>

#include "app/player_state.h"
#include "navigation/bookmark_file.h"

// Notes ascending by place, one a place, each text its own allocation.
struct NoteList {
    MarkNote *notes;
    int count;
    int slots;
};

// A notes file that is not wholly in this form: bit 29 marks an application's code.
static const DWORD kForeignNotesFile = 0x20000012;

// `<clip's name less its extension>.marks.txt` beside the clip; false when the clip has no file
// name or the name would pass MAX_PATH - 1 characters.
bool NotesFileName(const char *clip, char *name);

// The file's bytes into a fresh list: ERROR_SUCCESS, kForeignNotesFile for anything not wholly in
// the form (the list then empty), or ERROR_NOT_ENOUGH_MEMORY. Lines end with LF or CR LF, the
// last one may lack it, a UTF-8 byte-order mark may lead; a line with no text holds no note.
DWORD ParseNotes(const char *bytes, size_t length, NoteList *list);
// The whole file for the list, LF line ends, no byte-order mark: a fresh allocation, NULL when
// memory ran out. *length is its size.
char *FormatNotes(const NoteList *list, size_t *length);
// A place as the file gives it: seconds, a point and 7 decimals, a minus sign before a negative
// one; text holds at least 24 bytes.
void FormatNotePlace(REFERENCE_TIME place, char *text);

// The note at the place becomes `text` (UTF-8); an empty text removes it. False when memory ran out.
bool SetNote(NoteList *list, REFERENCE_TIME place, const char *text);
// A note goes with its mark. True when one went.
bool DropNotesWithoutMarks(NoteList *list, const MarkList *marks);
bool SameNotes(const NoteList *first, const NoteList *second);
void EmptyNotes(NoteList *list);
// What was typed made a line of the file: each control character (a tab, a line end pasted in)
// becomes a blank.
void MakeNoteOneLine(char *text);
