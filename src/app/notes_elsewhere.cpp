// Notes taken in another program while Control from other programs is on: F10 types the current
// place where the user types, and F11 goes to the time the user has selected there.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <string.h>

static const int kTypedCharacters = 40;
static const DWORD kCopyPatienceMs = 1000;

// The hot keys reach the player whichever window is in front. In its own windows (the main window,
// its dialogs, the full-screen video) the typed time would come back as keys, and a copy as Ctrl+C.
static bool AnotherProgramInFront()
{
    HWND front = GetForegroundWindow();
    DWORD process = 0;
    return front && GetWindowThreadProcessId(front, &process) && process != GetCurrentProcessId();
}

void FormatTypedPlace(char *text, size_t size, REFERENCE_TIME position, REFERENCE_TIME duration)
{
    char place[32];
    FormatClipPlace(place, sizeof(place), position, duration);
    _snprintf(text, size, "[%s] ", place);
    text[size - 1] = 0;
}

static void KeyEvent(INPUT *input, WORD key, WORD character, DWORD flags)
{
    memset(input, 0, sizeof(*input));
    input->type = INPUT_KEYBOARD;
    input->ki.wVk = key;
    input->ki.wScan = character;
    input->ki.dwFlags = flags;
}

// Unicode key events, as an input method types: the characters arrive as they are, whatever the
// keyboard's layout, and the clipboard is left alone. One call, so that no key of the user's falls between.
void TypeCurrentPlace()
{
    if (!pMS || !AnotherProgramInFront())
        return;
    char text[kTypedCharacters];
    FormatTypedPlace(text, sizeof(text), CurrentPosition(), ClipDuration());
    INPUT inputs[2 * kTypedCharacters];
    UINT count = 0;
    for (const char *c = text; *c; c++) {
        KeyEvent(&inputs[count++], 0, (WORD)*c, KEYEVENTF_UNICODE);
        KeyEvent(&inputs[count++], 0, (WORD)*c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
    }
    if (SendInput(count, inputs, sizeof(INPUT)) != count)
        ReportMessage("The time could not be typed: the program in front takes no input from the player.\r\n");
}

// The hot key fires only with no modifier held, so Ctrl+C goes out as it is.
static bool PressCopy()
{
    INPUT inputs[4];
    KeyEvent(&inputs[0], VK_CONTROL, 0, 0);
    KeyEvent(&inputs[1], 'C', 0, 0);
    KeyEvent(&inputs[2], 'C', 0, KEYEVENTF_KEYUP);
    KeyEvent(&inputs[3], VK_CONTROL, 0, KEYEVENTF_KEYUP);
    return SendInput(4, inputs, sizeof(INPUT)) == 4;
}

// A program with nothing selected copies nothing, and the clipboard stays as it is.
static bool WaitForCopy(DWORD before)
{
    DWORD start = GetTickCount();
    while (GetClipboardSequenceNumber() == before) {
        if (GetTickCount() - start >= kCopyPatienceMs)
            return false;
        Sleep(10);
    }
    return true;
}

// No time in the selection moves nothing and says nothing; as for Go to time, a loop ends first.
void GoToSelectedTime()
{
    if (!pMS || !AnotherProgramInFront())
        return;
    SavedClipboard saved;
    if (!SaveClipboard(&saved))
        return;
    DWORD before = GetClipboardSequenceNumber();
    if (!PressCopy()) {
        FreeSavedClipboard(&saved);
        ReportMessage("The selected time could not be read: the program in front takes no input from the player.\r\n");
        return;
    }
    REFERENCE_TIME time;
    if (!WaitForCopy(before)) {
        FreeSavedClipboard(&saved);
        return;
    }
    if (!ReadTimeAndRestoreClipboard(&saved, &time))
        return;
    CancelABLoop();
    SeekClip(time, AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning);
}
