// The lengths of the jumps, the user's own: Left and Right, F7 and F8 and the side pedals' step, set
// in seconds with a tenth in the Skips dialog and kept for the user in tenths (REG_DWORD).
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "navigation/navigation.h"

#include <stdio.h>

struct SkipSetting {
    const char *value;   // the user's value
    int standard;        // tenths, until the user sets another
    int field;           // its field in the dialog
};

static const SkipSetting kSkips[SKIP_LENGTHS] = {
    { "skipback",         90,  IDC_SKIP_BACK },
    { "skipforward",      300, IDC_SKIP_FORWARD },
    { "skipotherback",    50,  IDC_SKIP_OTHER_BACK },
    { "skipotherforward", 50,  IDC_SKIP_OTHER_FORWARD },
    { "pedalstep",        10,  IDC_PEDAL_STEP },
};

static const int kShortestTenths = 1;      // 0.1 s
static const int kLongestTenths = 6000;    // 600 s

static bool InRange(REFERENCE_TIME tenths)
{
    return tenths >= kShortestTenths && tenths <= kLongestTenths;
}

// A value missing, of another type or out of range is the standard length.
void LoadSkipLengths()
{
    for (int i = 0; i < SKIP_LENGTHS; i++) {
        DWORD tenths = ReadUserSetting(kSkips[i].value);
        giSkipTenths[i] = InRange(tenths) ? (int)tenths : kSkips[i].standard;
    }
}

REFERENCE_TIME SkipTime(SkipLength which)
{
    return giSkipTenths[which] * 1000000LL;
}

// "9" for whole seconds, else "2.5".
void FormatSkipLength(char *text, size_t size, SkipLength which)
{
    int tenths = giSkipTenths[which];
    if (tenths % 10)
        _snprintf(text, size - 1, "%d.%d", tenths / 10, tenths % 10);
    else
        _snprintf(text, size - 1, "%d", tenths / 10);
    text[size - 1] = 0;
}

// Seconds with at most a tenth, as a time is typed for Go to time; false outside 0.1 s to 600 s.
bool ParseSkipLength(const char *text, int *tenths)
{
    REFERENCE_TIME time;
    if (!ParseClipTime(text, &time) || !InRange(time / 1000000))
        return false;
    *tenths = (int)(time / 1000000);
    return true;
}

// All five are read before any is kept: one the dialog refuses keeps it open, with every length as it was.
static bool KeepSkips(HWND dialog)
{
    int tenths[SKIP_LENGTHS];
    for (int i = 0; i < SKIP_LENGTHS; i++) {
        char text[64];
        GetDlgItemTextA(dialog, kSkips[i].field, text, sizeof(text));
        if (!ParseSkipLength(text, &tenths[i])) {
            SetDlgItemTextA(dialog, IDC_SKIPS_HINT, "Type seconds from 0.1 to 600, such as 2.5.");
            // Back in the field with its text selected, the next try simply types over it.
            SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, kSkips[i].field), TRUE);
            return false;
        }
    }
    for (int i = 0; i < SKIP_LENGTHS; i++) {
        giSkipTenths[i] = tenths[i];
        WriteUserSetting(kSkips[i].value, (DWORD)tenths[i]);
    }
    return true;
}

INT_PTR CALLBACK SkipsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        for (int i = 0; i < SKIP_LENGTHS; i++) {
            char text[16];
            FormatSkipLength(text, sizeof(text), (SkipLength)i);
            SetDlgItemTextA(dialog, kSkips[i].field, text);
        }
        return TRUE;
    }
    if (message != WM_COMMAND || (wParam != IDOK && wParam != IDCANCEL))
        return FALSE;
    if (wParam == IDCANCEL || KeepSkips(dialog))
        EndDialog(dialog, (INT_PTR)wParam);
    return TRUE;
}

void ShowSkips()
{
    if (DialogBoxParamA(ghInst, MAKEINTRESOURCEA(IDD_SKIPS), ghApp, SkipsDlgProc, 0) == IDOK)
        RefreshKeys();
}
