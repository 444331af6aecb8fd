// The whole replace of a file, shared by the files beside the clip and the overviews' cache.
#include "support/whole_file.h"
#include "support/support.h"

#include <string.h>

// Writes that run at once each make a file of their own: "~" and two hex digits for the last three.
static const int kFreshNames = 256;

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
