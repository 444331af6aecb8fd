/* Events and critical sections on the one thread the native tests run. The player's own threads
   run only under Wine (tests/graph/, tests/e2e/): here no thread can start, as on a system out of
   them, and a wait fails the test, as no pin is ever connected for a streaming thread to serve. */
#include "internal.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <mutex>

namespace {

// Nothing waits on an event here, so it keeps no state: its handle is the address of its byte.
struct Threads {
    std::map<HANDLE, std::unique_ptr<char>> open;
} g;

BOOL Signal(HANDLE handle) { return g.open.count(handle) ? TRUE : Fail(ERROR_INVALID_HANDLE, FALSE); }

}  // namespace

namespace standin {

void ResetThreads() { g = {}; }

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

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD)
{
    return Fail(ERROR_NOT_ENOUGH_MEMORY, static_cast<HANDLE>(nullptr));
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
