// What the list of marks shows and chooses, apart from its window: a row's text, the row it opens
// on and keeps through a change, the row that typing finds, and a place on the screen.
#include "app/player_state.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"

// Typing that pauses longer than this starts a new search, as a list's own typing does.
static const DWORD kTypingPauseMs = 1000;

// The text's first characters that take at most `bytes` bytes, in UTF-16; the units written. Each
// byte gives at most one unit, so `wide` needs room for `bytes` units and the terminator.
static int WidePrefix(const char *text, int bytes, WCHAR *wide)
{
    char prefix[MAX_MARK_ROW];
    int length = (int)strlen(text);
    if (length > bytes)
        length = bytes;
    if (length > MAX_MARK_ROW - 1)
        length = MAX_MARK_ROW - 1;
    // Cut before a character's continuation bytes, never through them.
    if (text[length] != 0)
        while (length > 0 && ((BYTE)text[length] & 0xC0) == 0x80)
            length--;
    memcpy(prefix, text, (size_t)length);
    prefix[length] = 0;
    wide[0] = 0;
    int units = length ? MultiByteToWideChar(CP_UTF8, 0, prefix, -1, wide, length + 1) : 1;
    return units > 0 ? units - 1 : 0;
}

void FormatMarkRow(WCHAR *row, int size, int index, REFERENCE_TIME place, REFERENCE_TIME duration, const char *note)
{
    char time[32];
    char head[64];
    FormatClipPlace(time, sizeof(time), place, duration);
    int length = _snprintf(head, sizeof(head), "%d\t%s\t", index + 1, time);
    if (length < 0 || length >= size) {
        row[0] = 0;
        return;
    }
    for (int i = 0; i < length; i++)
        row[i] = (WCHAR)(BYTE)head[i];
    WCHAR *text = row + length;
    // A note longer than the row is cut to what fits.
    int units = WidePrefix(note ? note : "", size - length - 1, text);
    text[units] = 0;
    // A tab or a line break in a note would break the row's columns.
    for (int i = 0; i < units; i++)
        if (text[i] < 0x20)
            text[i] = ' ';
}

int MarkAtOrBefore(const REFERENCE_TIME *marks, int count, REFERENCE_TIME place)
{
    int best = -1;
    for (int i = 0; i < count; i++)
        if (marks[i] <= place && (best < 0 || marks[i] >= marks[best]))
            best = i;
    // Before every mark, the first is the nearest.
    return best < 0 && count > 0 ? 0 : best;
}

int RowToKeep(const REFERENCE_TIME *marks, int count, REFERENCE_TIME selectedPlace, int selectedRow)
{
    if (count == 0)
        return -1;
    if (selectedRow >= 0 && selectedRow < count && marks[selectedRow] == selectedPlace)
        return selectedRow;
    for (int i = 0; i < count; i++)
        if (marks[i] == selectedPlace)
            return i;
    // The selected mark went: the row that took its place, or the last.
    if (selectedRow < 0)
        return 0;
    return selectedRow < count ? selectedRow : count - 1;
}

// True when the note, in UTF-8, starts with the typed text, whatever the case of either. A UTF-16
// unit takes at most three bytes, so that many bytes of the note hold all of its start.
static bool NoteStartsWith(const char *note, const WCHAR *typed, int typedLength)
{
    if (!note)
        return false;
    WCHAR start[3 * MAX_TYPED_SEARCH + 1];
    if (WidePrefix(note, 3 * typedLength, start) < typedLength)
        return false;
    WCHAR wanted[MAX_TYPED_SEARCH];
    memcpy(wanted, typed, (size_t)typedLength * sizeof(WCHAR));
    CharLowerBuffW(start, (DWORD)typedLength);
    CharLowerBuffW(wanted, (DWORD)typedLength);
    return memcmp(start, wanted, (size_t)typedLength * sizeof(WCHAR)) == 0;
}

// The first row from `start` on, round to the rows before it, whose note starts with the text.
static int FindNote(int start, const WCHAR *typed, int typedLength)
{
    for (int i = 0; i < gnBookmarks; i++) {
        int row = (start + i) % gnBookmarks;
        if (NoteStartsWith(NoteOfMark(gBookmarks[row]), typed, typedLength))
            return row;
    }
    return -1;
}

static bool AllSame(const WCHAR *text, int length)
{
    for (int i = 1; i < length; i++)
        if (text[i] != text[0])
            return false;
    return true;
}

int TypeToFindMark(TypedSearch *search, WCHAR typed, DWORD now, int selected)
{
    if (search->length == 0 || now - search->lastTyped > kTypingPauseMs)
        search->length = 0;
    search->lastTyped = now;
    if (search->length < MAX_TYPED_SEARCH)
        search->text[search->length++] = typed;
    if (gnBookmarks == 0)
        return -1;
    // A new search, or one letter typed over and over, moves on from the selected row; more
    // letters of a word keep the selected row while it still matches. With none selected, both
    // start at the top.
    if (AllSame(search->text, search->length))
        return FindNote(selected < 0 ? 0 : (selected + 1) % gnBookmarks, search->text, 1);
    return FindNote(selected < 0 ? 0 : selected, search->text, search->length);
}

void KeepOnScreen(RECT *window, const RECT *work)
{
    LONG width = window->right - window->left;
    LONG height = window->bottom - window->top;
    if (width > work->right - work->left)
        width = work->right - work->left;
    if (height > work->bottom - work->top)
        height = work->bottom - work->top;
    LONG left = window->left;
    LONG top = window->top;
    if (left + width > work->right)
        left = work->right - width;
    if (top + height > work->bottom)
        top = work->bottom - height;
    if (left < work->left)
        left = work->left;
    if (top < work->top)
        top = work->top;
    window->left = left;
    window->top = top;
    window->right = left + width;
    window->bottom = top + height;
}
