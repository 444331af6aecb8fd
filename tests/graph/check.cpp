// The checks, the case's summary line and the watchdog. The watchdog is the test's own bound on
// every call, so that a call that never returns is named instead of hanging the run.
#include "graph/check.h"

#include <stdarg.h>
#include <stdio.h>

// What the watchdog watches; the lock guards it and the output, which both threads write.
static CRITICAL_SECTION gLock;
static const char *gCaseName;
static double      gCaseDeadline;     // Elapsed() after which the case has hung as a whole
static const char *gCallWhat;         // the call in progress, or NULL
static const char *gCallFile;
static int         gCallLine;
static double      gCallStart;
static bool        gCallSaidSlow;     // the watchdog has said it is slow
static DWORD       gLastCallMs;
static DWORD       gSlowestCallMs;
static char        gSlowestCall[160];
static int         gCalls, gChecks, gFailures;
static LARGE_INTEGER gFrequency, gStart;

double Elapsed()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)(now.QuadPart - gStart.QuadPart) / (double)gFrequency.QuadPart;
}

double Seconds(REFERENCE_TIME time)
{
    return (double)time / (double)kSecond;
}

static const char *BaseName(const char *file)
{
    const char *name = file;
    for (const char *c = file; *c; c++)
        if (*c == '/' || *c == '\\')
            name = c + 1;
    return name;
}

static void Print(const char *file, int line, const char *label, const char *format, va_list args)
{
    EnterCriticalSection(&gLock);
    printf("%s:%d: %s", BaseName(file), line, label);
    vprintf(format, args);
    printf("\n");
    fflush(stdout);
    LeaveCriticalSection(&gLock);
}

bool CheckAt(const char *file, int line, bool passed, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Print(file, line, passed ? "ok: " : "Test failed: ", format, args);
    va_end(args);
    InterlockedIncrement((LONG *)&gChecks);
    if (!passed)
        InterlockedIncrement((LONG *)&gFailures);
    return passed;
}

void TraceAt(const char *file, int line, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Print(file, line, "", format, args);
    va_end(args);
}

int CaseFailures()
{
    return gFailures;
}

// Ends the process from the watchdog: TerminateProcess, as the hung thread may hold locks that an
// orderly exit would wait for.
static void EndHung(const char *why)
{
    EnterCriticalSection(&gLock);
    printf("FAIL %s: %s\n", gCaseName ? gCaseName : "?", why);
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
}

static DWORD WINAPI Watchdog(void *)
{
    char why[256];
    for (;;) {
        Sleep(50);
        double now = Elapsed();
        EnterCriticalSection(&gLock);
        const char *what = gCallWhat;
        double inCall = what ? now - gCallStart : 0;
        bool saySlow = what && !gCallSaidSlow && inCall * 1000 > kCallBoundMs;
        if (saySlow) {
            gCallSaidSlow = true;
            printf("%s:%d: %s has not returned after %lu ms\n", BaseName(gCallFile), gCallLine, what, kCallBoundMs);
            fflush(stdout);
        }
        if (what && inCall * 1000 > kHangBoundMs) {
            snprintf(why, sizeof(why), "%s:%d: %s hung: no return after %lu ms", BaseName(gCallFile), gCallLine, what,
                     kHangBoundMs);
            EndHung(why);
        }
        if (gCaseDeadline > 0 && now > gCaseDeadline) {
            snprintf(why, sizeof(why), "the case did not end in its time (%.0f s)%s%s", now - gCaseDeadline,
                     what ? "; in " : "", what ? what : "");
            EndHung(why);
        }
        LeaveCriticalSection(&gLock);
    }
}

void WatchBegin(const char *what, const char *file, int line)
{
    double now = Elapsed();
    EnterCriticalSection(&gLock);
    gCallWhat = what;
    gCallFile = file;
    gCallLine = line;
    gCallStart = now;
    gCallSaidSlow = false;
    LeaveCriticalSection(&gLock);
}

HRESULT WatchEnd(HRESULT hr)
{
    double now = Elapsed();
    EnterCriticalSection(&gLock);
    const char *what = gCallWhat, *file = gCallFile;
    int line = gCallLine;
    DWORD ms = (DWORD)((now - gCallStart) * 1000);
    gCallWhat = NULL;
    gLastCallMs = ms;
    gCalls++;
    if (ms > gSlowestCallMs) {
        gSlowestCallMs = ms;
        snprintf(gSlowestCall, sizeof(gSlowestCall), "%s at %s:%d", what, BaseName(file), line);
    }
    LeaveCriticalSection(&gLock);
    if (ms > kCallBoundMs)
        CheckAt(file, line, false, "%s returned after %lu ms (bound %lu ms)", what, ms, kCallBoundMs);
    return hr;
}

DWORD LastCallMs()
{
    return gLastCallMs;
}

int RunCase(const char *name, CaseRoutine routine, const char *clip, const char *argument, DWORD budgetSeconds)
{
    static bool started;
    if (!started) {
        InitializeCriticalSection(&gLock);
        QueryPerformanceFrequency(&gFrequency);
        QueryPerformanceCounter(&gStart);
        CloseHandle(CreateThread(NULL, 0, Watchdog, NULL, 0, NULL));
        started = true;
    }
    EnterCriticalSection(&gLock);
    gCaseName = name;
    gCaseDeadline = Elapsed() + budgetSeconds;
    gChecks = gFailures = gCalls = 0;
    gSlowestCallMs = 0;
    gSlowestCall[0] = 0;
    LeaveCriticalSection(&gLock);
    double start = Elapsed();
    routine(clip, argument);
    if (gChecks == 0)
        ok(false, "the case checked nothing");
    EnterCriticalSection(&gLock);
    gCaseDeadline = 0;
    printf("%s %s: %d of %d checks failed, %d calls, slowest %lu ms (%s), %.1f s\n", gFailures ? "FAIL" : "PASS", name,
           gFailures, gChecks, gCalls, gSlowestCallMs, gSlowestCall[0] ? gSlowestCall : "none", Elapsed() - start);
    fflush(stdout);
    LeaveCriticalSection(&gLock);
    return gFailures;
}
