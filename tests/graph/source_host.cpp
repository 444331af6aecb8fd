// The player's own source hosted in the platform's own filter graph, with its real renderers,
// which block as the native tests' stand-ins do not. One case a run:
//   lumetrone-graph-test CASE CLIP [ARGUMENT]
// Prints a line a check and PASS or FAIL with the case's numbers; exits 1 on a failure, 2 on a
// wrong command line, 3 when the watchdog found a call or the case hung.
#include "graph/cases.h"
#include "graph/check.h"
#include "engine/engine.h"

#include <stdio.h>
#include <string.h>

struct Case {
    const char *name;
    CaseRoutine routine;
    DWORD       budgetSeconds;   // the case's whole time, beyond which it has hung
};

static const Case kCases[] = {
    {"seeks", SeeksCase, 45},
    {"stop-positions", StopPositionsCase, 45},
    {"rate", RateCase, 45},
    {"end", EndCase, 45},
    {"reader-error", ReaderErrorCase, 45},
    {"stop-while-blocked", StopWhileBlockedCase, 45},
    {"release-running", ReleaseRunningCase, 45},
    {"stress", StressCase, 240},
};

int main(int argc, char **argv)
{
    const Case *chosen = NULL;
    for (const Case &c : kCases)
        if (argc >= 3 && strcmp(argv[1], c.name) == 0)
            chosen = &c;
    if (!chosen) {
        fprintf(stderr, "usage: lumetrone-graph-test CASE CLIP [ARGUMENT]; CASE is one of:");
        for (const Case &c : kCases)
            fprintf(stderr, " %s", c.name);
        fprintf(stderr, "\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED)))
        return 2;
    StartMediaFoundation();
    int failures = RunCase(chosen->name, chosen->routine, argv[2], argc > 3 ? argv[3] : NULL, chosen->budgetSeconds);
    CoUninitialize();
    // As the player ends, without shutting Media Foundation down: threads that the reader left in
    // GStreamer can fault while its libraries unload under Wine.
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), failures ? 1 : 0);
    return failures ? 1 : 0;
}
