// The note box: a one-line box over the top of the strip, with the keyboard focus, for the note of
// one mark. Enter keeps what it holds in the notes file, Escape leaves the note as it was; playback
// goes on meanwhile. Its keys are its own: the message loop hands them to the box's dialog manager
// before the player's tables could see them.
#include "app/player_state.h"
#include "app/commands.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "navigation/notes_file.h"
#include "presentation/presentation.h"

#include <stdlib.h>

// A note is up to this many characters, as the box counts them (UTF-16 units).
static const int kNoteCharacters = 1000;
// The box's height at 96 DPI: the strip's bars under it, the clip's time below it still in sight.
static const int kNoteBoxHeight = 24;

static REFERENCE_TIME grtNoteMark;   // the place of the mark whose note the box holds
static int giNoteBoxUnits;           // what the box was filled with, in UTF-16 units: a longer note
                                     // read from the file is given back whole

static void PlaceNoteBox(HWND box)
{
    RECT client;
    GetClientRect(ghApp, &client);
    int height = ScaleToDpi(kNoteBoxHeight);
    SetWindowPos(box, HWND_TOP, 0, 0, client.right, height, 0);
    SetWindowPos(GetDlgItem(box, IDC_NOTE_TEXT), NULL, 0, 0, client.right, height, SWP_NOZORDER);
}

// The mark's note in the box, the caret after it.
static void FillNoteBox(HWND box)
{
    const char *note = NoteOfMark(grtNoteMark);
    // No UTF-8 text has fewer bytes than UTF-16 units.
    int units = note ? lstrlenA(note) + 1 : 1;
    WCHAR *text = (WCHAR *)calloc((size_t)units, sizeof(WCHAR));
    if (text && note)
        MultiByteToWideChar(CP_UTF8, 0, note, -1, text, units);
    giNoteBoxUnits = text ? lstrlenW(text) : 0;
    SendDlgItemMessageA(box, IDC_NOTE_TEXT, EM_LIMITTEXT, (WPARAM)kNoteCharacters, 0);
    SetDlgItemTextW(box, IDC_NOTE_TEXT, text ? text : L"");
    free(text);
    SetFocus(GetDlgItem(box, IDC_NOTE_TEXT));
    SendDlgItemMessageA(box, IDC_NOTE_TEXT, EM_SETSEL, (WPARAM)giNoteBoxUnits, (LPARAM)giNoteBoxUnits);
}

// What the box holds, in UTF-8 made one line, kept as the mark's note; an empty box removes it.
static void KeepNoteBox(HWND box)
{
    int units = (giNoteBoxUnits > kNoteCharacters ? giNoteBoxUnits : kNoteCharacters) + 1;
    WCHAR *wide = (WCHAR *)calloc((size_t)units, sizeof(WCHAR));
    char *text = (char *)calloc((size_t)units, 3);
    if (wide && text) {
        GetDlgItemTextW(box, IDC_NOTE_TEXT, wide, units);
        if (WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, units * 3, NULL, NULL) > 0) {
            MakeNoteOneLine(text);
            CloseNoteBox();
            KeepNoteOfMark(grtNoteMark, text);
        }
    }
    free(wide);
    free(text);
}

static INT_PTR CALLBACK NoteBoxDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        ghNoteBox = dialog;
        PlaceNoteBox(dialog);
        FillNoteBox(dialog);
        return FALSE;
    }
    if (message == WM_COMMAND && wParam == IDOK) {
        KeepNoteBox(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == IDCANCEL) {
        CloseNoteBox();
        return TRUE;
    }
    if (message == WM_DESTROY)
        ghNoteBox = NULL;
    return FALSE;
}

// One box at a time: a box open for another mark gives way, its text not kept. The box is seen
// only in a window, so full screen is left first.
void EditNoteOfMark(REFERENCE_TIME place)
{
    if (!pMS)
        return;
    int slot = 0;
    while (slot < gnBookmarks && gBookmarks[slot] != place)
        slot++;
    if (slot == gnBookmarks)
        return;
    CloseNoteBox();
    if (gbFullScreen)
        ToggleFullScreen();
    grtNoteMark = place;
    CreateDialogParamW(ghInst, MAKEINTRESOURCEW(IDD_NOTE_BOX), ghApp, NoteBoxDlgProc, 0);
}

void AddMarkWithNote()
{
    REFERENCE_TIME place;
    if (AddBookmarkAt(&place))
        EditNoteOfMark(place);
}

// The box belongs to its clip and goes with it; the keys are the player's again.
void CloseNoteBox()
{
    if (!ghNoteBox)
        return;
    DestroyWindow(ghNoteBox);
    ghNoteBox = NULL;
    SetFocus(ghApp);
}
