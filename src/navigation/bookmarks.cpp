// Bookmarks of the current clip, kept in a text file beside it: two lines per bookmark,
// the low and the high 32 bits of the position as unsigned decimals, in list order.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "support/support.h"

#include <string.h>

// Jumping back passes over a bookmark this close behind the current place.
static const REFERENCE_TIME kPreviousBookmarkGrace = 8000000;

enum BookmarkEdit { InsertBookmark, DeleteBookmarkAfter };

// Reads a bookmark file pair by pair, so a file of any length can be read and rewritten.
struct BookmarkReader {
    HANDLE file;
    BYTE chunk[512];
    DWORD count;           // bytes in chunk
    DWORD next;            // next byte of chunk to read
    ULONGLONG accumulator; // digits of the line so far
    unsigned line;         // lines ended so far
    DWORD low;             // low half of the pair being read
    bool failed;           // a read failed before the end: what follows is unknown
};

bool BookmarkFileName(const char *clip, char *name)
{
    size_t length = strlen(clip);
    const char *fileName = clip;
    for (const char *p = clip; *p; p++)
        if (*p == '\\' || *p == '/')
            fileName = p + 1;
    if (!*fileName)
        return false;
    const char *dot = strrchr(fileName, '.');
    if (dot && strlen(dot + 1) >= 3) {
        CopyPath(name, clip);
        memcpy(name + length - 3, "BMS", 3);
        return true;
    }
    if (length + 4 > MAX_PATH - 1)
        return false;
    CopyPath(name, clip);
    memcpy(name + length, ".BMS", 5);
    return true;
}

static void StartReading(BookmarkReader *reader, HANDLE file)
{
    ZeroMemory(reader, sizeof(*reader));
    reader->file = file;
}

// Digits accumulate, a line feed ends a line, every other byte is skipped; each odd line ends a pair.
static bool ReadBookmark(BookmarkReader *reader, REFERENCE_TIME *position)
{
    for (;;) {
        if (reader->next == reader->count) {
            reader->next = 0;
            if (!ReadFile(reader->file, reader->chunk, sizeof(reader->chunk), &reader->count, NULL)) {
                reader->failed = true;
                reader->count = 0;
            }
            if (!reader->count)
                return false;
        }
        BYTE byte = reader->chunk[reader->next++];
        if (byte >= '0' && byte <= '9') {
            reader->accumulator = reader->accumulator * 10 + (ULONGLONG)(byte - '0');
        } else if (byte == '\n') {
            DWORD value = (DWORD)reader->accumulator;
            reader->accumulator = 0;
            if (reader->line++ % 2 == 0) {
                reader->low = value;
            } else {
                *position = (REFERENCE_TIME)(((ULONGLONG)value << 32) | reader->low);
                return true;
            }
        }
    }
}

static bool WriteHalf(HANDLE file, DWORD half)
{
    char line[16];
    int length = wsprintfA(line, "%u\n", half);
    DWORD written = 0;
    return WriteFile(file, line, (DWORD)length, &written, NULL) && written == (DWORD)length;
}

static bool WriteBookmark(HANDLE file, REFERENCE_TIME position)
{
    return WriteHalf(file, (DWORD)(ULONGLONG)position) && WriteHalf(file, (DWORD)((ULONGLONG)position >> 32));
}

