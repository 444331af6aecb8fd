// The two files beside a clip, the bookmark file and the notes file, are saved alike
// (whole_file.cpp): one instance at a time, and each write whole, into a fresh file that then
// replaces the old.
#pragma once

#include <windows.h>

// Writes the whole content to an open file; false when a write failed (GetLastError says why).
typedef bool (*ContentWriter)(HANDLE file, const void *content);

// Takes the clip's one turn to save, the bookmark file's name with "~" for its last letter, held
// from the read to the replace of either file. False only when another save kept it for all of
// the tries; where no turn file can be made at all (a read-only folder), *turn is invalid and the
// save goes on to meet the refusal itself.
bool TakeSaveTurn(const char *bookmarkFile, HANDLE *turn);
void EndSaveTurn(HANDLE turn);
// Writes the content to a file of this save's own beside `name`, named as long ("~" and two hex
// digits for its last three characters), and moves it over `name`. On any failure the fresh file
// is removed and `name` is as it was.
DWORD ReplaceWholeFile(const char *name, ContentWriter write, const void *content);
