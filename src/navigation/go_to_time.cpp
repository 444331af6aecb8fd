// Go to a time read from the user's notes: "h:mm:ss", "m:ss" or plain seconds, each with an
// optional tenth ("1:02:03.5"), blanks around allowed, typed into a small modal dialog; and the
// first time found in a piece of text, as the user selected it in the notes.
#include "app/player_state.h"
#include "app/commands.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"

// Longer than any clip: a time past it is not read, so that nothing below overflows.
static const ULONGLONG kLargestSeconds = 100000000000ULL;

// The time the dialog was answered with, sought once the dialog has gone.
static REFERENCE_TIME grtGoToTarget;

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a run of digits; false when there is none or it is absurdly long.
static bool ReadNumber(const char **text, ULONGLONG *value, int *digits)
{
    *value = 0;
    *digits = 0;
    for (; IsDigit(**text); (*text)++, (*digits)++) {
        if (*digits == 12)
            return false;
        *value = *value * 10 + (ULONGLONG)(**text - '0');
    }
    return *digits > 0;
}

bool ParseClipTime(const char *text, REFERENCE_TIME *time)
{
    while (IsBlank(*text))
        text++;
    ULONGLONG fields[3];
    int count = 0;
    for (;;) {
        int digits;
        if (!ReadNumber(&text, &fields[count], &digits))
            return false;
        // Minutes after hours, and seconds after minutes, are two digits below 60.
        if (count > 0 && (digits != 2 || fields[count] > 59))
            return false;
        count++;
        if (*text != ':' || count == 3)
            break;
        text++;
    }
    ULONGLONG tenths = 0;
    if (*text == '.') {
        text++;
        if (!IsDigit(*text))
            return false;
        tenths = (ULONGLONG)(*text++ - '0');
    }
    while (IsBlank(*text))
        text++;
    if (*text)
        return false;
    ULONGLONG seconds = 0;
    for (int i = 0; i < count; i++) {
        if (seconds > kLargestSeconds || fields[i] > kLargestSeconds)
            return false;
        seconds = seconds * 60 + fields[i];
    }
    if (seconds > kLargestSeconds)
        return false;
    *time = (REFERENCE_TIME)(seconds * 10000000 + tenths * 1000000);
    return true;
}

static bool IsDigitW(WCHAR c) { return c >= '0' && c <= '9'; }
static bool IsWordCharacter(WCHAR c)
{
    return IsDigitW(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// A ':' or '.' between two digits makes one number of them, a timecode or a version.
static bool JoinsDigits(const WCHAR *text, size_t length, size_t at)
{
    return at + 1 < length && (text[at] == ':' || text[at] == '.') && IsDigitW(text[at + 1]) && at > 0 &&
           IsDigitW(text[at - 1]);
}

// "m:ss" or "h:mm:ss" from the start of text, with any fraction kept to the 100 ns, standing apart
// from whatever follows it.
static bool ReadTimeAt(const WCHAR *text, size_t length, REFERENCE_TIME *time)
{
    size_t at = 0;
    ULONGLONG seconds = 0;
    int fields = 0;
    for (;;) {
        size_t start = at;
        ULONGLONG value = 0;
        for (; at < length && IsDigitW(text[at]); at++) {
            if (at - start == 12)
                return false;
            value = value * 10 + (ULONGLONG)(text[at] - '0');
        }
        if (fields > 0 && (at - start != 2 || value > 59))
            return false;
        seconds = seconds * 60 + value;
        fields++;
        if (fields == 3 || !JoinsDigits(text, length, at) || text[at] != ':')
            break;
        at++;
    }
    if (fields < 2 || seconds > kLargestSeconds)
        return false;
    ULONGLONG fraction = 0;
    if (JoinsDigits(text, length, at) && text[at] == '.') {
        at++;
        for (ULONGLONG unit = 1000000; at < length && IsDigitW(text[at]); at++, unit /= 10)
            fraction += unit * (ULONGLONG)(text[at] - '0');
    }
    if (at < length && (IsWordCharacter(text[at]) || JoinsDigits(text, length, at)))
        return false;
    *time = (REFERENCE_TIME)(seconds * 10000000 + fraction);
    return true;
}

bool FindTimeInText(const WCHAR *text, size_t length, REFERENCE_TIME *time)
{
    size_t end = 0;
    while (end < length && text[end])
        end++;
    for (size_t at = 0; at < end; at++) {
        bool apart = at == 0 || !(IsWordCharacter(text[at - 1]) || JoinsDigits(text, end, at - 1));
        if (apart && IsDigitW(text[at]) && ReadTimeAt(text + at, end - at, time))
            return true;
    }
    return false;
}

INT_PTR CALLBACK GoToTimeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        ghGoToTime = dialog;
        char place[32];
        FormatClipPlace(place, sizeof(place), CurrentPosition(), ClipDuration());
        SetDlgItemTextA(dialog, IDC_GO_TO_TIME, place);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    if (wParam == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    if (wParam != IDOK)
        return FALSE;
    char text[64];
    GetDlgItemTextA(dialog, IDC_GO_TO_TIME, text, sizeof(text));
    if (!ParseClipTime(text, &grtGoToTarget)) {
        SetDlgItemTextA(dialog, IDC_GO_TO_TIME_HINT, "Type a time such as 1:23:45, 12:05 or 90.5.");
        // Back in the field with its text selected, the next try simply types over it.
        SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, IDC_GO_TO_TIME), TRUE);
        return TRUE;
    }
    EndDialog(dialog, IDOK);
    return TRUE;
}

// One dialog at a time, and only over a clip. The seek waits until the dialog has gone: hiding it
// can hold the program up (Wine with no window manager waits 2 s for one), and a key pressed
// meanwhile must find the clip at the time typed, not played on from there to its end.
void GoToTime()
{
    if (!pMS || ghGoToTime)
        return;
    INT_PTR answer = DialogBoxParamA(ghInst, MAKEINTRESOURCEA(IDD_GO_TO_TIME), ghApp, GoToTimeDlgProc, 0);
    ghGoToTime = NULL;
    if (answer != IDOK)
        return;
    // As for the other jumps, the loop ends first; the seek holds the target inside the clip.
    CancelABLoop();
    SeekClip(grtGoToTarget, AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning);
}

// The dialog belongs to the clip it was opened on: when that clip goes, it goes too, seeking nothing.
void CloseGoToTime()
{
    if (ghGoToTime)
        EndDialog(ghGoToTime, IDCANCEL);
}
