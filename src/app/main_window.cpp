// The main window procedure: every key, character and menu command is looked up in a table here.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <shellapi.h>

static void EnterOrLeaveFullScreen() { ToggleFullScreen(); }
static void CloseCurrentClip()       { CloseClip(); }
static void MuteOrUnmute()           { ToggleMute(); }
static void ZoomOneStep()            { ZoomVideo(5); }

// Escape leaves full screen first; only a windowed Escape closes the clip.
static void EscapeKey()
{
    if (gbFullScreen)
        ToggleFullScreen();
    else
        CloseClip();
}

static void SizeNormal()       { SizeVideoWindow(1, 1); CheckSizeItem(IDM_SIZE_NORMAL); }
static void SizeHalf()         { SizeVideoWindow(1, 2); CheckSizeItem(IDM_SIZE_HALF); }
static void SizeDouble()       { SizeVideoWindow(2, 1); CheckSizeItem(IDM_SIZE_DOUBLE); }
static void SizeThreeQuarter() { SizeVideoWindow(3, 4); CheckSizeItem(IDM_SIZE_THREE_QUARTER); }

// The start-up record's place belongs to the first open alone, whatever becomes of it.
static void OpenCommand()
{
    REFERENCE_TIME resume = grtResume;
    grtResume = 0;
    OpenClip(NULL, resume);
}

// Exit takes the close box's road, so that both let go of the same things: WM_CLOSE closes the
// clip, the default closing then destroys the window, and WM_DESTROY lets go of the hot keys and the
// pedals and ends the loop.
static void ExitCommand() { SendMessageA(ghApp, WM_CLOSE, 0, 0); }

static void CloseForExit()
{
    CancelABLoop();
    CloseClip();
}

// A dropped file opens as the Open command opens a chosen one; a folder, or nothing usable, does
// nothing. A path too long for the player is said: the shell would cut it, perhaps to another file.
static void OpenDroppedFile(HDROP drop)
{
    char path[PATH_BYTES];
    UINT length = DragQueryFileA(drop, 0, NULL, 0);
    bool fits = length > 0 && length < PATH_BYTES && DragQueryFileA(drop, 0, path, PATH_BYTES) == length;
    DragFinish(drop);
    if (length >= PATH_BYTES)
        ReportMessage("The dropped file could not be opened: its path is longer than %d characters.\r\n", MAX_PATH - 1);
    DWORD attributes = fits ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    OpenClip(path, 0);
}

static void RewindOff()   { SetRewindSeconds(0); }
static void RewindOne()   { SetRewindSeconds(1); }
static void RewindTwo()   { SetRewindSeconds(2); }
static void RewindThree() { SetRewindSeconds(3); }
static void RewindFive()  { SetRewindSeconds(5); }

static void LoopForever()    { SetLoopCount(0); }
static void LoopTwice()      { SetLoopCount(2); }
static void LoopThreeTimes() { SetLoopCount(3); }
static void LoopFiveTimes()  { SetLoopCount(5); }
static void NoLoopGap()      { SetLoopGap(0); }
static void LoopGapOne()     { SetLoopGap(1); }
static void LoopGapTwo()     { SetLoopGap(2); }

static void HearBothSides() { SetSideHeard(0); }
static void HearLeftSide()  { SetSideHeard(1); }
static void HearRightSide() { SetSideHeard(2); }

static void AboutCommand()
{
    DialogBoxParamA(ghInst, MAKEINTRESOURCEA(IDD_ABOUT), ghApp, AboutDlgProc, 0);
}

// One table per kind of input: the window procedure dispatches from it and the keys window lists
// it, so the two cannot drift apart. An entry without a name is listed with the one before it.
struct Binding {
    UINT code;           // virtual key, character or command id
    bool cancelsLoop;    // CancelABLoop runs before the action
    void (*action)();
    const char *name;    // as the keys window shows the input
    const char *meaning; // what it does, for the keys window
};