static HANDLE OpenToRead(const char *name)
{
    return CreateFileA(name, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
}

static bool Missing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

static void ReportUnsaved(const char *name, DWORD error)
{
    ReportMessage("The bookmarks could not be saved to %s (error %lu).\r\n"
                  "The bookmark file was left as it was.\r\n", name, (unsigned long)error);
}

static bool HasBookmarkAfter(const char *name, REFERENCE_TIME position)
{
    HANDLE file = OpenToRead(name);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BookmarkReader reader;
    StartReading(&reader, file);
    REFERENCE_TIME mark = 0;
    bool found = false;
    while (!found && ReadBookmark(&reader, &mark))
        found = mark > position;
    CloseHandle(file);
    return found;
}

// Copies the old file (if any) into the new one with the one edit applied: an insert goes before
// the first mark after it, a delete takes the first mark after the position.
static bool CopyWithEdit(HANDLE old, HANDLE fresh, BookmarkEdit edit, REFERENCE_TIME position)
{
    bool done = false;
    REFERENCE_TIME mark = 0;
    BookmarkReader reader;
    StartReading(&reader, old);
    while (old != INVALID_HANDLE_VALUE && ReadBookmark(&reader, &mark)) {
        if (!done && mark > position) {
            done = true;
            if (edit == DeleteBookmarkAfter)
                continue;
            if (!WriteBookmark(fresh, position))
                return false;
        }
        if (!WriteBookmark(fresh, mark))
            return false;
    }
    // A file that could not be read to its end is not replaced by its first part.
    return !reader.failed && (done || edit == DeleteBookmarkAfter || WriteBookmark(fresh, position));
}

// Applies one add or delete to what the file holds now, so that marks another instance saved, and
// marks beyond what the list can hold, survive. The result is written beside the file under a name
// of the same length and then moved over it, so a failed save leaves the old file as it was.
// True when the file was rewritten.
static bool SaveBookmarkEdit(BookmarkEdit edit, REFERENCE_TIME position)
{
    char name[MAX_PATH];
    if (!BookmarkFileName(gszFileName, name)) {
        ReportUnsaved(gszFileName, ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (edit == DeleteBookmarkAfter && !HasBookmarkAfter(name, position))
        return false;
    char fresh[MAX_PATH];
    CopyPath(fresh, name);
    fresh[strlen(fresh) - 1] = '~';

    HANDLE old = OpenToRead(name);
    DWORD error = GetLastError();
    if (old == INVALID_HANDLE_VALUE && !Missing(error)) {
        ReportUnsaved(name, error);
        return false;
    }
    HANDLE file = CreateFileA(fresh, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        if (old != INVALID_HANDLE_VALUE)
            CloseHandle(old);
        ReportUnsaved(name, error);
        return false;
    }
    bool written = CopyWithEdit(old, file, edit, position);
    error = GetLastError();
    CloseHandle(file);
    if (old != INVALID_HANDLE_VALUE)
        CloseHandle(old);
    if (written && MoveFileExA(fresh, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    if (written)
        error = GetLastError();
    DeleteFileA(fresh);
    ReportUnsaved(name, error);
    return false;
}

// The list holds the file's first marks, as many as fit; saving keeps the rest in the file.
void LoadBookmarks()
{
    char name[MAX_PATH];
    HANDLE file = INVALID_HANDLE_VALUE;
    if (BookmarkFileName(gszFileName, name))
        file = OpenToRead(name);
    gnBookmarks = 0;
    if (file == INVALID_HANDLE_VALUE)
        return;
    BookmarkReader reader;
    StartReading(&reader, file);
    REFERENCE_TIME mark = 0;
    while (gnBookmarks < MAX_BOOKMARKS && ReadBookmark(&reader, &mark))
        gBookmarks[gnBookmarks++] = mark;
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
// The list in memory keeps the change even when the file cannot; a saved file is read back,
// with what other instances added.
void AddBookmark()
{
    if (!pMC || !pMS)
        return;
    REFERENCE_TIME position = ClampToClip(CurrentPosition());
    if (gnBookmarks < MAX_BOOKMARKS) {
        int slot = FirstBookmarkAfter(position);
        if (slot < 0)
            slot = gnBookmarks;
        memmove(&gBookmarks[slot + 1], &gBookmarks[slot], (size_t)(gnBookmarks - slot) * sizeof(gBookmarks[0]));
        gBookmarks[slot] = position;
        gnBookmarks++;
    }
    if (SaveBookmarkEdit(InsertBookmark, position))
        LoadBookmarks();
}

// With no mark after the current place nothing changes, and the file is neither made nor rewritten.
void DeleteNextBookmark()
{
    if (!pMC || !pMS)
        return;
    REFERENCE_TIME position = CurrentPosition();
    int slot = FirstBookmarkAfter(position);
    if (slot >= 0) {
        memmove(&gBookmarks[slot], &gBookmarks[slot + 1], (size_t)(gnBookmarks - slot - 1) * sizeof(gBookmarks[0]));
        gnBookmarks--;
    }
    if (SaveBookmarkEdit(DeleteBookmarkAfter, position))
        LoadBookmarks();
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
