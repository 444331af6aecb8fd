// Bookmarks of the current clip, kept in a text file beside it: two lines per bookmark,
// the low and the high 32 bits of the position as unsigned decimals, in list order.
// The file is the truth: every add and delete reads it, applies the one edit and writes it back,
// and the list is what was written, so the strip, the jumps and Delete all see the same marks.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "support/support.h"

#include <stdlib.h>
#include <string.h>

// Jumping back passes over a bookmark this close behind the current place.
static const REFERENCE_TIME kPreviousBookmarkGrace = 8000000;
// Instances take turns at a save; one that finds the turn taken waits this long, this many times.
static const DWORD kTurnWaitMs = 25;
static const int kTurnTries = 80;
// Saves that run at once each write a file of their own: "~" and two hex digits for "BMS".
static const int kFreshNames = 256;

enum BookmarkEdit { InsertBookmark, DeleteBookmarkAfter };

struct MarkList {
    REFERENCE_TIME *marks;
    int count;
    int slots;
};

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

// Where the character that ends at `end` starts: a surrogate pair is one character.
static int CharacterStart(const WCHAR *text, int end)
{
    if (end >= 2 && IS_LOW_SURROGATE(text[end - 1]) && IS_HIGH_SURROGATE(text[end - 2]))
        return end - 2;
    return end - 1;
}

// The rule counts characters as the file system holds them, in UTF-16, so that no extension loses
// half a character; ASCII names come out byte for byte as they always have.
bool BookmarkFileName(const char *clip, char *name)
{
    WCHAR path[MAX_PATH];
    if (!AnsiToWide(clip, path, MAX_PATH))
        return false;
    int length = lstrlenW(path);
    int fileName = 0;
    int dot = -1;
    for (int i = 0; i < length; i++) {
        if (path[i] == '\\' || path[i] == '/')
            fileName = i + 1;
        else if (path[i] == '.')
            dot = i;
    }
    if (fileName == length)
        return false;
    // Three characters of an extension give way to "BMS"; a shorter one, or none, gets ".BMS" added.
    int kept = length;
    int counted = 0;
    for (; dot >= fileName && counted < 3 && kept > dot + 1; counted++)
        kept = CharacterStart(path, kept);
    if (counted < 3)
        kept = length;
    const WCHAR *suffix = kept < length ? L"BMS" : L".BMS";
    int suffixLength = lstrlenW(suffix);
    if (kept + suffixLength > MAX_PATH - 1)
        return false;
    memcpy(path + kept, suffix, (suffixLength + 1) * sizeof(WCHAR));
    return WideToAnsi(path, name, PATH_BYTES);
}

// The one scan for the first mark after a place, for the edits and the jumps alike.
static int FirstBookmarkAfter(const REFERENCE_TIME *marks, int count, REFERENCE_TIME position)
{
    for (int i = 0; i < count; i++)
        if (marks[i] > position)
            return i;
    return -1;
}

static bool GrowMarks(MarkList *list)
{
    int slots = list->slots ? list->slots * 2 : 64;
    void *grown = slots > 0 ? realloc(list->marks, (size_t)slots * sizeof(list->marks[0])) : NULL;
    if (!grown)
        return false;
    list->marks = (REFERENCE_TIME *)grown;
    list->slots = slots;
    return true;
}

static bool AppendMark(MarkList *list, REFERENCE_TIME position)
{
    if (list->count == list->slots && !GrowMarks(list))
        return false;
    list->marks[list->count++] = position;
    return true;
}

// Inserted after any equal positions, so the list stays ascending in the order of adding.
static bool InsertMark(MarkList *list, REFERENCE_TIME position)
{
    if (list->count == list->slots && !GrowMarks(list))
        return false;
    int slot = FirstBookmarkAfter(list->marks, list->count, position);
    if (slot < 0)
        slot = list->count;
    memmove(&list->marks[slot + 1], &list->marks[slot], (size_t)(list->count - slot) * sizeof(list->marks[0]));
    list->marks[slot] = position;
    list->count++;
    return true;
}

static void RemoveMark(MarkList *list, int slot)
{
    memmove(&list->marks[slot], &list->marks[slot + 1], (size_t)(list->count - slot - 1) * sizeof(list->marks[0]));
    list->count--;
}

static MarkList CurrentList()
{
    MarkList list = { gBookmarks, gnBookmarks, gnBookmarkSlots };
    return list;
}

static void AdoptList(const MarkList *list)
{
    gBookmarks = list->marks;
    gnBookmarks = list->count;
    gnBookmarkSlots = list->slots;
}

