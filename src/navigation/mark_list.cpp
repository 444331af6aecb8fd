// The list of marks: a modeless window over the clip with a row for each mark (number, time, note).
// Enter jumps to the selected mark and keeps the list open, Delete deletes it, letters find a note,
// Escape closes. It follows every change of the marks and goes with its clip; its place and size
// are kept for the user.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"

// The user's values beside the Control menu's: the outer rectangle's left and top in screen pixels,
// and its width and height at 96 DPI, so that the list keeps its proportions on any screen.
static const char kLeftValue[] = "marklistleft";
static const char kTopValue[] = "marklisttop";
static const char kWidthValue[] = "marklistwidth";     // 0 or none: never placed by the user
static const char kHeightValue[] = "marklistheight";

// The list no smaller than this, at 96 DPI.
static const int kSmallestWidth = 160;
static const int kSmallestHeight = 100;

// The columns' tab stops, in dialog units: after the number, after the time.
static const int kTabStops[] = { 24, 66 };

// The mark selected, by row and place: the marks have changed by the time the rows are rebuilt.
static int giSelectedRow = -1;
static REFERENCE_TIME grtSelectedMark;
static TypedSearch gTyped;

static HWND MarkListBox() { return GetDlgItem(ghMarkList, IDC_MARK_LIST); }

static void SelectRow(int row)
{
    SendDlgItemMessageA(ghMarkList, IDC_MARK_LIST, LB_SETCURSEL, (WPARAM)row, 0);
    giSelectedRow = row;
    grtSelectedMark = row >= 0 ? gBookmarks[row] : 0;
}

static void FillRows(int selected)
{
    REFERENCE_TIME duration = ClipDuration();
    LRESULT top = SendDlgItemMessageA(ghMarkList, IDC_MARK_LIST, LB_GETTOPINDEX, 0, 0);
    SendDlgItemMessageA(ghMarkList, IDC_MARK_LIST, WM_SETREDRAW, FALSE, 0);
    SendDlgItemMessageA(ghMarkList, IDC_MARK_LIST, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < gnBookmarks; i++) {
        WCHAR row[MAX_MARK_ROW];
        FormatMarkRow(row, MAX_MARK_ROW, i, gBookmarks[i], duration, NoteOfMark(gBookmarks[i]));
        SendDlgItemMessageW(ghMarkList, IDC_MARK_LIST, LB_ADDSTRING, 0, (LPARAM)row);
    }
    if (top > 0)
        SendDlgItemMessageA(ghMarkList, IDC_MARK_LIST, LB_SETTOPINDEX, (WPARAM)top, 0);
    SelectRow(selected);
    SendDlgItemMessageA(ghMarkList, IDC_MARK_LIST, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(MarkListBox(), NULL, TRUE);
}

void RefreshMarkList()
{
    if (ghMarkList)
        FillRows(RowToKeep(gBookmarks, gnBookmarks, grtSelectedMark, giSelectedRow));
}

static int CurrentRow()
{
    int row = (int)SendDlgItemMessageA(ghMarkList, IDC_MARK_LIST, LB_GETCURSEL, 0, 0);
    return row >= 0 && row < gnBookmarks ? row : -1;
}

// As the mark jumps seek.
static void JumpToSelectedMark()
{
    int row = CurrentRow();
    if (row >= 0 && pMC && pMS)
        SeekToKeyFrame(gBookmarks[row]);
}

static void DeleteSelectedMark()
{
    int row = CurrentRow();
    if (row >= 0)
        DeleteBookmarkAt(gBookmarks[row]);
}

// A character as the Unicode message loop gives it; half a surrogate pair finds nothing.
static void FindTypedMark(WPARAM character)
{
    if (IS_HIGH_SURROGATE(character) || IS_LOW_SURROGATE(character))
        return;
    int row = TypeToFindMark(&gTyped, (WCHAR)character, GetTickCount(), CurrentRow());
    if (row >= 0)
        SelectRow(row);
}

static void EditSelectedNote()
{
    int row = CurrentRow();
    if (row >= 0)
        EditNoteOfMark(gBookmarks[row]);
}

bool IsMarkListMessage(MSG *msg)
{
    if (msg->hwnd == MarkListBox()) {
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE) {
            DeleteSelectedMark();
            return true;
        }
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_F2) {
            EditSelectedNote();
            return true;
        }
        if (msg->message == WM_CHAR && msg->wParam == 'e') {
            EditSelectedNote();
            return true;
        }
        if (msg->message == WM_CHAR && msg->wParam >= 0x20 && msg->wParam != 0x7F) {
            FindTypedMark(msg->wParam);
            return true;
        }
    }
    return IsDialogMessageW(ghMarkList, msg) != FALSE;
}

