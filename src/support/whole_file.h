// Files written whole: into a fresh file of the write's own beside the name, then moved over it,
// so that a reader of the name never meets half a file.
#pragma once

#include <windows.h>

// Writes the whole content to an open file; false when a write failed (GetLastError says why).
typedef bool (*ContentWriter)(HANDLE file, const void *content);

// Writes the content to a file of this write's own beside `name`, named as long ("~" and two hex
// digits for its last three characters), and moves it over `name`. On any failure the fresh file
// is removed and `name` is as it was.
DWORD ReplaceWholeFile(const char *name, ContentWriter write, const void *content);
