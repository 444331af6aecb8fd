// The bookmark file's keeping (bookmark_file.cpp), as the bookmark commands (bookmarks.cpp) use it.
#pragma once

#include <windows.h>

// Marks in the order the file holds them, in memory that grows as they are read.
struct MarkList {
    REFERENCE_TIME *marks;
    int count;
    int slots;
};

// Delete the first mark after the place, or the first mark at exactly the place.
enum BookmarkEdit { InsertBookmark, DeleteBookmarkAfter, DeleteBookmarkThere };

// The one scan for the first mark after a place, for the edits and the jumps alike; -1 for none.
int FirstBookmarkAfter(const REFERENCE_TIME *marks, int count, REFERENCE_TIME position);
// The whole bookmark file `name` into a fresh list. A missing file reads as an empty list; any other
// failure (held open elsewhere, a read error, a folder of that name, a file not of this player) is
// the reason it gave, with the list empty.
DWORD ReadMarks(const char *name, MarkList *list);
// The marks of the clip's bookmark file; none when it is missing, cannot be read, or is not this
// player's.
void ReadBookmarkFile(const char *clip, MarkList *list);
// The one edit transaction: applies the edit to what the file holds now and writes the result
// back. True when *list is what the file now holds (a delete with no mark to delete writes
// nothing); false when nothing was changed, which is said, once a clip for each reason.
bool SaveBookmarkEdit(const char *clip, BookmarkEdit edit, REFERENCE_TIME position, MarkList *list);
// The list read or saved becomes the player's (bookmarks.cpp).
void TakeMarkList(MarkList *list);
