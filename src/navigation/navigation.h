// Navigation aids: the folder playlist, bookmarks and their file, the A-B loop and favourites.
#pragma once

#include <windows.h>

void BuildPlaylist();
int  AddFolderMatches(const char *extension);
void StepPlaylist(int first, int direction);
void NextClip();
void PreviousClip();

// The clip's bookmark file beside it: the last three characters replaced by "BMS" where they lie in
// an extension of three or more (talk.wmv gives talk.BMS), ".BMS" added to any other name (notes gives
// notes.BMS). False when the clip has no file name or the bookmark file's path would not fit.
bool BookmarkFileName(const char *clip, char *name);

// "h:mm:ss", "m:ss" or seconds, each with an optional tenth, blanks around; false for anything else.
bool ParseClipTime(const char *text, REFERENCE_TIME *time);
// The first "m:ss" or "h:mm:ss" in the first `length` characters of text (or up to its terminator),
// bracketed or bare, with any fraction ("41:07", "[0:41:07]", "1:02:03.5"), that stands apart: no
// ASCII letter, digit or '_' touches it, nor a ':' or '.' that joins it to another number
// ("12:34:56:07" and "v1.12:30" hold none). Minutes and seconds after the first field are two
// digits below 60. False when there is none.
bool FindTimeInText(const WCHAR *text, size_t length, REFERENCE_TIME *time);
INT_PTR CALLBACK GoToTimeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void GoToTime();
void CloseGoToTime();
void LoadBookmarks();
// Adds a mark at the current place, held inside the clip; false when there is no clip or the mark
// was not saved (which is said). *place is the mark's.
bool AddBookmarkAt(REFERENCE_TIME *place);
void AddBookmark();
void DeleteNextBookmark();
// Deletes the mark at exactly that place (the first of several there); none there: nothing is written.
void DeleteBookmarkAt(REFERENCE_TIME place);
void JumpNextBookmark();
void JumpPreviousBookmark();

// The note of the mark at `place`, in UTF-8; NULL when that mark has none.
const char *NoteOfMark(REFERENCE_TIME place);
// The clip's notes from its notes file, those of its marks alone; run by LoadBookmarks.
void LoadNotes();
// Saves `text` (UTF-8, one line; empty: no note) as the note of the mark at `place`, merged with
// what the files beside the clip hold now; false when it was not saved, which is said.
bool KeepNoteOfMark(REFERENCE_TIME place, const char *text);
// The notes of marks that are gone go from the notes file, after a delete.
void DropNotesOfGoneMarks();
// `e`: a mark at the current place, and the note box open on it.
void AddMarkWithNote();
// The note box open on the mark at `place`, filled with its note; nothing when no mark is there.
void EditNoteOfMark(REFERENCE_TIME place);
// Closes the note box, keeping nothing, as its clip goes.
void CloseNoteBox();
// File > Export marks...: the clip's marks and notes into a file of the type chosen.
void ExportMarks();

// The list of marks: a window over the clip, a row for each mark, that follows every change.
INT_PTR CALLBACK MarkListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowMarkList();
void RefreshMarkList();   // the rows again, after any change of the marks or their notes
void CloseMarkList();     // as its clip goes
bool IsMarkListMessage(MSG *msg);   // the list's own keys and its dialog manager, in the message loop

// The list's parts that need no window. Rows hold "number<Tab>time<Tab>note".
#define MAX_MARK_ROW 2100
void FormatMarkRow(WCHAR *row, int size, int index, REFERENCE_TIME place, REFERENCE_TIME duration, const char *note);
// The row of the latest mark at or before the place, the first row before every mark; -1 with none.
int  MarkAtOrBefore(const REFERENCE_TIME *marks, int count, REFERENCE_TIME place);
// After a change: the selected mark's row where it still is, else the row that took its place.
int  RowToKeep(const REFERENCE_TIME *marks, int count, REFERENCE_TIME selectedPlace, int selectedRow);
// Typing finds the next mark whose note starts with what was typed, as a list's own typing does.
#define MAX_TYPED_SEARCH 64
struct TypedSearch {
    WCHAR text[MAX_TYPED_SEARCH];   // typed since the last pause
    int   length;
    DWORD lastTyped;                // GetTickCount of the last character
};
int  TypeToFindMark(TypedSearch *search, WCHAR typed, DWORD now, int selected);   // the row, or -1
// Moves, and if need be shrinks, a window's rectangle into the work area.
void KeepOnScreen(RECT *window, const RECT *work);

void MarkABPoint();
void CancelABLoop();
// The engine's arrival at B of a running loop (its end of segment, or the clip's completion).
void LoopReachedB();
// Ends a gap at B early, as a pause, a stop or the clip's close does; false when none was running.
bool EndLoopGap();

void AddFavourite();

// The jumps to words, on the open clip's overview: where speech starts after at least 0.5 s below
// the recording's silence level, landing 0.2 s early. Only the blocks below `known` are read.
struct OverviewBlocks;
enum WordsFound { WORDS_FOUND, NO_WORDS, WORDS_NOT_KNOWN_YET };
// The RMS byte from which a block is sound: the quietest tenth's, doubled (+12 dB), never below 8 (−60 dBFS).
int SilenceLevel(const OverviewBlocks *blocks, int known);
// The first words whose landing lies strictly after the place (none: NO_WORDS once the overview is complete).
WordsFound NextWordsAfter(const OverviewBlocks *blocks, int known, bool complete, REFERENCE_TIME place,
                          REFERENCE_TIME *landing);
// The last words that began more than 0.8 s before the place, or the start when there are none;
// not known yet while the known blocks end before the place.
WordsFound PreviousWordsBefore(const OverviewBlocks *blocks, int known, bool complete, REFERENCE_TIME place,
                               REFERENCE_TIME *landing);
// Ctrl+Right and Ctrl+Left: the seek, or a wait of up to 2 s for the overview to reach far enough.
void NextWords();
void PreviousWords();
void EndWordJumpWait();   // a seek or the clip's close ends it
