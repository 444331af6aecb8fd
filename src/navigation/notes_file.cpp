// The notes file's form, read and written apart from any file: Audacity's label format, which
// Audacity, ELAN and Subtitle Edit open as it is. A file of that name not wholly in this form is
// someone else's and is never written.
#include "navigation/notes_file.h"
#include "support/support.h"

#include <stdlib.h>
#include <string.h>

static const ULONGLONG kUnitsPerSecond = 10000000;
static const int kDecimals = 7;
// Seconds of a place: 2^63 units are 922337203685 s, twelve digits.
static const int kMostSecondDigits = 12;
static const WCHAR kNotesSuffix[] = L".marks.txt";

bool NotesFileName(const char *clip, char *name)
{
    WCHAR path[MAX_PATH + 16];
    if (!AnsiToWide(clip, path, MAX_PATH))
        return false;
    int length = lstrlenW(path);
    int fileName, dot;
    FindFileNameAndDot(path, length, &fileName, &dot);
    if (fileName == length)
        return false;
    int kept = dot > fileName ? dot : length;
    int suffixLength = lstrlenW(kNotesSuffix);
    if (kept + suffixLength > MAX_PATH - 1)
        return false;
    memcpy(path + kept, kNotesSuffix, (suffixLength + 1) * sizeof(WCHAR));
    return WideToAnsi(path, name, PATH_BYTES);
}

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "[-]seconds[.decimals]", up to 7 decimals (Audacity itself writes 6), the whole of the field.
static bool ParsePlace(const char *field, size_t length, REFERENCE_TIME *place)
{
    size_t i = 0;
    bool negative = length > 0 && field[0] == '-';
    i += negative;
    ULONGLONG seconds = 0;
    int digits = 0;
    for (; i < length && IsDigit(field[i]); i++, digits++) {
        if (digits == kMostSecondDigits)
            return false;
        seconds = seconds * 10 + (ULONGLONG)(field[i] - '0');
    }
    if (digits == 0)
        return false;
    ULONGLONG fraction = 0;
    int decimals = 0;
    if (i < length && field[i] == '.') {
        for (i++; i < length && IsDigit(field[i]); i++, decimals++) {
            if (decimals == kDecimals)
                return false;
            fraction = fraction * 10 + (ULONGLONG)(field[i] - '0');
        }
        if (decimals == 0)
            return false;
    }
    if (i != length)
        return false;
    for (; decimals < kDecimals; decimals++)
        fraction *= 10;
    ULONGLONG units = seconds * kUnitsPerSecond + fraction;
    ULONGLONG largest = negative ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull;
    if (units > largest)
        return false;
    *place = (REFERENCE_TIME)(negative ? 0 - units : units);
    return true;
}

// Well-formed UTF-8 with no control character: one line of text in any script.
static bool IsNoteText(const BYTE *text, size_t length)
{
    for (size_t i = 0; i < length;) {
        BYTE lead = text[i++];
        if (lead < 0x20 || lead == 0x7F)
            return false;
        if (lead < 0x80)
            continue;
        int following;
        BYTE low = 0x80, high = 0xBF;   // the allowed range of the byte after the lead
        if (lead >= 0xC2 && lead <= 0xDF)
            following = 1;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            following = 2;
            if (lead == 0xE0) low = 0xA0;          // no overlong form
            if (lead == 0xED) high = 0x9F;         // no surrogate
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            following = 3;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;         // nothing past U+10FFFF
        } else
            return false;
        if (length - i < (size_t)following || text[i] < low || text[i] > high)
            return false;
        for (int k = 1; k < following; k++)
            if ((text[i + k] & 0xC0) != 0x80)
                return false;
        i += following;
    }
    return true;
}

static char *CopyText(const char *text, size_t length)
{
    char *copy = (char *)malloc(length + 1);
    if (copy) {
        memcpy(copy, text, length);
        copy[length] = 0;
    }
    return copy;
}

static bool GrowNotes(NoteList *list)
{
    if (list->count < list->slots)
        return true;
    int slots = list->slots ? list->slots * 2 : 16;
    void *grown = slots > 0 ? realloc(list->notes, (size_t)slots * sizeof(list->notes[0])) : NULL;
    if (!grown)
        return false;
    list->notes = (MarkNote *)grown;
    list->slots = slots;
    return true;
}

static int ByPlace(const void *first, const void *second)
{
    REFERENCE_TIME a = ((const MarkNote *)first)->place, b = ((const MarkNote *)second)->place;
    return a < b ? -1 : a > b;
}

// One line, without its line end: place, tab, the same place, tab, text.
static DWORD ParseLine(const char *line, size_t length, NoteList *list)
{
    const char *firstTab = (const char *)memchr(line, '\t', length);
    if (!firstTab)
        return kForeignNotesFile;
    size_t rest = length - (size_t)(firstTab + 1 - line);
    const char *secondTab = (const char *)memchr(firstTab + 1, '\t', rest);
    if (!secondTab)
        return kForeignNotesFile;
    REFERENCE_TIME start, end;
    const char *text = secondTab + 1;
    size_t textLength = length - (size_t)(text - line);
    if (!ParsePlace(line, (size_t)(firstTab - line), &start) ||
        !ParsePlace(firstTab + 1, (size_t)(secondTab - firstTab - 1), &end) || end != start ||
        !IsNoteText((const BYTE *)text, textLength))
        return kForeignNotesFile;
    if (textLength == 0)
        return ERROR_SUCCESS;
    if (!GrowNotes(list))
        return ERROR_NOT_ENOUGH_MEMORY;
    char *copy = CopyText(text, textLength);
    if (!copy)
        return ERROR_NOT_ENOUGH_MEMORY;
    list->notes[list->count].place = start;
    list->notes[list->count].text = copy;
    list->count++;
    return ERROR_SUCCESS;
}