static const Binding kKeys[] = {
    { VK_RETURN, false, EnterOrLeaveFullScreen, "Enter", "full screen on and off" },
    { VK_ESCAPE, false, EscapeKey, "Escape", "leave full screen; in a window, close the clip" },
    { VK_SPACE,  false, ToggleStatusBar, "Space", "show or hide the status overlay" },
    { VK_PRIOR,  false, AddBookmark, "Page Up, b", "add a bookmark at the current place" },
    { VK_NEXT,   true,  SkipFarForward, "Page Down", "forward 100 s" },
    { VK_END,    false, JumpNextBookmark, "End", "next bookmark" },
    { VK_HOME,   false, JumpPreviousBookmark, "Home", "previous bookmark (0.8 s back or more, else the start)" },
    { VK_LEFT,   true,  SkipBack, "Left", "back %s s" },
    { VK_UP,     true,  PreviousClip, "Up", "previous clip of the folder" },
    { VK_RIGHT,  true,  SkipForward, "Right", "forward %s s" },
    { VK_DOWN,   true,  NextClip, "Down", "next clip of the folder" },
    { VK_INSERT, false, MarkABPoint, "Insert", "A-B loop: mark A, mark B and loop, end the loop" },
    { VK_DELETE, false, DeleteNextBookmark, "Delete", "delete the next bookmark" },
    { VK_F1,     false, ShowKeys, "F1", "this list of keys" },
    { VK_F12,    true,  CloseCurrentClip, "F12", "close the clip" },
};

// Looked up first while Ctrl is held, so that Ctrl+Right is not also Right's jump; any other key
// with Ctrl does what it does without.
static const Binding kControlKeys[] = {
    { VK_RIGHT, true, NextWords, "Ctrl+Right", "next words: where speech starts after 0.5 s of silence, 0.2 s early" },
    { VK_LEFT,  true, PreviousWords, "Ctrl+Left", "previous words: where the speech before began (0.8 s back or more), 0.2 s early" },
};

// Letters are lower case only; a control letter comes as its code (Ctrl+C as 3). The digits seek
// to tenths and are handled apart.
static const Binding kCharacters[] = {
    { 0x03, false, CopyTime, "Ctrl+C", "copy the current time, for notes" },
    { 0x05, false, ExportMarks, "Ctrl+E", "export the marks as SubRip, WebVTT, Audacity labels or CSV" },
    { 0x07, false, GoToTime, "Ctrl+G", "go to a time (h:mm:ss, m:ss or seconds)" },
    { 0x08, false, NormalRate, "Backspace", "playback rate back to 100 %" },
    { '*', false, RateUp, "*", "playback rate up by 1 % (the voice keeps its pitch)" },
    { '+', false, VolumeUp, "+ or =", "volume up (other players duck)" },
    { '=', false, VolumeUp, NULL, NULL },
    { '-', false, VolumeDown, "- or _", "volume down" },
    { '_', false, VolumeDown, NULL, NULL },
    { '/', false, RateDown, "/", "playback rate down by 1 %" },
    { '[', false, RateDownTen, "[", "playback rate down by 10 points (25 % at the least)" },
    { ']', false, RateUpTen, "]", "playback rate up by 10 points (400 % at the most)" },
    { 'b', false, AddBookmark, "b", "add a bookmark at the current place" },
    { 'd', false, SizeDouble, "d", "double size" },
    { 'e', false, AddMarkWithNote, "e", "add a mark and type its note (Enter keeps it, Escape leaves it)" },
    { 'f', false, AddFavourite, "f", "remember clip and place as a favourite (this run only)" },
    { 'h', false, SizeHalf, "h", "half size" },
    { 'l', false, ShowMarkList, "l", "the list of marks: Enter jumps there, Delete deletes, letters find a note, Escape closes" },
    { 'm', false, MuteOrUnmute, "m", "mute and unmute" },
    { 'n', false, SizeNormal, "n", "normal size" },
    { 'p', false, PausePlay, "p", "pause and play" },
    { 's', false, StopClip, "s", "stop and rewind to the first frame" },
    { 't', false, SizeThreeQuarter, "t", "three-quarter size" },
    { 'v', false, ToggleLevelling, "v", "level the voices: quiet speakers up, loud ones down (on and off)" },
    { 'z', false, ZoomOneStep, "z", "zoom the video by 10 % more" },
};

