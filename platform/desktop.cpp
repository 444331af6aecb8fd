/* The stand-in desktop: window classes and windows with derived client areas, a posted-message
   queue with synchronous sends, timers on a clock the test advances, modal dialogs and message
   boxes that never block. */
#include "internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>

namespace {

const int kScreenWidth = 1280;
const int kScreenHeight = 800;
// Metrics at 96 DPI, as Wine's; they grow with the DPI as Wine's do (a caption of 28 at 144).
const int kCaption = 19, kBorder = 1, kMenuBar = 19, kFrame = 4;
const int kMenuItemsWidth = 130;   // "File Control Help": the menu bar wraps in a client narrower than this
UINT gDpi = 96;
int gMenuItemsWidth = kMenuItemsWidth;

int AtDpi(int pixels) { return pixels * static_cast<int>(gDpi) / 96; }

int MenuBarLines(LONG clientWidth)
{
    int items = AtDpi(gMenuItemsWidth);
    return clientWidth <= 0 ? items : (items + clientWidth - 1) / clientWidth;
}

struct WindowClass {
    WNDPROC procedure;
    UINT menuId;          // the resource menu of its windows; 0 for none
};

struct Window {
    std::string className, title;
    DWORD style;
    HWND parent;
    RECT outer;           // screen coordinates for top-level windows, parent client ones for children
    WNDPROC procedure;
    HMENU menu;
    bool visible, destroyed, needsPaint, topmost;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    TIMERPROC callback;
    DWORD due;
};

std::map<std::string, WindowClass> gClasses;
std::vector<std::unique_ptr<Window>> gWindows;
std::deque<MSG> gQueue;
std::vector<Timer> gTimers;
std::vector<std::function<void()>> gSteps;
size_t gNextStep;
bool gSessionEnded;
bool gQuitPosted;
int gQuitCode;
DWORD gClock;
DWORD gLastError;
HWND gForeground, gFocus;
std::vector<standin::LoggedMessage> gMessageLog;
std::vector<standin::ShownMessage> gMessageBoxes;
std::vector<MSG> gDialogScript;
std::map<std::pair<HWND, int>, std::string> gDialogItems;   // item texts, by dialog and item
int gDialogFocusedItem;
std::map<HWND, DLGPROC> gModelessProcedures;
int gModalToken;
HWND const kModalDialog = reinterpret_cast<HWND>(&gModalToken);

// A modeless dialog's window procedure: its dialog procedure, as the platform's dialog manager calls it.
LRESULT CALLBACK ModelessWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto procedure = gModelessProcedures.find(hwnd);
    if (procedure != gModelessProcedures.end() && procedure->second(hwnd, message, wParam, lParam))
        return TRUE;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
std::vector<standin::DialogRun> gDialogRuns;
bool gDialogEnded;
INT_PTR gDialogResult;
std::map<std::string, DWORD> gFailRegister, gFailCreate;
std::vector<HWND> gDropTargets;
std::vector<std::vector<std::string>> gDrops;   // handed over by DropFiles; HDROP is index + 1
std::vector<bool> gDropsFinished;

std::vector<std::string> *DropOf(HDROP drop)
{
    size_t index = reinterpret_cast<size_t>(drop) - 1;
    if (index >= gDrops.size() || gDropsFinished[index]) {
        ADD_FAILURE() << "a drop that was not handed over, or already finished";
        return nullptr;
    }
    return &gDrops[index];
}

const uintptr_t kFirstHandle = 0x10000;
const HWND kDesktop = reinterpret_cast<HWND>(kFirstHandle - 0x10);

Window *Find(HWND hwnd)
{
    uintptr_t index = (reinterpret_cast<uintptr_t>(hwnd) - kFirstHandle) / 0x10;
    if (reinterpret_cast<uintptr_t>(hwnd) < kFirstHandle || index >= gWindows.size())
        return nullptr;
    Window *window = gWindows[index].get();
    return window->destroyed ? nullptr : window;
}

HWND HandleOf(size_t index) { return reinterpret_cast<HWND>(kFirstHandle + index * 0x10); }

RECT ClientOf(const Window &w)
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

LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted)
{
    Window *window = Find(hwnd);
    if (!window)
        return 0;
    gMessageLog.push_back({hwnd, message, wParam, lParam, posted});
    return window->procedure(hwnd, message, wParam, lParam);
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool front = false)
{
    MSG msg = {hwnd, message, wParam, lParam, gClock, {0, 0}};
    if (front)
        gQueue.push_front(msg);
    else
        gQueue.push_back(msg);
}