DWORD ParseNotes(const char *bytes, size_t length, NoteList *list)
{
    ZeroMemory(list, sizeof(*list));
    size_t start = length >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    DWORD result = ERROR_SUCCESS;
    while (start < length && result == ERROR_SUCCESS) {
        const char *feed = (const char *)memchr(bytes + start, '\n', length - start);
        size_t end = feed ? (size_t)(feed - bytes) : length;
        size_t lineLength = end - start;
        if (feed && lineLength > 0 && bytes[end - 1] == '\r')
            lineLength--;
        result = lineLength ? ParseLine(bytes + start, lineLength, list) : kForeignNotesFile;
        start = end + 1;
    }
    if (result == ERROR_SUCCESS && list->count > 1) {
        qsort(list->notes, (size_t)list->count, sizeof(list->notes[0]), ByPlace);
        // Two notes at one place belong to one mark, which keeps one: the file is not this player's.
        for (int i = 1; i < list->count && result == ERROR_SUCCESS; i++)
            if (list->notes[i].place == list->notes[i - 1].place)
                result = kForeignNotesFile;
    }
    if (result != ERROR_SUCCESS)
        EmptyNotes(list);
    return result;
}

void FormatNotePlace(REFERENCE_TIME place, char *text)
{
    ULONGLONG units = place < 0 ? 0 - (ULONGLONG)place : (ULONGLONG)place;
    char digits[24];
    int count = 0;
    ULONGLONG rest = units;
    for (int i = 0; i < kDecimals; i++, rest /= 10)
        digits[count++] = (char)('0' + rest % 10);
    digits[count++] = '.';
    do {
        digits[count++] = (char)('0' + rest % 10);
        rest /= 10;
    } while (rest);
    if (place < 0)
        digits[count++] = '-';
    for (int i = 0; i < count; i++)
        text[i] = digits[count - 1 - i];
    text[count] = 0;
}

char *FormatNotes(const NoteList *list, size_t *length)
{
    size_t size = 1;
    for (int i = 0; i < list->count; i++)
        size += 2 * 24 + 3 + strlen(list->notes[i].text);
    char *file = (char *)malloc(size);
    if (!file)
        return NULL;
    size_t used = 0;
    for (int i = 0; i < list->count; i++) {
        char place[24];
        FormatNotePlace(list->notes[i].place, place);
        size_t placeLength = strlen(place), textLength = strlen(list->notes[i].text);
        memcpy(file + used, place, placeLength);
        file[used + placeLength] = '\t';
        memcpy(file + used + placeLength + 1, place, placeLength);
        used += 2 * placeLength + 1;
        file[used++] = '\t';
        memcpy(file + used, list->notes[i].text, textLength);
        used += textLength;
        file[used++] = '\n';
    }
    file[used] = 0;
    *length = used;
    return file;
}

static void RemoveNote(NoteList *list, int slot)
{
    free(list->notes[slot].text);
    memmove(&list->notes[slot], &list->notes[slot + 1], (size_t)(list->count - slot - 1) * sizeof(list->notes[0]));
    list->count--;
}

bool SetNote(NoteList *list, REFERENCE_TIME place, const char *text)
{
    int slot = 0;
    while (slot < list->count && list->notes[slot].place < place)
        slot++;
    bool found = slot < list->count && list->notes[slot].place == place;
    if (!*text) {
        if (found)
            RemoveNote(list, slot);
        return true;
    }
    char *copy = CopyText(text, strlen(text));
    if (!copy || (!found && !GrowNotes(list))) {
        free(copy);
        return false;
    }
    if (found) {
        free(list->notes[slot].text);
    } else {
        memmove(&list->notes[slot + 1], &list->notes[slot], (size_t)(list->count - slot) * sizeof(list->notes[0]));
        list->notes[slot].place = place;
        list->count++;
    }
    list->notes[slot].text = copy;
    return true;
}

bool DropNotesWithoutMarks(NoteList *list, const MarkList *marks)
{
    bool dropped = false;
    for (int i = list->count - 1; i >= 0; i--) {
        bool marked = false;
        for (int m = 0; m < marks->count && !marked; m++)
            marked = marks->marks[m] == list->notes[i].place;
        if (!marked) {
            RemoveNote(list, i);
            dropped = true;
        }
    }
    return dropped;
}

bool SameNotes(const NoteList *first, const NoteList *second)
{
    if (first->count != second->count)
        return false;
    for (int i = 0; i < first->count; i++)
        if (first->notes[i].place != second->notes[i].place || strcmp(first->notes[i].text, second->notes[i].text))
            return false;
    return true;
}

void EmptyNotes(NoteList *list)
{
    for (int i = 0; i < list->count; i++)
        free(list->notes[i].text);
    free(list->notes);
    ZeroMemory(list, sizeof(*list));
}

void MakeNoteOneLine(char *text)
{
    for (; *text; text++)
        if ((BYTE)*text < 0x20 || *text == 0x7F)
            *text = ' ';
}