// Inputs that no table dispatches: the digits and the mouse.
static const char *const kOtherInputs[][2] = {
    { "0 to 9", "jump to that tenth of the clip" },
    { "Click on the bar", "jump there" },
    { "Mouse wheel", "volume up and down, a step for each notch" },
    { "Drop a file", "open it" },
};

static const Binding kCommands[] = {
    { IDM_OPEN_CLIP,          false, OpenCommand, NULL, NULL },
    { IDM_EXIT,               false, ExitCommand, NULL, NULL },
    { IDM_PAUSE_PLAY,         false, PausePlay, NULL, NULL },
    { IDM_STOP,               true,  StopClip, NULL, NULL },
    { IDM_CLOSE_CLIP,         true,  CloseCurrentClip, NULL, NULL },
    { IDM_MUTE,               false, MuteOrUnmute, NULL, NULL },
    { IDM_FULL_SCREEN,        false, EnterOrLeaveFullScreen, NULL, NULL },
    { IDM_SIZE_NORMAL,        false, SizeNormal, NULL, NULL },
    { IDM_SIZE_HALF,          false, SizeHalf, NULL, NULL },
    { IDM_SIZE_DOUBLE,        false, SizeDouble, NULL, NULL },
    { IDM_SIZE_THREE_QUARTER, false, SizeThreeQuarter, NULL, NULL },
    { IDM_ABOUT,              false, AboutCommand, NULL, NULL },
    { IDM_COPY_TIME,          false, CopyTime, NULL, NULL },
    { IDM_GO_TO_TIME,         false, GoToTime, NULL, NULL },
    { IDM_ADD_MARK_WITH_NOTE, false, AddMarkWithNote, NULL, NULL },
    { IDM_KEYS,               false, ShowKeys, NULL, NULL },
    { IDM_MARK_LIST,          false, ShowMarkList, NULL, NULL },
    { IDM_GLOBAL_KEYS,        false, ToggleGlobalKeys, NULL, NULL },
    { IDM_EXPORT_MARKS,       false, ExportMarks, NULL, NULL },
    { IDM_REWIND_OFF,         false, RewindOff, NULL, NULL },
    { IDM_REWIND_1,           false, RewindOne, NULL, NULL },
    { IDM_REWIND_2,           false, RewindTwo, NULL, NULL },
    { IDM_REWIND_3,           false, RewindThree, NULL, NULL },
    { IDM_REWIND_5,           false, RewindFive, NULL, NULL },
    { IDM_SKIPS,              false, ShowSkips, NULL, NULL },
    { IDM_LOOP_FOREVER,       false, LoopForever, NULL, NULL },
    { IDM_LOOP_2,             false, LoopTwice, NULL, NULL },
    { IDM_LOOP_3,             false, LoopThreeTimes, NULL, NULL },
    { IDM_LOOP_5,             false, LoopFiveTimes, NULL, NULL },
    { IDM_LOOP_GAP_NONE,      false, NoLoopGap, NULL, NULL },
    { IDM_LOOP_GAP_1,         false, LoopGapOne, NULL, NULL },
    { IDM_LOOP_GAP_2,         false, LoopGapTwo, NULL, NULL },
    { IDM_LEVELLING,          false, ToggleLevelling, NULL, NULL },
    { IDM_SIDES_BOTH,         false, HearBothSides, NULL, NULL },
    { IDM_SIDES_LEFT,         false, HearLeftSide, NULL, NULL },
    { IDM_SIDES_RIGHT,        false, HearRightSide, NULL, NULL },
    { IDM_NEXT_WORDS,         true,  NextWords, NULL, NULL },
    { IDM_PREVIOUS_WORDS,     true,  PreviousWords, NULL, NULL },
};