// The list read or written replaces the current one.
static void ReplaceList(MarkList *list)
{
    free(gBookmarks);
    AdoptList(list);
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

static bool Missing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The whole file into a fresh list. A missing file reads as an empty list; any other failure
// (held open elsewhere, a read error, a folder of that name) is the error it gave.
static DWORD ReadMarks(const char *name, MarkList *list)
{
    ZeroMemory(list, sizeof(*list));
    HANDLE file = CreateFileA(name, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return Missing(error) ? ERROR_SUCCESS : error;
    }
    BookmarkReader reader;
    ZeroMemory(&reader, sizeof(reader));
    reader.file = file;
    DWORD error = ERROR_SUCCESS;
    REFERENCE_TIME mark = 0;
    while (ReadBookmark(&reader, &mark)) {
        if (!AppendMark(list, mark)) {
            error = ERROR_NOT_ENOUGH_MEMORY;
            break;
        }
    }
    if (reader.failed)
        error = GetLastError();
    CloseHandle(file);
    if (error != ERROR_SUCCESS) {
        free(list->marks);
        ZeroMemory(list, sizeof(*list));
    }
    return error;
}

static bool WriteHalf(HANDLE file, DWORD half)
{
    char line[16];
    int length = wsprintfA(line, "%u\n", half);
    DWORD written = 0;
    return WriteFile(file, line, (DWORD)length, &written, NULL) && written == (DWORD)length;
}

static bool WriteMarks(HANDLE file, const MarkList *list)
{
    for (int i = 0; i < list->count; i++) {
        ULONGLONG mark = (ULONGLONG)list->marks[i];
        if (!WriteHalf(file, (DWORD)mark) || !WriteHalf(file, (DWORD)(mark >> 32)))
            return false;
    }
    return true;
}

static void ReportUnsaved(const char *name, DWORD error)
{
    ReportMessage("The bookmarks could not be saved to %s (error %lu).\r\n"
                  "The bookmark file was left as it was.\r\n", name, (unsigned long)error);
}

// Instances save one at a time: a save holds the turn file beside the bookmark file ("~" for its
// last letter) open without sharing, and the system deletes it once it is closed, also when the
// process holding it ends. False only when another save kept the turn for all of the tries; where
// no turn file can be made at all (a read-only folder), *turn is invalid and the save goes on to
// meet the refusal itself.
static bool TakeTurn(const char *name, HANDLE *turn)
{
    char turnName[PATH_BYTES];
    CopyPath(turnName, name);
    turnName[strlen(turnName) - 1] = '~';
    for (int i = 0; i < kTurnTries; i++) {
        *turn = CreateFileA(turnName, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
        if (*turn != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION)
            return true;
        Sleep(kTurnWaitMs);
    }
    return false;
}

static void EndTurn(HANDLE turn)
{
    if (turn != INVALID_HANDLE_VALUE)
        CloseHandle(turn);
}

// Writes the list to a file of this save's own beside the bookmark file, with a name as long as the
// bookmark file's ("~" and two hex digits in place of "BMS"), and moves it over the bookmark file.
// On any failure the fresh file is removed and the bookmark file is as it was.
static DWORD ReplaceFile(const char *name, const MarkList *list)
{
    char fresh[PATH_BYTES];
    CopyPath(fresh, name);
    size_t length = strlen(fresh);
    DWORD seed = GetCurrentProcessId() + GetTickCount();
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int i = 0; i < kFreshNames && error == ERROR_FILE_EXISTS; i++) {
        wsprintfA(fresh + length - 3, "~%02X", (unsigned)((seed + (DWORD)i) & 0xFF));
        file = CreateFileA(fresh, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    if (file == INVALID_HANDLE_VALUE)
        return error;
    bool written = WriteMarks(file, list);
    error = written ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (written && !MoveFileExA(fresh, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileA(fresh);
    return error;
}

// Applies the one edit to what the file holds now, so that marks another instance saved survive,
// and writes the result back. True when *list is what the file now holds (a delete with nothing
// after the place writes nothing); false when nothing could be changed, said once.
static bool SaveBookmarkEdit(BookmarkEdit edit, REFERENCE_TIME position, MarkList *list)
{
    ZeroMemory(list, sizeof(*list));
    char name[PATH_BYTES];
    if (!BookmarkFileName(gszFileName, name)) {
        ReportUnsaved(gszFileName, ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    HANDLE turn;
    if (!TakeTurn(name, &turn)) {
        ReportUnsaved(name, ERROR_SHARING_VIOLATION);
        return false;
    }
    DWORD error = ReadMarks(name, list);
    bool changed = false;
    if (error == ERROR_SUCCESS && edit == InsertBookmark) {
        changed = InsertMark(list, position);
        if (!changed)
            error = ERROR_NOT_ENOUGH_MEMORY;
    } else if (error == ERROR_SUCCESS) {
        int slot = FirstBookmarkAfter(list->marks, list->count, position);
        changed = slot >= 0;
        if (changed)
            RemoveMark(list, slot);
    }
    // A file the user made read-only is meant to stay as it is, whatever the system would allow.
    DWORD attributes = changed ? GetFileAttributesA(name) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ReportMessage("The bookmarks could not be saved: %s is read-only.\r\n"
                      "The bookmark file was left as it was.\r\n", name);
        changed = false;
        error = ERROR_ACCESS_DENIED;
    } else if (changed) {
        error = ReplaceFile(name, list);
        if (error != ERROR_SUCCESS)
            ReportUnsaved(name, error);
    } else if (error != ERROR_SUCCESS) {
        ReportUnsaved(name, error);
    }
    EndTurn(turn);
    if (error == ERROR_SUCCESS)
        return true;
    free(list->marks);
    ZeroMemory(list, sizeof(*list));
    return false;
}

void LoadBookmarks()
{
    char name[PATH_BYTES];
    MarkList list = {};
    if (BookmarkFileName(gszFileName, name))
        ReadMarks(name, &list);
    ReplaceList(&list);
}

// The list takes what was saved, with what other instances added; a mark the file would not take
// is kept in the list for this session all the same.
void AddBookmark()
{
    if (!pMC || !pMS)
        return;
    REFERENCE_TIME position = ClampToClip(CurrentPosition());
    MarkList list;
    if (SaveBookmarkEdit(InsertBookmark, position, &list)) {
        ReplaceList(&list);
        return;
    }
    MarkList current = CurrentList();
    if (InsertMark(&current, position))
        AdoptList(&current);
}

// With no mark after the current place the file is neither made nor rewritten; a delete that
// cannot be saved leaves the list as it was.
void DeleteNextBookmark()
{
    if (!pMC || !pMS)
        return;
    MarkList list;
    if (SaveBookmarkEdit(DeleteBookmarkAfter, CurrentPosition(), &list))
        ReplaceList(&list);
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
