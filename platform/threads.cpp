/* Threads, events and critical sections on the host's own threads: the player's streaming thread
   runs for real. A wait without end is cut short after a while, so that a deadlock fails the test
   rather than hang it. */
#include "internal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

const auto kLongestWait = std::chrono::seconds(20);

// An event, or a thread: a thread's handle is a manual-reset event set as the thread returns.
struct Waitable {
    std::mutex mutex;
    std::condition_variable changed;
    bool manualReset = false, signalled = false;
    std::thread thread;
};

struct Threads {
    std::map<HANDLE, std::shared_ptr<Waitable>> open;
} g;
std::mutex gOpenLock;   // the handles are used from every thread

HANDLE Open(const std::shared_ptr<Waitable> &waitable)
{
    std::lock_guard<std::mutex> hold(gOpenLock);
    HANDLE handle = waitable.get();
    g.open[handle] = waitable;
    return handle;
}

std::shared_ptr<Waitable> Find(HANDLE handle)
{
    std::lock_guard<std::mutex> hold(gOpenLock);
    auto found = g.open.find(handle);
    return found == g.open.end() ? nullptr : found->second;
}

BOOL Signal(HANDLE handle, bool signalled)
{
    std::shared_ptr<Waitable> event = Find(handle);
    if (!event)
        return Fail(ERROR_INVALID_HANDLE, FALSE);
    std::lock_guard<std::mutex> hold(event->mutex);
    event->signalled = signalled;
    event->changed.notify_all();
    return TRUE;
}

}  // namespace

namespace standin {

void ResetThreads()
{
    std::lock_guard<std::mutex> hold(gOpenLock);
    g = {};
}

void ExpectThreadHandlesClosed()
{
    std::lock_guard<std::mutex> hold(gOpenLock);
    EXPECT_TRUE(g.open.empty()) << g.open.size() << " event or thread handle(s) left open";
}

// A thread's handle closed before the thread ends leaves the thread running, as on Windows.
bool CloseSyncHandle(HANDLE handle)
{
    std::shared_ptr<Waitable> waitable;
    {
        std::lock_guard<std::mutex> hold(gOpenLock);
        auto found = g.open.find(handle);
        if (found == g.open.end())
            return false;
        waitable = found->second;
        g.open.erase(found);
    }
    if (waitable->thread.joinable())
        waitable->thread.detach();
    return true;
}

}  // namespace standin

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCWSTR name)
{
    EXPECT_EQ(security, nullptr);
    EXPECT_EQ(name, nullptr);
    auto event = std::make_shared<Waitable>();
    event->manualReset = manualReset;
    event->signalled = initialState;
    return Open(event);
}

BOOL SetEvent(HANDLE event) { return Signal(event, true); }
BOOL ResetEvent(HANDLE event) { return Signal(event, false); }

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    std::shared_ptr<Waitable> waitable = Find(handle);
    if (!waitable) {
        ADD_FAILURE() << "a wait on a handle that is not open";
        return Fail(ERROR_INVALID_HANDLE, 0xFFFFFFFFu);
    }
    std::unique_lock<std::mutex> hold(waitable->mutex);
    auto longest = milliseconds == INFINITE ? kLongestWait : std::chrono::milliseconds(milliseconds);
    if (!waitable->changed.wait_for(hold, longest, [&] { return waitable->signalled; })) {
        if (milliseconds != INFINITE)
            return WAIT_TIMEOUT;
        ADD_FAILURE() << "a wait without end that is still waiting: a deadlock";
        return Fail(ERROR_INVALID_HANDLE, 0xFFFFFFFFu);
    }
    if (!waitable->manualReset)
        waitable->signalled = false;
    return WAIT_OBJECT_0;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD)
{
    EXPECT_EQ(security, nullptr);
    EXPECT_EQ(stackSize, 0u);
    EXPECT_EQ(flags, 0u);
    auto thread = std::make_shared<Waitable>();
    thread->manualReset = true;
    HANDLE handle = Open(thread);
    thread->thread = std::thread([thread, start, parameter] {
        start(parameter);
        std::lock_guard<std::mutex> hold(thread->mutex);
        thread->signalled = true;
        thread->changed.notify_all();
    });
    return handle;
}

void InitializeCriticalSection(CRITICAL_SECTION *section) { section->standinLock = new std::recursive_mutex; }

void DeleteCriticalSection(CRITICAL_SECTION *section)
{
    delete static_cast<std::recursive_mutex *>(section->standinLock);
    section->standinLock = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION *section) { static_cast<std::recursive_mutex *>(section->standinLock)->lock(); }
void LeaveCriticalSection(CRITICAL_SECTION *section) { static_cast<std::recursive_mutex *>(section->standinLock)->unlock(); }