static void PlayIfHeld()     { if (gPlayState == Paused || gPlayState == Stopped) PausePlay(); }
static void PauseIfPlaying() { if (gPlayState == Running) PausePlay(); }

// The keyboard's media keys and the foot pedals that send them; the volume commands stay the system's.
static const Binding kAppCommands[] = {
    { APPCOMMAND_MEDIA_PLAY_PAUSE,    false, PausePlay, "Media Play/Pause", "as p" },
    { APPCOMMAND_MEDIA_PLAY,          false, PlayIfHeld, "Media Play", "play when paused or stopped" },
    { APPCOMMAND_MEDIA_PAUSE,         false, PauseIfPlaying, "Media Pause", "pause when playing" },
    { APPCOMMAND_MEDIA_STOP,          false, StopClip, "Media Stop", "as s" },
    { APPCOMMAND_MEDIA_NEXTTRACK,     true,  NextClip, "Media Next track", "as Down" },
    { APPCOMMAND_MEDIA_PREVIOUSTRACK, true,  PreviousClip, "Media Previous track", "as Up" },
    { APPCOMMAND_MEDIA_FAST_FORWARD,  true,  SkipForward, "Media Fast forward", "as Right" },
    { APPCOMMAND_MEDIA_REWIND,        true,  SkipBack, "Media Rewind", "as Left" },
};

// Held as hot keys while Control from other programs is on, so that they work whichever program has
// the focus; a hot key's id is its virtual key with its modifiers above. The media keys act as they
// do in the window.
static const Binding kHotKeys[] = {
    { VK_F9,                false, PausePlay, "F9", "pause and play" },
    { VK_F7,                true,  SkipOtherBack, "F7", "back %s s" },
    { VK_F8,                true,  SkipOtherForward, "F8", "forward %s s" },
    { HOT_KEY_ID(MOD_CONTROL, VK_F8), true, NextWords, "Ctrl+F8", "as Ctrl+Right" },
    { HOT_KEY_ID(MOD_CONTROL, VK_F7), true, PreviousWords, "Ctrl+F7", "as Ctrl+Left" },
    { VK_F6,                false, AddBookmark, "F6", "add a bookmark at the current place" },
    { VK_F10,               false, TypeCurrentPlace, "F10", "type the current place where you type, as [m:ss] (not in the player)" },
    { VK_F11,               false, GoToSelectedTime, "F11", "go to the first time in what is selected (the clipboard is put back)" },
    { VK_MEDIA_PLAY_PAUSE,  false, PausePlay, "Media Play/Pause", "as p" },
    { VK_MEDIA_STOP,        false, StopClip, "Media Stop", "as s" },
    { VK_MEDIA_NEXT_TRACK,  true,  NextClip, "Media Next track", "as Down" },
    { VK_MEDIA_PREV_TRACK,  true,  PreviousClip, "Media Previous track", "as Up" },
};

int HotKeyCount() { return (int)(sizeof(kHotKeys) / sizeof(kHotKeys[0])); }

UINT HotKeyAt(int index, const char **name)
{
    if (name)
        *name = kHotKeys[index].name;
    return kHotKeys[index].code;
}

// The jumps whose meaning shows the user's length in place of its %s.
struct ShownLength { void (*action)(); SkipLength length; };
static const ShownLength kShownLengths[] = {
    { SkipBack, SKIP_BACK }, { SkipForward, SKIP_FORWARD },
    { SkipOtherBack, SKIP_OTHER_BACK }, { SkipOtherForward, SKIP_OTHER_FORWARD },
};

