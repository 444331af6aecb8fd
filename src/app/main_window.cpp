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

// The open command closes an open clip before it cancels the loop. The start-up record's place
// belongs to the first open alone, whatever becomes of it.
static void OpenCommand()
{
    REFERENCE_TIME resume = grtResume;
    grtResume = 0;
    if (gPlayState != NoClip)
        CloseClip();
    CancelABLoop();
    OpenClip(resume);
}

static void ExitCommand()
{
    CloseClip();
    PostQuitMessage(0);
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
        ReportMessage("Cannot open the dropped file: its path is longer than %d characters.\r\n", MAX_PATH - 1);
    DWORD attributes = fits ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    if (gPlayState != NoClip)
        CloseClip();
    CancelABLoop();
    CopyPath(gszFileName, path);
    BuildPlaylist();
    OpenClip(0);
}

static void AboutCommand()
{
    DialogBoxParamA(ghInst, MAKEINTRESOURCEA(IDD_ABOUT), ghApp, AboutDlgProc, 0);
}

struct Binding {
    UINT code;           // virtual key, character or command id
    bool cancelsLoop;    // CancelABLoop runs before the action
    void (*action)();
};

static const Binding kKeys[] = {
    { VK_RETURN, false, EnterOrLeaveFullScreen },
    { VK_ESCAPE, false, EscapeKey },
    { VK_SPACE,  false, ToggleStatusBar },
    { VK_PRIOR,  false, AddBookmark },
    { VK_NEXT,   true,  SkipFarForward },
    { VK_END,    false, JumpNextBookmark },
    { VK_HOME,   false, JumpPreviousBookmark },
    { VK_LEFT,   true,  SkipBack },
    { VK_UP,     true,  PreviousClip },
    { VK_RIGHT,  true,  SkipForward },
    { VK_DOWN,   true,  NextClip },
    { VK_INSERT, false, MarkABPoint },
    { VK_DELETE, false, DeleteNextBookmark },
    { VK_F12,    true,  CloseCurrentClip },
};

// Letters are lower case only. The digits seek to tenths and are handled apart.
static const Binding kCharacters[] = {
    { '*', false, RateUp },
    { '+', false, VolumeUp },
    { '=', false, VolumeUp },
    { '-', false, VolumeDown },
    { '_', false, VolumeDown },
    { '/', false, RateDown },
    { 'b', false, AddBookmark },
    { 'd', false, SizeDouble },
    { 'f', false, AddFavourite },
    { 'h', false, SizeHalf },
    { 'm', false, MuteOrUnmute },
    { 'n', false, SizeNormal },
    { 'p', false, PausePlay },
    { 's', false, StopClip },
    { 't', false, SizeThreeQuarter },
    { 'z', false, ZoomOneStep },
};

static const Binding kCommands[] = {
    { IDM_OPEN_CLIP,          false, OpenCommand },
    { IDM_EXIT,               true,  ExitCommand },
    { IDM_PAUSE_PLAY,         false, PausePlay },
    { IDM_STOP,               true,  StopClip },
    { IDM_CLOSE_CLIP,         true,  CloseCurrentClip },
    { IDM_MUTE,               false, MuteOrUnmute },
    { IDM_FULL_SCREEN,        false, EnterOrLeaveFullScreen },
    { IDM_SIZE_NORMAL,        false, SizeNormal },
    { IDM_SIZE_HALF,          false, SizeHalf },
    { IDM_SIZE_DOUBLE,        false, SizeDouble },
    { IDM_SIZE_THREE_QUARTER, false, SizeThreeQuarter },
    { IDM_ABOUT,              false, AboutCommand },
};

template <size_t N>
static void RunBinding(const Binding (&table)[N], WPARAM code)
{
    for (const Binding &binding : table) {
        if (binding.code != code)
            continue;
        if (binding.cancelsLoop)
            CancelABLoop();
        binding.action();
        return;
    }
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
    case WM_DESTROY:       KillTimer(ghApp, STATUS_TIMER_ID); PostQuitMessage(0); break;
    case WM_MOVE:
    case WM_SIZE:          if (hwnd == ghApp && !gbAudioOnly) FitVideoToClient(); break;
    case WM_CLOSE:         SendMessageA(ghApp, WM_COMMAND, IDM_EXIT, 0); break;
    case WM_ENDSESSION:    if (wParam) SaveLastPosition(); break;
    case WM_GETMINMAXINFO: SetMinimumTrackSize((MINMAXINFO *)lParam); break;
    case WM_KEYDOWN:       guLastKey = (UINT)wParam; RunBinding(kKeys, wParam); break;
    case WM_CHAR:          RunCharacter(wParam); break;
    case WM_COMMAND:       RunBinding(kCommands, wParam); break;
    case WM_LBUTTONDOWN:   SeekToClick(LOWORD(lParam)); break;
    case WM_MOUSEWHEEL:    WheelVolume(GET_WHEEL_DELTA_WPARAM(wParam)); break;
    case WM_DROPFILES:     OpenDroppedFile((HDROP)wParam); break;
    case WM_DPICHANGED:    ChangeDpi(HIWORD(wParam), (const RECT *)lParam); break;
    case WM_GRAPH_EVENT:   HandleGraphEvents(); break;
    case WM_VOLUME_DUCK:   DuckVolume(hwnd, wParam, lParam); break;
    default:               return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // The video window sees every message handled above, and no other.
    if (pVW)
        pVW->NotifyOwnerMessage((OAHWND)hwnd, (long)message, (LONG_PTR)wParam, (LONG_PTR)lParam);
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && wParam == IDOK) {
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}
