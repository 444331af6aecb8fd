// The keys window: every key, media key and mouse action with what it does, listed from the tables
// that dispatch them. It stays until it is closed; Escape closes it, as Close does.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"

static const int kMeaningTab = 90;   // dialog units from the left, where the meanings line up

INT_PTR CALLBACK KeysDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        char text[4096];
        FormatKeyList(text, sizeof(text));
        int tab = kMeaningTab;
        SendDlgItemMessageA(dialog, IDC_KEYS_LIST, EM_SETTABSTOPS, 1, (LPARAM)&tab);
        SetDlgItemTextA(dialog, IDC_KEYS_LIST, text);
        return TRUE;
    }
    if (message == WM_COMMAND && (wParam == IDCANCEL || wParam == IDOK)) {
        DestroyWindow(dialog);
        return TRUE;
    }
    if (message == WM_DESTROY)
        ghKeys = NULL;
    return FALSE;
}

// One keys window at a time: asked for again, the open one comes to the front.
void ShowKeys()
{
    if (!ghKeys)
        ghKeys = CreateDialogParamA(ghInst, MAKEINTRESOURCEA(IDD_KEYS), ghApp, KeysDlgProc, 0);
    if (ghKeys)
        SetForegroundWindow(ghKeys);
}