bool ShownOnScreen(HWND hwnd)
{
    for (Window *w = Find(hwnd); w; w = Find(w->parent))
        if (!w->visible)
            return false;
    return true;
}

// Idle work, in the platform's order: paints, then the next scripted step, then the session's end.
bool MakeIdleWork()
{
    for (size_t i = 0; i < gWindows.size(); i++) {
        Window *w = gWindows[i].get();
        if (!w->destroyed && w->needsPaint && ShownOnScreen(HandleOf(i))) {
            Post(HandleOf(i), WM_PAINT, 0, 0);
            return true;
        }
    }
    if (gNextStep < gSteps.size()) {
        gSteps[gNextStep++]();
        return true;
    }
    if (!gSessionEnded) {
        gSessionEnded = true;
        for (size_t i = 0; i < gWindows.size(); i++)
            if (!gWindows[i]->destroyed && !gWindows[i]->parent)
                Post(HandleOf(i), WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

void SendSizeAndMove(HWND hwnd, const Window &w)
{
    RECT client = ClientOf(w);
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    SendMessageA(hwnd, WM_MOVE, 0, MAKELPARAM(w.outer.left, w.outer.top));
}

}  // namespace

namespace standin {

void Reset()
{
    gClasses.clear();
    gWindows.clear();
    gQueue.clear();
    gTimers.clear();
    gSteps.clear();
    gNextStep = 0;
    gSessionEnded = gQuitPosted = false;
    gQuitCode = 0;
    gClock = 1000;
    gLastError = 0;
    gForeground = gFocus = nullptr;
    gMessageLog.clear();
    gMessageBoxes.clear();
    gDialogScript.clear();
    gDialogRuns.clear();
    gDialogItems.clear();
    gDialogFocusedItem = 0;
    gModelessProcedures.clear();
    gFailRegister.clear();
    gFailCreate.clear();
    gDropTargets.clear();
    gDrops.clear();
    gDropsFinished.clear();
    gDpi = 96;
    gMenuItemsWidth = kMenuItemsWidth;
    ResetGdiAndMenus();
    ResetSystem();
    ResetFilesAndRegistry();
    ResetFilterGraph();
    ResetOpenDialog();
    ResetClipboard();
}

void ExpectAllReleased()
{
    ExpectGraphsReleased();
    ExpectFilesClosed();
    ExpectGlobalsFreed();
    EXPECT_EQ(std::count(gDropsFinished.begin(), gDropsFinished.end(), false), 0) << "a drop was never finished";
}

void Script(std::vector<std::function<void()>> steps)
{
    gSteps = std::move(steps);
    gNextStep = 0;
}

void AdvanceClock(DWORD milliseconds)
{
    gClock += milliseconds;
    for (Timer &timer : gTimers) {
        if (timer.due <= gClock) {
            Post(timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.callback));
            timer.due = gClock + timer.period;
        }
    }
}

std::vector<LoggedMessage> &MessageLog() { return gMessageLog; }

HWND FindWindowOfClass(const char *className)
{
    for (size_t i = 0; i < gWindows.size(); i++)
        if (!gWindows[i]->destroyed && gWindows[i]->className == className)
            return HandleOf(i);
    return nullptr;
}

std::string WindowTitle(HWND hwnd) { Window *w = Find(hwnd); return w ? w->title : "<no window>"; }
std::string WindowClass(HWND hwnd) { Window *w = Find(hwnd); return w ? w->className : "<no window>"; }
RECT OuterRect(HWND hwnd) { Window *w = Find(hwnd); return w ? w->outer : RECT{}; }
RECT ClientRect(HWND hwnd) { Window *w = Find(hwnd); return w ? ClientOf(*w) : RECT{}; }
void SetDpi(UINT dpi) { gDpi = dpi; }
UINT Dpi() { return gDpi; }
void SetMenuItemsWidth(int pixels) { gMenuItemsWidth = pixels; }
DWORD WindowStyle(HWND hwnd) { Window *w = Find(hwnd); return w ? w->style : 0; }
HWND ParentOf(HWND hwnd) { Window *w = Find(hwnd); return w ? w->parent : nullptr; }
bool IsTopmost(HWND hwnd) { Window *w = Find(hwnd); return w && w->topmost; }
HWND ForegroundWindow() { return gForeground; }
HWND FocusWindow() { return gFocus; }

bool TimerRunning(HWND hwnd, UINT_PTR id)
{
    for (const Timer &timer : gTimers)
        if (timer.hwnd == hwnd && timer.id == id)
            return true;
    return false;
}

HWND AddForeignTopLevelWindow()
{
    static WNDPROC procedure = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; };
    gWindows.push_back(std::unique_ptr<Window>(new Window{"Foreign", "", WS_OVERLAPPEDWINDOW, nullptr,
        {0, 0, 100, 100}, procedure, nullptr, true, false, false, false}));
    return HandleOf(gWindows.size() - 1);
}

bool AcceptsDroppedFiles(HWND hwnd)
{
    return std::find(gDropTargets.begin(), gDropTargets.end(), hwnd) != gDropTargets.end();
}

void DropFiles(HWND hwnd, std::vector<std::string> paths)
{
    EXPECT_TRUE(AcceptsDroppedFiles(hwnd)) << "the shell drops only on windows that accept files";
    gDrops.push_back(std::move(paths));
    gDropsFinished.push_back(false);
    PostMessageA(hwnd, WM_DROPFILES, static_cast<WPARAM>(gDrops.size()), 0);
}

void FailRegisterClass(const char *className, DWORD error) { gFailRegister[className] = error; }
void FailCreateWindow(const char *className, DWORD error) { gFailCreate[className] = error; }

std::vector<ShownMessage> &MessageBoxes() { return gMessageBoxes; }
void ScriptDialog(std::vector<MSG> messages) { gDialogScript = std::move(messages); }
MSG TypeIntoDialog(int item, const char *text) { return MSG{nullptr, WM_SETTEXT, static_cast<WPARAM>(item),
                                                            reinterpret_cast<LPARAM>(text), 0, {0, 0}}; }
std::string DialogItemText(HWND dialog, int item)
{
    auto text = gDialogItems.find({dialog ? dialog : kModalDialog, item});
    return text == gDialogItems.end() ? "<none>" : text->second;
}
int DialogFocusedItem() { return gDialogFocusedItem; }
std::vector<DialogRun> &DialogRuns() { return gDialogRuns; }

}  // namespace standin

