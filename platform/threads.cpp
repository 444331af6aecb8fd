/* Events, critical sections and threads on the one thread the native tests run. A thread started
   is not scheduled while the test runs (the overview's reader has read nothing yet; a test grows
   the overview itself) and runs to its end as the test ends, once the player has let go of what
   it serves. A wait fails the test, as no pin is ever connected for a streaming thread to serve
   (those run only in Wine's graph, tests/graph/). */
#include "internal.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Nothing waits on an event here, so it keeps no state: its handle is the address of its byte.
struct Threads {
    std::map<HANDLE, std::unique_ptr<char>> open;
    std::vector<std::pair<LPTHREAD_START_ROUTINE, LPVOID>> started;
} g;

BOOL Signal(HANDLE handle) { return g.open.count(handle) ? TRUE : Fail(ERROR_INVALID_HANDLE, FALSE); }

}  // namespace

namespace standin {

void EndStartedThreads()
{
    while (!g.started.empty()) {
        auto thread = g.started.front();
        g.started.erase(g.started.begin());
        thread.first(thread.second);
    }
}

void ResetThreads()
{
    EndStartedThreads();
    g = {};
}

void ExpectThreadHandlesClosed()
{
    EXPECT_TRUE(g.open.empty()) << g.open.size() << " event handle(s) left open";
}

bool CloseSyncHandle(HANDLE handle) { return g.open.erase(handle) > 0; }

}  // namespace standin

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL, BOOL, LPCWSTR name)
{
    EXPECT_EQ(security, nullptr);
    EXPECT_EQ(name, nullptr);
    auto event = std::make_unique<char>();
    HANDLE handle = event.get();
    g.open[handle] = std::move(event);
    return handle;
}

BOOL SetEvent(HANDLE event) { return Signal(event); }
BOOL ResetEvent(HANDLE event) { return Signal(event); }

DWORD WaitForSingleObject(HANDLE, DWORD)
{
    ADD_FAILURE() << "a wait natively, where no thread streams";
    return Fail(ERROR_INVALID_HANDLE, 0xFFFFFFFFu);
}

// Its handle is an event's.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE routine, LPVOID parameter, DWORD, LPDWORD)
{
    g.started.push_back({routine, parameter});
    return CreateEventW(nullptr, FALSE, FALSE, nullptr);
}

void InitializeCriticalSection(CRITICAL_SECTION *section) { section->standinLock = new std::recursive_mutex; }

void DeleteCriticalSection(CRITICAL_SECTION *section)
{
    delete static_cast<std::recursive_mutex *>(section->standinLock);
    section->standinLock = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION *section) { static_cast<std::recursive_mutex *>(section->standinLock)->lock(); }
void LeaveCriticalSection(CRITICAL_SECTION *section) { static_cast<std::recursive_mutex *>(section->standinLock)->unlock(); }

// Called only on a thread of the player's own, which never starts here.
HANDLE GetCurrentThread() { return reinterpret_cast<HANDLE>(-2); }
BOOL SetThreadPriority(HANDLE, int) { return TRUE; }
