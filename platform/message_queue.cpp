/* The message loop: a posted-message queue with synchronous sends, idle work that runs the test's
   script, and timers on a clock the test advances. */
#include "internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    TIMERPROC callback;
    DWORD due;
};

// The message loop of a fresh desktop.
struct MessageLoop {
    std::deque<MSG> queue;
    std::vector<Timer> timers;
    std::vector<std::function<void()>> steps;
    size_t nextStep = 0;
    bool sessionEnded = false, quitPosted = false;
    int quitCode = 0;
    DWORD clock = 1000;
    std::vector<standin::LoggedMessage> log;
} g;

auto TimerOf(HWND hwnd, UINT_PTR id)
{
    return [hwnd, id](const Timer &timer) { return timer.hwnd == hwnd && timer.id == id; };
}

LRESULT Deliver(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool posted)
{
    standin::Window *window = standin::WindowOf(hwnd);
    if (!window)
        return 0;
    g.log.push_back({hwnd, message, wParam, lParam, posted});
    return window->procedure(hwnd, message, wParam, lParam);
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool front = false)
{
    g.queue.insert(front ? g.queue.begin() : g.queue.end(), MSG{hwnd, message, wParam, lParam, g.clock, {0, 0}});
}

// Idle work, in the platform's order: paints, then the next scripted step, then the session's end.
bool MakeIdleWork()
{
    if (HWND hwnd = standin::WindowToPaint()) {
        Post(hwnd, WM_PAINT, 0, 0);
        return true;
    }
    if (g.nextStep < g.steps.size()) {
        g.steps[g.nextStep++]();
        return true;
    }
    if (!g.sessionEnded) {
        g.sessionEnded = true;
        for (HWND hwnd : standin::TopLevelWindows())
            Post(hwnd, WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

}  // namespace

namespace standin {

void ResetMessageQueue() { g = {}; }

void EndProcessQueue()
{
    g.queue.clear();
    g.timers.clear();
    g.sessionEnded = g.quitPosted = false;
}

void Script(std::vector<std::function<void()>> steps)
{
    g.steps = std::move(steps);
    g.nextStep = 0;
}

void AdvanceClock(DWORD milliseconds)
{
    g.clock += milliseconds;
    for (Timer &timer : g.timers) {
        if (timer.due <= g.clock) {
            Post(timer.hwnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.callback));
            timer.due = g.clock + timer.period;
        }
    }
}

std::vector<LoggedMessage> &MessageLog() { return g.log; }

bool TimerRunning(HWND hwnd, UINT_PTR id)
{
    return std::find_if(g.timers.begin(), g.timers.end(), TimerOf(hwnd, id)) != g.timers.end();
}

void KillTimersOf(HWND hwnd)
{
    g.timers.erase(std::remove_if(g.timers.begin(), g.timers.end(), [hwnd](const Timer &t) { return t.hwnd == hwnd; }),
                  g.timers.end());
}

}  // namespace standin

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (hwnd == HWND_BROADCAST) {
        for (HWND topLevel : standin::TopLevelWindows())
            Post(topLevel, message, wParam, lParam);
        return TRUE;
    }
    if (!standin::WindowOf(hwnd))
        return FALSE;
    Post(hwnd, message, wParam, lParam);
    return TRUE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NEXTDLGCTL && lParam) {   // the dialog manager's, never the procedure's
        standin::MoveDialogFocus(hwnd, wParam);
        return 0;
    }
    return Deliver(hwnd, message, wParam, lParam, false);
}

void PostQuitMessage(int exitCode)
{
    g.quitPosted = true;
    g.quitCode = exitCode;
}

BOOL GetMessageW(MSG *msg, HWND, UINT, UINT)
{
    for (;;) {
        if (!g.queue.empty()) {
            *msg = g.queue.front();
            g.queue.pop_front();
            return TRUE;
        }
        if (g.quitPosted) {
            g.quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g.quitCode), 0, g.clock, {0, 0}};
            return FALSE;
        }
        if (!MakeIdleWork()) {
            ADD_FAILURE() << "the message loop waits for input that nothing will send";
            *msg = MSG{nullptr, WM_QUIT, 0, 0, g.clock, {0, 0}};
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

LRESULT DispatchMessageW(const MSG *msg)
{
    if (msg->message == WM_TIMER && msg->lParam) {
        g.log.push_back({msg->hwnd, msg->message, msg->wParam, msg->lParam, true});
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, g.clock);
        return 0;
    }
    return Deliver(msg->hwnd, msg->message, msg->wParam, msg->lParam, true);
}

// A media key typed becomes its application command, as Windows' DefWindowProc makes it.
static const std::pair<WPARAM, int> kAppCommandKeys[] = {
    {VK_MEDIA_PLAY_PAUSE, APPCOMMAND_MEDIA_PLAY_PAUSE}, {VK_MEDIA_STOP, APPCOMMAND_MEDIA_STOP},
    {VK_MEDIA_NEXT_TRACK, APPCOMMAND_MEDIA_NEXTTRACK}, {VK_MEDIA_PREV_TRACK, APPCOMMAND_MEDIA_PREVIOUSTRACK},
};

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    standin::Window *window = standin::WindowOf(hwnd);
    for (const auto &key : kAppCommandKeys)
        if (message == WM_KEYDOWN && wParam == key.first)
            SendMessageA(hwnd, WM_APPCOMMAND, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(0, key.second));
    if (message == WM_CLOSE)
        DestroyWindow(hwnd);
    else if (message == WM_PAINT && window)
        window->needsPaint = false;
    return message == WM_QUERYENDSESSION ? TRUE : 0;   // the session may end
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC callback)
{
    if (!standin::WindowOf(hwnd))
        return 0;
    KillTimer(hwnd, id);
    g.timers.push_back({hwnd, id, period, callback, g.clock + period});
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id)
{
    size_t before = g.timers.size();
    g.timers.erase(std::remove_if(g.timers.begin(), g.timers.end(), TimerOf(hwnd, id)), g.timers.end());
    return g.timers.size() < before;
}

DWORD GetTickCount() { return g.clock; }