DWORD GetLastError() { return gLastError; }
void SetLastError(DWORD error) { gLastError = error; }

WORD RegisterClassA(const WNDCLASSA *wc)
{
    auto failure = gFailRegister.find(wc->lpszClassName);
    if (failure != gFailRegister.end()) {
        gLastError = failure->second;
        return 0;
    }
    if (gClasses.count(wc->lpszClassName)) {
        gLastError = ERROR_CLASS_ALREADY_EXISTS;
        return 0;
    }
    EXPECT_EQ(wc->hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_TRUE(IS_INTRESOURCE(wc->lpszMenuName)) << "menus are named by their resource id";
    gClasses[wc->lpszClassName] = WindowClass{wc->lpfnWndProc, LOWORD(wc->lpszMenuName)};
    return static_cast<WORD>(0xC000 + gClasses.size());
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND parent, HMENU menu, HINSTANCE, LPVOID)
{
    auto failure = gFailCreate.find(className);
    auto cls = gClasses.find(className);
    if (failure != gFailCreate.end() || cls == gClasses.end()) {
        gLastError = failure != gFailCreate.end() ? failure->second : 1407;   // ERROR_CANNOT_FIND_WND_CLASS
        return nullptr;
    }
    if (x == CW_USEDEFAULT) x = y = 26;
    if (width == CW_USEDEFAULT) width = 640;
    if (height == CW_USEDEFAULT) height = 480;
    if (!menu && !(style & WS_CHILD) && cls->second.menuId)
        menu = standin::LoadMenuResource(cls->second.menuId);
    gWindows.push_back(std::unique_ptr<Window>(new Window{className, title ? title : "", style, parent,
        {x, y, x + width, y + height}, cls->second.procedure, (style & WS_CHILD) ? nullptr : menu,
        (style & WS_VISIBLE) != 0, false, true, false}));
    HWND hwnd = HandleOf(gWindows.size() - 1);
    MINMAXINFO info = {};
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    SendMessageA(hwnd, WM_CREATE, 0, 0);
    SendSizeAndMove(hwnd, *gWindows.back());
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd)
{
    Window *window = Find(hwnd);
    if (!window)
        return FALSE;
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    for (size_t i = 0; i < gWindows.size(); i++)
        if (gWindows[i]->parent == hwnd)
            DestroyWindow(HandleOf(i));
    window->destroyed = true;
    gTimers.erase(std::remove_if(gTimers.begin(), gTimers.end(), [hwnd](const Timer &t) { return t.hwnd == hwnd; }),
                  gTimers.end());
    return TRUE;
}

HWND GetDesktopWindow() { return kDesktop; }

BOOL GetClientRect(HWND hwnd, RECT *rect)
{
    if (hwnd == kDesktop) {
        *rect = RECT{0, 0, kScreenWidth, kScreenHeight};
        return TRUE;
    }
    Window *window = Find(hwnd);
    if (!window)
        return FALSE;
    *rect = ClientOf(*window);
    return TRUE;
}

HMENU GetMenu(HWND hwnd) { Window *w = Find(hwnd); return w ? w->menu : nullptr; }

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == HWND_BROADCAST) {
        for (size_t i = 0; i < gWindows.size(); i++)
            if (!gWindows[i]->destroyed && !gWindows[i]->parent)
                Post(HandleOf(i), message, wParam, lParam);
        return TRUE;
    }
    if (!Find(hwnd))
        return FALSE;
    Post(hwnd, message, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The dialog manager's focus move, to one of the dialog's items, by the handle GetDlgItem gave.
    if (message == WM_NEXTDLGCTL && lParam) {
        for (auto &item : gDialogItems)
            if (item.first.first == hwnd && reinterpret_cast<WPARAM>(&item.second) == wParam)
                gDialogFocusedItem = item.first.second;
        return 0;
    }
    return Deliver(hwnd, message, wParam, lParam, false);
}

