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
INT_PTR CALLBACK GoToTimeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void GoToTime();
void CloseGoToTime();
void LoadBookmarks();
// Adds a mark at the current place, held inside the clip; false when there is no clip or the mark
// was not saved (which is said). *place is the mark's.
bool AddBookmarkAt(REFERENCE_TIME *place);
void AddBookmark();
void DeleteNextBookmark();
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

void MarkABPoint();
void CancelABLoop();

void AddFavourite();
