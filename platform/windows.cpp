/* The stand-in desktop's windows: classes, windows with client areas derived from their frame,
   caption and menu bar at the screen's DPI, painting marks and focus; and the whole desktop's reset. */
#include "internal.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

const int kScreenWidth = 1280;
const int kScreenHeight = 800;
// Metrics at 96 DPI, as Wine's; they grow with the DPI as Wine's do (a caption of 28 at 144).
const int kCaption = 19, kBorder = 1, kMenuBar = 19, kFrame = 4;

struct WindowClass {
    WNDPROC procedure;
    UINT menuId;          // the resource menu of its windows; 0 for none
};

// The windows of a fresh desktop.
struct Windows {
    UINT dpi = 96;
    int menuItemsWidth = 130;   // "File Control Help": the menu bar wraps in a client narrower than this
    std::map<std::string, WindowClass> classes;
    std::vector<std::unique_ptr<standin::Window>> windows;
    std::map<std::string, DWORD> failRegister, failCreate;
    HWND foreground = nullptr, focus = nullptr, front = nullptr;
} g;

const uintptr_t kFirstHandle = 0x10000;
const HWND kDesktop = reinterpret_cast<HWND>(kFirstHandle - 0x10);

HWND HandleOf(size_t index) { return reinterpret_cast<HWND>(kFirstHandle + index * 0x10); }

int AtDpi(int pixels) { return pixels * static_cast<int>(g.dpi) / 96; }

int MenuBarLines(LONG clientWidth)
{
    int items = AtDpi(g.menuItemsWidth);
    return clientWidth <= 0 ? items : (items + clientWidth - 1) / clientWidth;
}

RECT ClientOf(const standin::Window &w)
{
    LONG width = w.outer.right - w.outer.left, height = w.outer.bottom - w.outer.top;
    if (w.style & WS_CAPTION) {
        LONG frame = AtDpi((w.style & WS_THICKFRAME) ? kFrame : kBorder);
        width -= 2 * frame;
        int lines = w.menu ? MenuBarLines(width) : 0;
        height -= 2 * frame + AtDpi(kCaption) + lines * AtDpi(kMenuBar);
    }
    return RECT{0, 0, width > 0 ? width : 0, height > 0 ? height : 0};
}

bool ShownOnScreen(HWND hwnd)
{
    for (standin::Window *w = standin::WindowOf(hwnd); w; w = standin::WindowOf(w->parent))
        if (!w->visible)
            return false;
    return true;
}

}  // namespace

namespace standin {

void Reset()
{
    ResetWindows();
    ResetMessageQueue();
    ResetDialogs();
    ResetShellFiles();
    ResetGdiAndMenus();
    ResetSystem();
    ResetFilesAndRegistry();
    ResetFilterGraph();
    ResetClipboard();
    ResetThreads();
    ResetSourceReader();
    ResetControlInput();
}

void ExpectAllReleased()
{
    EndStartedThreads();
    ExpectGraphsReleased();
    ExpectFilesClosed();
    ExpectGlobalsFreed();
    ExpectDropsFinished();
    ExpectScreenDcReleased();
    ExpectThreadHandlesClosed();
    EXPECT_EQ(LiveSourceObjects(), 0) << "a reader's object still held";
    ExpectHotKeysReleased();
}

// The windows of the player's classes and its dialogs went with its process; another program's stay.
void StartProcess()
{
    for (auto &window : g.windows)
        if (g.classes.count(window->className) || window->className == "#32770")
            window->destroyed = true;
    g.classes.clear();
    EndProcessQueue();
    EndProcessInput();
}

void ResetWindows() { g = {}; }

Window *WindowOf(HWND hwnd)
{
    uintptr_t index = (reinterpret_cast<uintptr_t>(hwnd) - kFirstHandle) / 0x10;
    if (reinterpret_cast<uintptr_t>(hwnd) < kFirstHandle || index >= g.windows.size())
        return nullptr;
    Window *window = g.windows[index].get();
    return window->destroyed ? nullptr : window;
}

HWND AddWindow(const Window &window)
{
    g.windows.push_back(std::make_unique<Window>(window));
    return HandleOf(g.windows.size() - 1);
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> windows;
    for (size_t i = 0; i < g.windows.size(); i++)
        if (!g.windows[i]->destroyed && !g.windows[i]->parent)
            windows.push_back(HandleOf(i));
    return windows;
}

HWND WindowToPaint()
{
    for (size_t i = 0; i < g.windows.size(); i++)
        if (!g.windows[i]->destroyed && g.windows[i]->needsPaint && ShownOnScreen(HandleOf(i)))
            return HandleOf(i);
    return nullptr;
}

HWND FindWindowOfClass(const char *className)
{
    for (size_t i = 0; i < g.windows.size(); i++)
        if (!g.windows[i]->destroyed && g.windows[i]->className == className)
            return HandleOf(i);
    return nullptr;
}

std::string WindowTitle(HWND hwnd) { Window *w = WindowOf(hwnd); return w ? w->title : "<no window>"; }
std::string WindowClass(HWND hwnd) { Window *w = WindowOf(hwnd); return w ? w->className : "<no window>"; }
RECT OuterRect(HWND hwnd) { Window *w = WindowOf(hwnd); return w ? w->outer : RECT{}; }
RECT ClientRect(HWND hwnd) { Window *w = WindowOf(hwnd); return w ? ClientOf(*w) : RECT{}; }
void SetDpi(UINT dpi) { g.dpi = dpi; }
UINT Dpi() { return g.dpi; }
void SetMenuItemsWidth(int pixels) { g.menuItemsWidth = pixels; }
DWORD WindowStyle(HWND hwnd) { Window *w = WindowOf(hwnd); return w ? w->style : 0; }
HWND ParentOf(HWND hwnd) { Window *w = WindowOf(hwnd); return w ? w->parent : nullptr; }
bool IsTopmost(HWND hwnd) { Window *w = WindowOf(hwnd); return w && w->topmost; }
HWND ForegroundWindow() { return g.foreground; }
HWND FrontWindow() { return g.front; }
const HWND kFullScreenVideo = reinterpret_cast<HWND>(0x7F00);
void PutInFront(HWND hwnd) { g.front = hwnd; }
HWND FocusWindow() { return g.focus; }

HWND AddForeignTopLevelWindow()
{
    static WNDPROC procedure = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
    return AddWindow({"Foreign", "", WS_OVERLAPPEDWINDOW, nullptr, {0, 0, 100, 100}, procedure, nullptr,
                      true, false, false, false});
}

void FailRegisterClass(const char *className, DWORD error) { g.failRegister[className] = error; }
void FailCreateWindow(const char *className, DWORD error) { g.failCreate[className] = error; }

}  // namespace standin