void PostQuitMessage(int exitCode)
{
    gQuitPosted = true;
    gQuitCode = exitCode;
}

BOOL GetMessageA(MSG *msg, HWND, UINT, UINT)
{
    for (;;) {
        if (!gQueue.empty()) {
            *msg = gQueue.front();
            gQueue.pop_front();
            return TRUE;
        }
        if (gQuitPosted) {
            gQuitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(gQuitCode), 0, gClock, {0, 0}};
            return FALSE;
        }
        if (!MakeIdleWork()) {
            ADD_FAILURE() << "the message loop waits for input that nothing will send";
            *msg = MSG{nullptr, WM_QUIT, 0, 0, gClock, {0, 0}};
            return FALSE;
        }
    }
}

// A key that types a character also yields WM_CHAR, ahead of whatever else waits.
BOOL TranslateMessage(const MSG *msg)
{
    if (msg->message != WM_KEYDOWN)
        return FALSE;
    WPARAM vk = msg->wParam, character = 0;
    if (vk >= 'A' && vk <= 'Z')
        character = vk - 'A' + 'a';
    else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK)
        character = vk;
    if (!character)
        return FALSE;
    Post(msg->hwnd, WM_CHAR, character, msg->lParam, true);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    if (msg->message == WM_TIMER && msg->lParam) {
        gMessageLog.push_back({msg->hwnd, msg->message, msg->wParam, msg->lParam, true});
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, gClock);
        return 0;
    }
    return Deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam, true);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    Window *window = Find(hwnd);
    if (message == WM_CLOSE)
        DestroyWindow(hwnd);
    else if (message == WM_PAINT && window)
        window->needsPaint = false;
    return message == WM_QUERYENDSESSION ? TRUE : 0;   // the session may end
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC callback)
{
    if (!Find(hwnd))
        return 0;
    KillTimer(hwnd, id);
    gTimers.push_back({hwnd, id, period, callback, gClock + period});
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    for (size_t i = 0; i < gTimers.size(); i++) {
        if (gTimers[i].hwnd == hwnd && gTimers[i].id == id) {
            gTimers.erase(gTimers.begin() + i);
            return TRUE;
        }
    }
    return FALSE;
}

