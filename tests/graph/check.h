// What the graph test's cases share: checks in the manner of Wine's conformance tests, which name
// their line and print their numbers, and one watchdog that times every call into the graph.
#pragma once

#include <windows.h>
#include <dshow.h>

static const REFERENCE_TIME kSecond = 10000000;
static const REFERENCE_TIME kMillisecond = 10000;

// A call slower than this fails the case, with its time.
static const DWORD kCallBoundMs = 2000;
// A call that has not returned after this has hung: the watchdog names it and ends the process.
static const DWORD kHangBoundMs = 10000;

#define ok(condition, ...) CheckAt(__FILE__, __LINE__, (condition), __VA_ARGS__)
bool CheckAt(const char *file, int line, bool passed, const char *format, ...) __attribute__((format(printf, 4, 5)));
// A line of numbers that is not itself a check.
#define trace(...) TraceAt(__FILE__, __LINE__, __VA_ARGS__)
void TraceAt(const char *file, int line, const char *format, ...) __attribute__((format(printf, 3, 4)));

// Runs one case under the watchdog, which ends the process if the case outlives budgetSeconds,
// and prints its PASS or FAIL line. Answers the case's failures.
typedef void (*CaseRoutine)(const char *clip, const char *argument);
int RunCase(const char *name, CaseRoutine routine, const char *clip, const char *argument, DWORD budgetSeconds);
int CaseFailures();

// Every call into the graph or the filter goes through CALL (for an HRESULT) or CALL_VOID.
#define CALL(expr) (WatchBegin(#expr, __FILE__, __LINE__), WatchEnd((expr)))
#define CALL_VOID(expr) (WatchBegin(#expr, __FILE__, __LINE__), (expr), (void)WatchEnd(S_OK))
void    WatchBegin(const char *what, const char *file, int line);
HRESULT WatchEnd(HRESULT hr);
DWORD   LastCallMs();

double Elapsed();                     // seconds since the process started
double Seconds(REFERENCE_TIME time);  // media time in seconds
