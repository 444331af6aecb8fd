// Bookmarks of the current clip, kept in a text file beside it: two lines per bookmark,
// the low and the high 32 bits of the position as unsigned decimals.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "support/support.h"

#include <string.h>

// Jumping back passes over a bookmark this close behind the current place.
static const REFERENCE_TIME kPreviousBookmarkGrace = 8000000;

// The clip path with its last three characters replaced by "BMS"; a shorter path has no file.
static bool BookmarkFileName(char *name)
{
    size_t length = strlen(gszFileName);
    if (length < 3)
        return false;
    CopyPath(name, gszFileName);
    memcpy(name + length - 3, "BMS", 3);
    return true;
}

static bool WriteHalf(HANDLE file, DWORD half)
{
    char line[16];
    int length = wsprintfA(line, "%u\n", half);
    DWORD written = 0;
    return WriteFile(file, line, (DWORD)length, &written, NULL) && written == (DWORD)length;
}

static bool WriteBookmarks(HANDLE file)
{
    for (int i = 0; i < gnBookmarks; i++) {
        ULONGLONG position = (ULONGLONG)gBookmarks[i];
        if (!WriteHalf(file, (DWORD)position) || !WriteHalf(file, (DWORD)(position >> 32)))
            return false;
    }
    return true;
}

// Written whole to a new file and then moved over the old one, so a failed save loses nothing.
void SaveBookmarks()
{
    char name[MAX_PATH];
    if (!BookmarkFileName(name))
        return;
    char fresh[MAX_PATH + 4];
    _snprintf(fresh, sizeof(fresh) - 1, "%s.new", name);
    fresh[sizeof(fresh) - 1] = 0;
    HANDLE file = CreateFileA(fresh, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    bool written = WriteBookmarks(file);
    CloseHandle(file);
    if (!written || !MoveFileExA(fresh, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        DeleteFileA(fresh);
}

// Digits accumulate, a line feed ends a line, every other byte is skipped.
void LoadBookmarks()
{
    char name[MAX_PATH];
    HANDLE file = INVALID_HANDLE_VALUE;
    if (BookmarkFileName(name))
        file = CreateFileA(name, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    gnBookmarks = 0;
    if (file == INVALID_HANDLE_VALUE)
        return;

    ULONGLONG accumulator = 0;
    unsigned line = 0;
    DWORD low = 0;
    BYTE chunk[512];
    DWORD count = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &count, NULL) && count > 0) {
        for (DWORD i = 0; i < count; i++) {
            BYTE byte = chunk[i];
            if (byte >= '0' && byte <= '9') {
                accumulator = accumulator * 10 + (ULONGLONG)(byte - '0');
            } else if (byte == '\n') {
                DWORD value = (DWORD)accumulator;
                if (line % 2 == 0)
                    low = value;
                else if (gnBookmarks < MAX_BOOKMARKS)
                    gBookmarks[gnBookmarks++] = (REFERENCE_TIME)(((ULONGLONG)value << 32) | low);
                accumulator = 0;
                line++;
            }
        }
    }
    CloseHandle(file);
}

static int FirstBookmarkAfter(REFERENCE_TIME position)
{
    for (int i = 0; i < gnBookmarks; i++)
        if (gBookmarks[i] > position)
            return i;
    return -1;
}

// Inserted after any equal positions, so the list stays ascending in the order of adding.
void AddBookmark()
{
    if (!pMC || !pMS || gnBookmarks >= MAX_BOOKMARKS)
        return;
    REFERENCE_TIME position = CurrentPosition();
    int slot = FirstBookmarkAfter(position);
    if (slot < 0)
        slot = gnBookmarks;
    memmove(&gBookmarks[slot + 1], &gBookmarks[slot], (size_t)(gnBookmarks - slot) * sizeof(gBookmarks[0]));
    gBookmarks[slot] = position;
    gnBookmarks++;
    SaveBookmarks();
}

void DeleteNextBookmark()
{
    if (!pMC || !pMS)
        return;
    int slot = FirstBookmarkAfter(CurrentPosition());
    if (slot >= 0) {
        memmove(&gBookmarks[slot], &gBookmarks[slot + 1], (size_t)(gnBookmarks - slot - 1) * sizeof(gBookmarks[0]));
        gnBookmarks--;
    }
    SaveBookmarks();
}

void JumpNextBookmark()
{
    if (!pMC || !pMS)
        return;
    REFERENCE_TIME position = CurrentPosition();
    if (gnBookmarks == 0)
        return;
    int slot = FirstBookmarkAfter(position);
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