// The pedals, the rewind and the skips, listed after the keys that work from other programs.
struct OtherLine { const char *name; const char *meaning; SkipLength shown; };   // SKIP_LENGTHS: none
static const OtherLine kPedalsAndRewind[] = {
    { "Foot pedals", "VEC/Infinity IN-USB-1 and -2, Philips ACC2310, ACC2320 and ACC2330:", SKIP_LENGTHS },
    { "Middle pedal", "plays while held, pauses when let go", SKIP_LENGTHS },
    { "Left pedal", "back %s s, and again every 250 ms while held", PEDAL_STEP },
    { "Right pedal", "forward %s s, and again every 250 ms while held", PEDAL_STEP },
    { "", "with the focus elsewhere too while Control from other programs is on", SKIP_LENGTHS },
    { "Rewind on resume", "Control menu: a play after a pause starts 1, 2, 3 or 5 s earlier, not before A in a loop", SKIP_LENGTHS },
    { "Skips", "Control menu: the lengths of Left, Right, F7, F8 and the pedals' step", SKIP_LENGTHS },
    { "Loop", "Control menu: the A-B loop repeats forever, or 2, 3 or 5 times and plays on past B", SKIP_LENGTHS },
    { "Pause between repeats", "Control menu: 1 or 2 s of silence at B before each return to A", SKIP_LENGTHS },
};

template <size_t N>
static bool RunBinding(const Binding (&table)[N], WPARAM code)
{
    for (const Binding &binding : table) {
        if (binding.code != code)
            continue;
        if (binding.cancelsLoop)
            CancelABLoop();
        binding.action();
        return true;
    }
    return false;
}

// Appends "name<Tab>meaning" and a line end, the length shown (unless SKIP_LENGTHS) in the meaning's
// %s; text stays terminated when it is full.
static void AppendLine(char *text, size_t size, size_t *length, const char *name, const char *meaning,
                       SkipLength shown)
{
    char withLength[160];
    if (shown != SKIP_LENGTHS) {
        char seconds[16];
        FormatSkipLength(seconds, sizeof(seconds), shown);
        _snprintf(withLength, sizeof(withLength) - 1, meaning, seconds);
        withLength[sizeof(withLength) - 1] = 0;
        meaning = withLength;
    }
    int written = _snprintf(text + *length, size - 1 - *length, "%s\t%s\r\n", name, meaning);
    *length = written < 0 ? size - 1 : *length + (size_t)written;
    text[*length] = 0;
}

template <size_t N>
static void ListBindings(char *text, size_t size, size_t *length, const Binding (&table)[N])
{
    for (const Binding &binding : table) {
        SkipLength shown = SKIP_LENGTHS;
        for (const ShownLength &jump : kShownLengths)
            if (jump.action == binding.action)
                shown = jump.length;
        if (binding.name)
            AppendLine(text, size, length, binding.name, binding.meaning, shown);
    }
}

// Every key, character, media key and mouse action, a line each.
void FormatKeyList(char *text, size_t size)
{
    size_t length = 0;
    text[0] = 0;
    ListBindings(text, size, &length, kKeys);
    ListBindings(text, size, &length, kControlKeys);
    ListBindings(text, size, &length, kCharacters);
    for (const auto &input : kOtherInputs)
        AppendLine(text, size, &length, input[0], input[1], SKIP_LENGTHS);
    ListBindings(text, size, &length, kAppCommands);
    AppendLine(text, size, &length, "From any program", "while Control from other programs is on (Control menu):",
               SKIP_LENGTHS);
    ListBindings(text, size, &length, kHotKeys);
    for (const OtherLine &line : kPedalsAndRewind)
        AppendLine(text, size, &length, line.name, line.meaning, line.shown);
}

// In full screen the video window has the keyboard: it hands a media key's WM_KEYDOWN on to the
// main window, and the WM_APPCOMMAND the system makes of the key goes to the video window. In a
// window that WM_APPCOMMAND comes here as well, and is the one acted on. A key acted on here goes
// no further: Windows' DefWindowProc would make a WM_APPCOMMAND of it and act a second time.
static const UINT kMediaKeys[][2] = {
    { VK_MEDIA_PLAY_PAUSE, APPCOMMAND_MEDIA_PLAY_PAUSE },
    { VK_MEDIA_STOP,       APPCOMMAND_MEDIA_STOP },
    { VK_MEDIA_NEXT_TRACK, APPCOMMAND_MEDIA_NEXTTRACK },
    { VK_MEDIA_PREV_TRACK, APPCOMMAND_MEDIA_PREVIOUSTRACK },
};

