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
void AddBookmark();
void DeleteNextBookmark();
void JumpNextBookmark();
void JumpPreviousBookmark();

// The note of the mark at `place`, in UTF-8; NULL when that mark has none.
const char *NoteOfMark(REFERENCE_TIME place);

void MarkABPoint();
void CancelABLoop();

void AddFavourite();
