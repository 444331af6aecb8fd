// The turn that saves take and the whole replace of a file beside the clip, shared by the bookmark
// file and the notes file.
#include "navigation/whole_file.h"
#include "support/support.h"

#include <string.h>

// Instances take turns at a save; one that finds the turn taken waits this long, this many times.
static const DWORD kTurnWaitMs = 25;
static const int kTurnTries = 80;
// Saves that run at once each write a file of their own: "~" and two hex digits for the last three.
static const int kFreshNames = 256;

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

DWORD ReplaceWholeFile(const char *name, ContentWriter write, const void *content)
{
    char fresh[PATH_BYTES];
    CopyPath(fresh, name);
    size_t length = strlen(fresh);
    DWORD seed = GetCurrentProcessId() + GetTickCount();
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int i = 0; i < kFreshNames && error == ERROR_FILE_EXISTS; i++) {
        wsprintfA(fresh + length - 3, "~%02X", (unsigned)((seed + (DWORD)i) & 0xFF));
        file = CreateFileA(fresh, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        error = file == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
    }
    if (file == INVALID_HANDLE_VALUE)
        return error;
    bool written = write(file, content);
    error = written ? ERROR_SUCCESS : GetLastError();
    CloseHandle(file);
    if (written && !MoveFileExA(fresh, name, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS)
        DeleteFileA(fresh);
    return error;
}