using standin::Window;
using standin::WindowOf;

WORD RegisterClassA(const WNDCLASSA *wc)
{
    auto failure = g.failRegister.find(wc->lpszClassName);
    if (failure != g.failRegister.end())
        return Fail(failure->second, 0);
    if (g.classes.count(wc->lpszClassName))
        return Fail(ERROR_CLASS_ALREADY_EXISTS, 0);
    EXPECT_EQ(wc->hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_TRUE(IS_INTRESOURCE(wc->lpszMenuName)) << "menus are named by their resource id";
    g.classes[wc->lpszClassName] = WindowClass{wc->lpfnWndProc, LOWORD(wc->lpszMenuName)};
    return static_cast<WORD>(0xC000 + g.classes.size());
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE, LPVOID)
{
    auto failure = g.failCreate.find(className);
    auto cls = g.classes.find(className);
    if (failure != g.failCreate.end() || cls == g.classes.end())
        return Fail(failure != g.failCreate.end() ? failure->second : 1407, nullptr);   // ERROR_CANNOT_FIND_WND_CLASS
    if (x == CW_USEDEFAULT) x = y = 26;
    if (width == CW_USEDEFAULT) width = 640;
    if (height == CW_USEDEFAULT) height = 480;
    if (!menu && !(style & WS_CHILD) && cls->second.menuId)
        menu = standin::ResourceMenu(cls->second.menuId);
    HWND hwnd = standin::AddWindow({className, title ? title : "", style, parent, {x, y, x + width, y + height},
                                    cls->second.procedure, (style & WS_CHILD) ? nullptr : menu,
                                    (style & WS_VISIBLE) != 0, false, true, false});
    MINMAXINFO info = {};
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageA(hwnd, WM_CREATE, 0, 0);
    RECT client = ClientOf(*WindowOf(hwnd));
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd)
{
    Window *window = WindowOf(hwnd);
    if (!window)
        return FALSE;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    for (size_t i = 0; i < g.windows.size(); i++)
        if (g.windows[i]->parent == hwnd)
            DestroyWindow(HandleOf(i));
    window->destroyed = true;
    standin::KillTimersOf(hwnd);
    return TRUE;
}

HWND GetDesktopWindow() { return kDesktop; }

BOOL GetClientRect(HWND hwnd, RECT *rect)
{
    Window *window = WindowOf(hwnd);
    if (!window && hwnd != kDesktop)
        return FALSE;
    *rect = window ? ClientOf(*window) : RECT{0, 0, kScreenWidth, kScreenHeight};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, RECT *rect)
{
    Window *window = WindowOf(hwnd);
    if (window)
        *rect = window->outer;
    return window != nullptr;
}

// One screen, the desktop, whose work area is all of it.
HMONITOR MonitorFromRect(const RECT *, DWORD) { return reinterpret_cast<HMONITOR>(kDesktop); }

BOOL GetMonitorInfoA(HMONITOR monitor, MONITORINFO *info)
{
    if (monitor != reinterpret_cast<HMONITOR>(kDesktop))
        return FALSE;
    info->rcMonitor = info->rcWork = RECT{0, 0, kScreenWidth, kScreenHeight};
    info->dwFlags = 1;
    return TRUE;
}

HMENU GetMenu(HWND hwnd) { Window *w = WindowOf(hwnd); return w ? w->menu : nullptr; }

HICON LoadIconA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HICON>(0x1000 + (ULONG_PTR)LOWORD(name)); }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HCURSOR>(0x2000 + (ULONG_PTR)LOWORD(name)); }

