// The keys window: every key, media key and mouse action with what it does, listed from the tables
// that dispatch them. It stays until it is closed; Escape closes it, as Close does.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"

static const int kMeaningTab = 90;   // dialog units from the left, where the meanings line up

static void FillKeyList(HWND dialog)
{
    char text[8192];
    FormatKeyList(text, sizeof(text));
    SetDlgItemTextA(dialog, IDC_KEYS_LIST, text);
}

// An open keys window says the lengths of the jumps as they are now.
void RefreshKeys()
{
    if (ghKeys)
        FillKeyList(ghKeys);
}

INT_PTR CALLBACK KeysDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        int tab = kMeaningTab;
        SendDlgItemMessageA(dialog, IDC_KEYS_LIST, EM_SETTABSTOPS, 1, (LPARAM)&tab);
        FillKeyList(dialog);
        // The list opens at its top with nothing selected: the dialog manager's own first focus
        // would select all of it and scroll to its end.
        SetFocus(GetDlgItem(dialog, IDC_KEYS_LIST));
        return FALSE;
    }
    if (message == WM_COMMAND && (wParam == IDCANCEL || wParam == IDOK)) {
        DestroyWindow(dialog);
        return TRUE;
    }
    if (message == WM_DESTROY)
        ghKeys = NULL;
    return FALSE;
}

// In front of every window. Over the full-screen video, which may be topmost, it is topmost while the
// video is, made so afresh: a window that is topmost already is not restacked, and Wine then leaves
// it under a full-screen window shown after it. In a window it stays an ordinary one, never above
// the user's other programs for good.
void BringForward(HWND window, UINT activation)
{
    if (!gbFullScreen) {
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | activation);
        return;
    }
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | activation);
}

// One keys window at a time: asked for again, the open one comes to the front.
void ShowKeys()
{
    if (!ghKeys)
        ghKeys = CreateDialogParamW(ghInst, MAKEINTRESOURCEW(IDD_KEYS), ghApp, KeysDlgProc, 0);
    if (!ghKeys)
        return;
    BringForward(ghKeys, 0);
    SetForegroundWindow(ghKeys);
}
