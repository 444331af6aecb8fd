// The bookmark file beside a clip: its name, its reading (with the check that it is this player's
// own), its writing, and the one edit transaction (save_turn.cpp takes the turn, support/whole_file.cpp replaces).
// The form: two lines per bookmark, the low and the high 32 bits of the position as unsigned
// decimals, each line ended by a line feed (a carriage return before it is accepted).
// A file of that name in any other form belongs to someone else and is never written.
#include "app/player_state.h"
#include "navigation/bookmark_file.h"
#include "navigation/navigation.h"
#include "navigation/save_turn.h"
#include "support/support.h"
#include "support/whole_file.h"

#include <stdlib.h>
#include <string.h>

// The program's own reasons an edit is not saved, beside the system's errors: bit 29 marks an
// application's code, and no system error has it.
static const DWORD kBookmarkNameTooLong = 0x20000001;
static const DWORD kForeignBookmarkFile = 0x20000002;
static const DWORD kReadOnlyBookmarkFile = 0x20000003;

// Reads a bookmark file pair by pair, so a file of any length can be read and rewritten, and stops
// at the first byte that does not belong to this player's form.
struct BookmarkReader {
    HANDLE file;
    BYTE chunk[512];
    DWORD count;           // bytes in chunk
    DWORD next;            // next byte of chunk to read
    ULONGLONG value;       // the line's number so far
    bool digits;           // the line has a digit
    bool carriage;         // the line's carriage return came: only its line feed may follow
    unsigned line;         // lines ended so far
    DWORD low;             // low half of the pair being read
    DWORD error;           // a read failed (the system's error), or the file is not this player's
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
    int fileName, dot;
    FindFileNameAndDot(path, length, &fileName, &dot);
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

int FirstBookmarkAfter(const REFERENCE_TIME *marks, int count, REFERENCE_TIME position)
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

static void EmptyList(MarkList *list)
{
    free(list->marks);
    ZeroMemory(list, sizeof(*list));
}

// False at the end of the file or where it stops being this player's; reader->error tells which.
// Each line is one or more digits of a number below 2^32, then an optional carriage return and a
// line feed; the file ends with a line feed after an even number of lines.
static bool ReadBookmark(BookmarkReader *reader, REFERENCE_TIME *position)
{
    for (;;) {
        if (reader->next == reader->count) {
            reader->next = 0;
            if (!ReadFile(reader->file, reader->chunk, sizeof(reader->chunk), &reader->count, NULL)) {
                reader->error = GetLastError();
                return false;
            }
            if (!reader->count) {
                if (reader->digits || reader->line % 2)
                    reader->error = kForeignBookmarkFile;
                return false;
            }
        }
        BYTE byte = reader->chunk[reader->next++];
        if (byte >= '0' && byte <= '9' && !reader->carriage) {
            reader->value = reader->value * 10 + (ULONGLONG)(byte - '0');
            reader->digits = true;
            if (reader->value > 0xFFFFFFFFull)
                break;
        } else if (byte == '\r' && reader->digits && !reader->carriage) {
            reader->carriage = true;
        } else if (byte == '\n' && reader->digits) {
            DWORD value = (DWORD)reader->value;
            reader->value = 0;
            reader->digits = false;
            reader->carriage = false;
            if (reader->line++ % 2 == 0) {
                reader->low = value;
            } else {
                *position = (REFERENCE_TIME)(((ULONGLONG)value << 32) | reader->low);
                return true;
            }
        } else {
            break;
        }
    }
    reader->error = kForeignBookmarkFile;
    return false;
}

static bool Missing(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

DWORD ReadMarks(const char *name, MarkList *list)
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
    REFERENCE_TIME mark = 0;
    while (ReadBookmark(&reader, &mark))
        if (!AppendMark(list, mark)) {
            reader.error = ERROR_NOT_ENOUGH_MEMORY;
            break;
        }
    CloseHandle(file);
    if (reader.error != ERROR_SUCCESS)
        EmptyList(list);
    return reader.error;
}

void ReadBookmarkFile(const char *clip, MarkList *list)
{
    char name[PATH_BYTES];
    ZeroMemory(list, sizeof(*list));
    if (BookmarkFileName(clip, name))
        ReadMarks(name, list);
}

static bool WriteHalf(HANDLE file, DWORD half)
{
    char line[16];
    int length = wsprintfA(line, "%u\n", half);
    DWORD written = 0;
    return WriteFile(file, line, (DWORD)length, &written, NULL) && written == (DWORD)length;
}

static bool WriteMarks(HANDLE file, const void *marks)
{
    const MarkList *list = (const MarkList *)marks;
    for (int i = 0; i < list->count; i++) {
        ULONGLONG mark = (ULONGLONG)list->marks[i];
        if (!WriteHalf(file, (DWORD)mark) || !WriteHalf(file, (DWORD)(mark >> 32)))
            return false;
    }
    return true;
}

// The mark at exactly the place; a mark another instance deleted meanwhile takes no other with it.
static int FirstBookmarkAt(const REFERENCE_TIME *marks, int count, REFERENCE_TIME position)
{
    for (int i = 0; i < count; i++)
        if (marks[i] == position)
            return i;
    return -1;
}

// Applies the edit to the list read from the file and writes it back; a delete with no mark to
// delete writes nothing and is no failure.
static DWORD ApplyEdit(const char *name, BookmarkEdit edit, REFERENCE_TIME position, MarkList *list)
{
    if (edit == InsertBookmark) {
        if (!InsertMark(list, position))
            return ERROR_NOT_ENOUGH_MEMORY;
    } else {
        int slot = edit == DeleteBookmarkAfter ? FirstBookmarkAfter(list->marks, list->count, position)
                                               : FirstBookmarkAt(list->marks, list->count, position);
        if (slot < 0)
            return ERROR_SUCCESS;
        RemoveMark(list, slot);
    }
    // A file the user made read-only is meant to stay as it is, whatever the system would allow.
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return kReadOnlyBookmarkFile;
    return ReplaceWholeFile(name, WriteMarks, list);
}

// The turn is held from the read to the replace, so that marks another instance saved survive.
static DWORD EditFile(const char *name, BookmarkEdit edit, REFERENCE_TIME position, MarkList *list)
{
    HANDLE turn;
    if (!TakeSaveTurn(name, &turn))
        return ERROR_SHARING_VIOLATION;
    DWORD result = ReadMarks(name, list);
    if (result == ERROR_SUCCESS)
        result = ApplyEdit(name, edit, position, list);
    EndSaveTurn(turn);
    return result;
}

// The one place an unsaved edit is said. Each reason is said once for the clip: a key pressed again
// while the cause lasts would otherwise bring the same box back at every press.
static void ReportUnsaved(const char *clip, const char *name, DWORD reason)
{
    if (reason == gdwBookmarkFailureSaid)
        return;
    gdwBookmarkFailureSaid = reason;
    switch (reason) {
    case kBookmarkNameTooLong:
        ReportMessage("The bookmarks of %s could not be saved: the bookmark file's name would be longer "
                      "than %d characters.\r\n", clip, MAX_PATH - 1);
        break;
    case kForeignBookmarkFile:
        ReportMessage("The bookmarks could not be saved: %s is not a bookmark file of this player.\r\n"
                      "It was left as it is.\r\n", name);
        break;
    case kReadOnlyBookmarkFile:
        ReportMessage("The bookmarks could not be saved: %s is read-only.\r\n"
                      "The bookmark file was left as it was.\r\n", name);
        break;
    default:
        ReportMessage("The bookmarks could not be saved to %s (error %lu).\r\n"
                      "The bookmark file was left as it was.\r\n", name, (unsigned long)reason);
        break;
    }
}

bool SaveBookmarkEdit(const char *clip, BookmarkEdit edit, REFERENCE_TIME position, MarkList *list)
{
    ZeroMemory(list, sizeof(*list));
    char name[PATH_BYTES] = "";
    DWORD result = BookmarkFileName(clip, name) ? EditFile(name, edit, position, list) : kBookmarkNameTooLong;
    if (result == ERROR_SUCCESS)
        return true;
    EmptyList(list);
    ReportUnsaved(clip, name, result);
    return false;
}