BOOL ShowWindow(HWND hwnd, int command)
{
    Window *window = WindowOf(hwnd);
    if (!window)
        return FALSE;
    BOOL wasVisible = window->visible;
    window->visible = command != SW_HIDE;
    if (window->visible)
        window->needsPaint = true;
    if (window->visible != (wasVisible != FALSE))
        SendMessageA(hwnd, WM_SHOWWINDOW, window->visible, 0);
    return wasVisible;
}

BOOL IsWindowVisible(HWND hwnd) { return ShownOnScreen(hwnd) && WindowOf(hwnd); }

BOOL UpdateWindow(HWND hwnd)
{
    Window *window = WindowOf(hwnd);
    if (window && window->needsPaint && ShownOnScreen(hwnd))
        SendMessageA(hwnd, WM_PAINT, 0, 0);
    return window != nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) { g.foreground = hwnd; return WindowOf(hwnd) != nullptr; }
HWND GetForegroundWindow() { return g.foreground; }

// Another program's windows are those a test adds as such; the full-screen video is the player's.
DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD process)
{
    Window *w = WindowOf(hwnd);
    if (!w && hwnd != standin::kFullScreenVideo)
        return Fail(ERROR_INVALID_WINDOW_HANDLE, 0);
    if (process)
        *process = w && w->className == "Foreign" ? 0x5678 : GetCurrentProcessId();
    return 1;
}
HWND SetFocus(HWND hwnd) { HWND previous = g.focus; g.focus = hwnd; return previous; }

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    Window *window = WindowOf(hwnd);
    if (!window)
        return FALSE;
    window->title = text;
    return TRUE;
}

// Overlapped windows are held to the minimum tracking size their procedure answers.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    Window *window = WindowOf(hwnd);
    if (!window)
        return FALSE;
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOP || (insertAfter == HWND_TOPMOST && !window->topmost))
            g.front = hwnd;
        if (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST)
            window->topmost = insertAfter == HWND_TOPMOST;
    }
    RECT old = window->outer;
    if (flags & SWP_NOMOVE) { x = old.left; y = old.top; }
    if (flags & SWP_NOSIZE) { width = old.right - old.left; height = old.bottom - old.top; }
    if (!(window->style & WS_CHILD)) {
        MINMAXINFO info = {};
        SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        if (width < info.ptMinTrackSize.x) width = info.ptMinTrackSize.x;
        if (height < info.ptMinTrackSize.y) height = info.ptMinTrackSize.y;
    }
    window->outer = RECT{x, y, x + width, y + height};
    bool sized = width != old.right - old.left || height != old.bottom - old.top;
    bool moved = x != old.left || y != old.top;
    if (sized) {
        window->needsPaint = true;
        RECT client = ClientOf(*window);
        SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    if (moved)
        SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(x, y));
    return TRUE;
}

// As Windows computes it: the frame, the caption and one line of menu bar, whatever the width.
BOOL AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle)
{
    EXPECT_EQ(exStyle, 0u);
    if (style & WS_CAPTION) {
        LONG frame = AtDpi((style & WS_THICKFRAME) ? kFrame : kBorder);
        rect->left -= frame;
        rect->right += frame;
        rect->top -= frame + AtDpi(kCaption) + (menu ? AtDpi(kMenuBar) : 0);
        rect->bottom += frame;
    }
    return TRUE;
}

LONG GetWindowLongA(HWND hwnd, int index)
{
    Window *window = WindowOf(hwnd);
    EXPECT_TRUE(index == GWL_STYLE || index == GWL_EXSTYLE) << "GetWindowLongA(" << index << ")";
    return window && index == GWL_STYLE ? static_cast<LONG>(window->style) : 0;
}

BOOL InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase)
{
    EXPECT_NE(hwnd, nullptr) << "InvalidateRect of no window repaints the whole desktop";
    Window *window = WindowOf(hwnd);
    if (!window)
        return FALSE;
    window->needsPaint = true;
    char line[96];
    if (rect)
        snprintf(line, sizeof(line), "InvalidateRect %s %ld,%ld,%ld,%ld erase=%d", window->className.c_str(),
                 (long)rect->left, (long)rect->top, (long)rect->right, (long)rect->bottom, erase);
    else
        snprintf(line, sizeof(line), "InvalidateRect %s all erase=%d", window->className.c_str(), erase);
    standin::DrawingLog().push_back(line);
    return TRUE;
}
