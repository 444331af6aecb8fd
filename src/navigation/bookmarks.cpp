// The bookmarks of the current clip and their commands. The file beside the clip is the truth
// (bookmark_file.cpp keeps it): the list is what the file held at the clip's load or after the last
// saved edit, so the strip, the jumps and Delete all see the marks on disk. An add or a delete that
// cannot be saved changes nothing, here or there.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/bookmark_file.h"
#include "navigation/navigation.h"

#include <stdlib.h>

// Jumping back passes over a bookmark this close behind the current place.
static const REFERENCE_TIME kPreviousBookmarkGrace = 8000000;

// The list read or saved replaces the current one, and the list of marks shows it.
void TakeMarkList(MarkList *list)
{
    free(gBookmarks);
    gBookmarks = list->marks;
    gnBookmarks = list->count;
    gnBookmarkSlots = list->slots;
    RefreshMarkList();
}

void LoadBookmarks()
{
    MarkList list;
    ReadBookmarkFile(gszFileName, &list);
    TakeMarkList(&list);
    gdwBookmarkFailureSaid = ERROR_SUCCESS;
    LoadNotes();
}

// The list takes what was saved, with what other instances added.
bool AddBookmarkAt(REFERENCE_TIME *place)
{
    if (!pMC || !pMS)
        return false;
    *place = ClampToClip(CurrentPosition());
    MarkList list;
    if (!SaveBookmarkEdit(gszFileName, InsertBookmark, *place, &list))
        return false;
    TakeMarkList(&list);
    return true;
}

void AddBookmark()
{
    REFERENCE_TIME place;
    AddBookmarkAt(&place);
}

// With no mark after the current place the file is neither made nor rewritten. The note of the
// mark deleted goes with it.
void DeleteNextBookmark()
{
    if (!pMC || !pMS)
        return;
    MarkList list;
    if (!SaveBookmarkEdit(gszFileName, DeleteBookmarkAfter, CurrentPosition(), &list))
        return;
    TakeMarkList(&list);
    DropNotesOfGoneMarks();
}

// The list of marks deletes the mark its row shows, even where another instance has added marks
// since; its note goes with it.
void DeleteBookmarkAt(REFERENCE_TIME place)
{
    if (!pMC || !pMS)
        return;
    MarkList list;
    if (!SaveBookmarkEdit(gszFileName, DeleteBookmarkThere, place, &list))
        return;
    TakeMarkList(&list);
    DropNotesOfGoneMarks();
}

void JumpNextBookmark()
{
    if (!pMC || !pMS)
        return;
    REFERENCE_TIME position = CurrentPosition();
    if (gnBookmarks == 0)
        return;
    int slot = FirstBookmarkAfter(gBookmarks, gnBookmarks, position);
    if (slot >= 0)
        SeekToKeyFrame(gBookmarks[slot]);
}

void JumpPreviousBookmark()
{
    if (!pMC || !pMS)
        return;
    REFERENCE_TIME position = CurrentPosition();
    if (gnBookmarks == 0)
        return;
    int slot = 0;
    // The sum wraps like the engine's 64-bit arithmetic instead of overflowing.
    while (slot < gnBookmarks &&
           position > (REFERENCE_TIME)((ULONGLONG)gBookmarks[slot] + (ULONGLONG)kPreviousBookmarkGrace))
        slot++;
    if (slot == 0)
        SeekToKeyFrame(0);
    else
        SeekToKeyFrame(gBookmarks[slot - 1]);
}
