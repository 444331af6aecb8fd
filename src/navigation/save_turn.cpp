// The turn that saves take, shared by the bookmark file and the notes file.
#include "navigation/save_turn.h"
#include "support/support.h"

#include <string.h>

// Instances take turns at a save; one that finds the turn taken waits this long, this many times.
static const DWORD kTurnWaitMs = 25;
static const int kTurnTries = 80;

// The turn file is held open without sharing, and the system deletes it once it is closed, also
// when the process holding it ends.
bool TakeSaveTurn(const char *bookmarkFile, HANDLE *turn)
{
    char turnName[PATH_BYTES];
    CopyPath(turnName, bookmarkFile);
    turnName[strlen(turnName) - 1] = '~';
    for (int i = 0; i < kTurnTries; i++) {
        *turn = CreateFileA(turnName, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
        if (*turn != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION)
            return true;
        Sleep(kTurnWaitMs);
    }
    return false;
}

void EndSaveTurn(HANDLE turn)
{
    if (turn != INVALID_HANDLE_VALUE)
        CloseHandle(turn);
}