static bool RunKey(WPARAM key)
{
    guLastKey = (UINT)key;
    bool control = GetKeyState(VK_CONTROL) < 0;
    if ((control && RunBinding(kControlKeys, key)) || RunBinding(kKeys, key) || !gbFullScreen)
        return false;
    for (const auto &media : kMediaKeys)
        if (media[0] == key)
            return RunBinding(kAppCommands, media[1]);
    return false;
}

static void RunCharacter(WPARAM character)
{
    if (character >= '0' && character <= '9')
        SeekToTenth((int)(character - '0'));
    else
        RunBinding(kCharacters, character);
}

static void SetMinimumTrackSize(MINMAXINFO *info)
{
    info->ptMinTrackSize.x = ScaleToDpi(200);
    info->ptMinTrackSize.y = ScaleToDpi(120);
}

static void DuckVolume(HWND hwnd, WPARAM tag, LPARAM sender)
{
    if (tag == VOLUME_DUCK_TAG && (HWND)sender != hwnd)
        VolumeDown();
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:       KillTimer(ghApp, STATUS_TIMER_ID); ReleaseControl(); PostQuitMessage(0); break;
    case WM_MOVE:
    case WM_SIZE:          if (hwnd == ghApp && !gbAudioOnly) FitVideoToClient(); break;
    case WM_CLOSE:         CloseForExit(); break;
    case WM_ENDSESSION:    if (wParam) SaveLastPosition(); break;
    case WM_GETMINMAXINFO: SetMinimumTrackSize((MINMAXINFO *)lParam); break;
    case WM_KEYDOWN:       if (RunKey(wParam)) return 0;
                           break;
    case WM_CHAR:          RunCharacter(wParam); break;
    case WM_COMMAND:       RunBinding(kCommands, wParam); break;
    case WM_APPCOMMAND:    if (!RunBinding(kAppCommands, (WPARAM)GET_APPCOMMAND_LPARAM(lParam)))
                               return DefWindowProcA(hwnd, message, wParam, lParam);
                           break;
    case WM_HOTKEY:        RunBinding(kHotKeys, wParam); break;
    case WM_INPUT:         ReadPedals((HRAWINPUT)lParam); break;
    case WM_ACTIVATE:      if (LOWORD(wParam) == WA_INACTIVE) LoseFocusedPedals(); break;
    case WM_LBUTTONDOWN:   SeekToClick(LOWORD(lParam)); break;
    case WM_MOUSEWHEEL:    WheelVolume(GET_WHEEL_DELTA_WPARAM(wParam)); break;
    case WM_DROPFILES:     OpenDroppedFile((HDROP)wParam); break;
    case WM_DPICHANGED:    ChangeDpi(HIWORD(wParam), (const RECT *)lParam); break;
    case WM_GRAPH_EVENT:   HandleGraphEvents(); break;
    case WM_VOLUME_DUCK:   DuckVolume(hwnd, wParam, lParam); break;
    case WM_HOLD_HOT_KEYS: HoldHotKeys(); break;
    default:               return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // The video window sees every message handled above, and no other.
    if (pVW)
        pVW->NotifyOwnerMessage((OAHWND)hwnd, (long)message, (LONG_PTR)wParam, (LONG_PTR)lParam);
    // A media key taken here goes no further, or the system would act on it a second time.
    if (message == WM_APPCOMMAND)
        return TRUE;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    // OK, Escape and the close button all close it.
    if (message == WM_COMMAND && (wParam == IDOK || wParam == IDCANCEL)) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}