static void FitListToWindow()
{
    RECT client;
    GetClientRect(ghMarkList, &client);
    SetWindowPos(MarkListBox(), NULL, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The system suggests the rectangle for the new screen; its dialog manager then scales the font.
static void TakeSuggestedRect(const RECT *suggested)
{
    SetWindowPos(ghMarkList, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

static bool RunMarkListCommand(WPARAM command)
{
    if (command == IDOK || command == MAKEWPARAM(IDC_MARK_LIST, LBN_DBLCLK))
        JumpToSelectedMark();
    else if (command == IDCANCEL)
        DestroyWindow(ghMarkList);
    else if (command == MAKEWPARAM(IDC_MARK_LIST, LBN_SELCHANGE))
        SelectRow(CurrentRow());
    else
        return false;
    return true;
}

static void SetSmallestSize(HWND dialog, MINMAXINFO *info)
{
    UINT dpi = WindowDpi(dialog);
    info->ptMinTrackSize.x = MulDiv(kSmallestWidth, (int)dpi, 96);
    info->ptMinTrackSize.y = MulDiv(kSmallestHeight, (int)dpi, 96);
}

static void SavePlace()
{
    RECT rect;
    if (!GetWindowRect(ghMarkList, &rect))
        return;
    UINT dpi = WindowDpi(ghMarkList);
    WriteUserSetting(kLeftValue, (DWORD)rect.left);
    WriteUserSetting(kTopValue, (DWORD)rect.top);
    WriteUserSetting(kWidthValue, (DWORD)MulDiv(rect.right - rect.left, 96, (int)dpi));
    WriteUserSetting(kHeightValue, (DWORD)MulDiv(rect.bottom - rect.top, 96, (int)dpi));
}

// Where the user left it, at the DPI of the screen it comes back to; the first time, beside the
// main window. Either way wholly on a screen.
static void PlaceMarkList()
{
    RECT rect;
    GetWindowRect(ghMarkList, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    int savedWidth = (int)ReadUserSetting(kWidthValue);
    int savedHeight = (int)ReadUserSetting(kHeightValue);
    if (savedWidth > 0 && savedHeight > 0) {
        rect.left = (LONG)ReadUserSetting(kLeftValue);
        rect.top = (LONG)ReadUserSetting(kTopValue);
    } else {
        RECT main;
        GetWindowRect(ghApp, &main);
        rect.left = main.right;
        rect.top = main.top;
    }
    SetWindowPos(ghMarkList, NULL, rect.left, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (savedWidth > 0 && savedHeight > 0) {
        UINT dpi = WindowDpi(ghMarkList);
        width = MulDiv(savedWidth < kSmallestWidth ? kSmallestWidth : savedWidth, (int)dpi, 96);
        height = MulDiv(savedHeight < kSmallestHeight ? kSmallestHeight : savedHeight, (int)dpi, 96);
    }
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    MONITORINFO monitor;
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor))
        KeepOnScreen(&rect, &monitor.rcWork);
    SetWindowPos(ghMarkList, NULL, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK MarkListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        ghMarkList = dialog;
        SendDlgItemMessageA(dialog, IDC_MARK_LIST, LB_SETTABSTOPS, 2, (LPARAM)kTabStops);
        FitListToWindow();
        FillRows(MarkAtOrBefore(gBookmarks, gnBookmarks, CurrentPosition()));
        SetFocus(MarkListBox());
        return FALSE;
    case WM_COMMAND:       return RunMarkListCommand(wParam);
    case WM_SIZE:          if (ghMarkList) FitListToWindow(); return TRUE;
    case WM_GETMINMAXINFO: SetSmallestSize(dialog, (MINMAXINFO *)lParam); return TRUE;
    case WM_DPICHANGED:    TakeSuggestedRect((const RECT *)lParam); return FALSE;
    case WM_DESTROY:       SavePlace(); ghMarkList = NULL; giSelectedRow = -1; return FALSE;
    default:               return FALSE;
    }
}

// One list at a time, and only over a clip: asked for again, it comes forward on the current mark.
void ShowMarkList()
{
    if (!pMS)
        return;
    if (ghMarkList) {
        SelectRow(MarkAtOrBefore(gBookmarks, gnBookmarks, CurrentPosition()));
    } else {
        // A window of Unicode controls, so that notes in any script show on every Windows.
        CreateDialogParamW(ghInst, MAKEINTRESOURCEW(IDD_MARK_LIST), ghApp, MarkListDlgProc, 0);
        if (!ghMarkList)
            return;
        PlaceMarkList();
        ShowWindow(ghMarkList, SW_SHOW);
    }
    BringForward(ghMarkList, 0);
    SetForegroundWindow(ghMarkList);
    SetFocus(MarkListBox());
}

// The list belongs to the clip it shows.
void CloseMarkList()
{
    if (ghMarkList)
        DestroyWindow(ghMarkList);
}
