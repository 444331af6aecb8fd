/* Shared between the stand-in's own files; tests use standin.h. */
#pragma once

#include <standin.h>

// A call that fails: the thread's last error set, the call's failure value answered.
template <typename Result> Result Fail(DWORD error, Result result) { SetLastError(error); return result; }

namespace standin {

// Each part's fresh state, for Reset.
void ResetWindows();
void ResetMessageQueue();
void ResetDialogs();
void ResetShellFiles();
void ResetGdiAndMenus();
void ResetSystem();
void ResetFilesAndRegistry();
void ResetFilterGraph();
void ResetClipboard();
void ResetThreads();
void EndStartedThreads();   // each thread started runs to its end
void ResetSourceReader();
void ResetControlInput();

// What each part checks was given back, for ExpectAllReleased.
void ExpectFilesClosed();
void ExpectGraphsReleased();
void PutInFront(HWND hwnd);          // the window now in front of every other
void ExpectGlobalsFreed();   // every global block either freed or the clipboard's
void ExpectDropsFinished();
void ExpectScreenDcReleased();
void ExpectThreadHandlesClosed();
void ExpectHotKeysReleased();

bool CloseSyncHandle(HANDLE handle);   // an event's; false for any other handle

// Windows, as the desktop's parts share them.
struct Window {
    std::string className, title;
    DWORD style;
    HWND parent;
    RECT outer;           // screen coordinates for top-level windows, parent client ones for children
    WNDPROC procedure;
    HMENU menu;
    bool visible, destroyed, needsPaint, topmost;
};
Window *WindowOf(HWND hwnd);            // null for no window or a destroyed one
HWND AddWindow(const Window &window);   // no message is sent
std::vector<HWND> TopLevelWindows();    // the live ones, for broadcasts and the session's end
HWND WindowToPaint();                   // one shown on screen with an area to paint, or null
void KillTimersOf(HWND hwnd);
void EndProcessQueue();                 // its messages and timers; the clock and the log go on
void EndProcessInput();                 // its hot keys and raw input registrations
void MoveDialogFocus(HWND dialog, WPARAM item);   // WM_NEXTDLGCTL with an item's handle

UINT Dpi();
std::u16string Utf16Of(const std::string &text);   // as MultiByteToWideChar(CP_UTF8) converts
std::string Utf8Of(const WCHAR *units);          // UTF-16 units, up to their terminator

}  // namespace standin