HICON LoadIconA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HICON>(0x1000 + (ULONG_PTR)LOWORD(name)); }
HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) { return reinterpret_cast<HCURSOR>(0x2000 + (ULONG_PTR)LOWORD(name)); }

BOOL ShowWindow(HWND hwnd, int command)
{
    Window *window = Find(hwnd);
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

BOOL IsWindowVisible(HWND hwnd) { return ShownOnScreen(hwnd) && Find(hwnd); }

BOOL UpdateWindow(HWND hwnd)
{
    Window *window = Find(hwnd);
    if (window && window->needsPaint && ShownOnScreen(hwnd))
        SendMessageA(hwnd, WM_PAINT, 0, 0);
    return window != nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) { gForeground = hwnd; return Find(hwnd) != nullptr; }
HWND SetFocus(HWND hwnd) { HWND previous = gFocus; gFocus = hwnd; return previous; }

BOOL SetWindowTextA(HWND hwnd, LPCSTR text)
{
    Window *window = Find(hwnd);
    if (!window)
        return FALSE;
    window->title = text;
    return TRUE;
}

// Overlapped windows are held to the minimum tracking size their procedure answers.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    Window *window = Find(hwnd);
    if (!window)
        return FALSE;
    if (!(flags & SWP_NOZORDER) && insertAfter == HWND_TOPMOST)
        window->topmost = true;
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
    Window *window = Find(hwnd);
    EXPECT_TRUE(index == GWL_STYLE || index == GWL_EXSTYLE) << "GetWindowLongA(" << index << ")";
    return window && index == GWL_STYLE ? static_cast<LONG>(window->style) : 0;
}

BOOL InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase)
{
    EXPECT_NE(hwnd, nullptr) << "InvalidateRect of no window repaints the whole desktop";
    Window *window = Find(hwnd);
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

BOOL SetDlgItemTextA(HWND dialog, int item, LPCSTR text)
{
    gDialogItems[{dialog, item}] = text;
    return TRUE;
}

UINT GetDlgItemTextA(HWND dialog, int item, LPSTR text, int size)
{
    lstrcpynA(text, gDialogItems[{dialog, item}].c_str(), size);
    return static_cast<UINT>(strlen(text));
}

// An item's handle is the place of its text, which lives as long as the dialog's items.
HWND GetDlgItem(HWND dialog, int item)
{
    return reinterpret_cast<HWND>(&gDialogItems[{dialog, item}]);
}

LRESULT SendDlgItemMessageA(HWND, int, UINT message, WPARAM, LPARAM)
{
    EXPECT_EQ(message, static_cast<UINT>(EM_SETTABSTOPS)) << "only tab stops are set on a dialog's items";
    return TRUE;
}

// A modeless dialog is a window of the dialog class, shown as its template asks (visible here).
HWND CreateDialogParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM param)
{
    gWindows.push_back(std::unique_ptr<Window>(new Window{"#32770", "", WS_POPUP | WS_CAPTION, owner,
        {40, 40, 500, 400}, ModelessWindowProc, nullptr, true, false, true, false}));
    HWND dialog = HandleOf(gWindows.size() - 1);
    gModelessProcedures[dialog] = procedure;
    gDialogRuns.push_back({LOWORD(templateName), owner, false, false, 0});
    procedure(dialog, WM_INITDIALOG, 0, param);
    return dialog;
}

// The dialog manager's part of the message loop: messages for the dialog are its own, and Escape
// is its Cancel button.
BOOL IsDialogMessageA(HWND dialog, MSG *msg)
{
    if (!Find(dialog) || msg->hwnd != dialog)
        return FALSE;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE)
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    else
        DispatchMessageA(msg);
    return TRUE;
}

BOOL EndDialog(HWND, INT_PTR result)
{
    gDialogEnded = true;
    gDialogResult = result;
    return TRUE;
}

// Runs the dialog procedure on the scripted messages; the owner, if a window, is disabled while it is open.
INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM param)
{
    HWND dialog = kModalDialog;
    gDialogEnded = false;
    gDialogResult = -1;
    gDialogFocusedItem = 0;
    for (auto item = gDialogItems.begin(); item != gDialogItems.end();)
        item = item->first.first == kModalDialog ? gDialogItems.erase(item) : std::next(item);
    procedure(dialog, WM_INITDIALOG, 0, param);
    for (size_t i = 0; i < gDialogScript.size() && !gDialogEnded; i++) {
        const MSG &step = gDialogScript[i];
        // A user typing into an item replaces its text; the procedure is not told.
        if (step.message == WM_SETTEXT && !step.hwnd)
            gDialogItems[{dialog, static_cast<int>(step.wParam)}] = reinterpret_cast<const char *>(step.lParam);
        else
            procedure(dialog, step.message, step.wParam, step.lParam);
    }
    gDialogRuns.push_back({LOWORD(templateName), owner, Find(owner) != nullptr, gDialogEnded, gDialogResult});
    return gDialogEnded ? gDialogResult : -1;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    gMessageBoxes.push_back({owner, caption ? caption : "", text ? text : "", type});
    return IDOK;
}

namespace {
std::vector<standin::OpenDialogCall> gOpenDialogCalls;
std::string gOpenDialogAnswer;
DWORD gOpenDialogError;
}  // namespace

namespace standin {
void AnswerOpenDialog(const char *path) { gOpenDialogAnswer = path; gOpenDialogError = 0; }
void FailOpenDialog(DWORD extendedError) { gOpenDialogAnswer.clear(); gOpenDialogError = extendedError; }
std::vector<OpenDialogCall> &OpenDialogCalls() { return gOpenDialogCalls; }
void ResetOpenDialog() { gOpenDialogCalls.clear(); gOpenDialogAnswer.clear(); gOpenDialogError = 0; }
}  // namespace standin

// Answers at once: the scripted path, else a cancel (or the scripted failure).
BOOL GetOpenFileNameA(OPENFILENAMEA *record)
{
    standin::OpenDialogCall call = {*record, record->lpstrTitle ? record->lpstrTitle : "",
                                    record->lpstrInitialDir ? record->lpstrInitialDir : "<none>",
                                    record->lpstrDefExt ? record->lpstrDefExt : "", {}};
    for (const char *item = record->lpstrFilter; item && *item; item += strlen(item) + 1)
        call.filters.push_back(item);
    gOpenDialogCalls.push_back(call);
    if (gOpenDialogAnswer.empty())
        return FALSE;
    snprintf(record->lpstrFile, record->nMaxFile, "%s", gOpenDialogAnswer.c_str());
    return TRUE;
}

DWORD CommDlgExtendedError() { return gOpenDialogError; }

void DragAcceptFiles(HWND hwnd, BOOL accept)
{
    gDropTargets.erase(std::remove(gDropTargets.begin(), gDropTargets.end(), hwnd), gDropTargets.end());
    if (accept)
        gDropTargets.push_back(hwnd);
}

// A null buffer asks for the length of the name.
UINT DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT length)
{
    std::vector<std::string> *paths = DropOf(drop);
    if (!paths || index >= paths->size())
        return 0;
    const std::string &path = (*paths)[index];
    if (!file)
        return static_cast<UINT>(path.size());
    lstrcpynA(file, path.c_str(), static_cast<int>(length));
    return static_cast<UINT>(strlen(file));
}

void DragFinish(HDROP drop)
{
    if (DropOf(drop))
        gDropsFinished[reinterpret_cast<size_t>(drop) - 1] = true;
}

DWORD GetTickCount() { return gClock; }
