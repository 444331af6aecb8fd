// Bounded path copies and the split of a path into folder and file name.
#include "support/support.h"

#include <stdio.h>
#include <string.h>

void CopyPath(char *destination, const char *source)
{
    lstrcpynA(destination, source, PATH_BYTES);
    destination[PATH_BYTES - 1] = 0;
}

// Index of the last '\' or '/' in path, or -1.
static int LastSeparator(const char *path)
{
    for (int i = (int)strlen(path) - 1; i >= 0; i--)
        if (path[i] == '\\' || path[i] == '/')
            return i;
    return -1;
}

void FileNameOf(const char *path, char *name)
{
    char copy[PATH_BYTES] = {};
    CopyPath(copy, path);
    int separator = LastSeparator(copy);
    CopyPath(name, separator >= 0 ? copy + separator + 1 : copy);
}

void SplitPath(const char *path, char *name, char *folder)
{
    CopyPath(folder, path);
    int separator = LastSeparator(folder);
    if (separator < 0) {
        CopyPath(name, folder);
        return;
    }
    CopyPath(name, folder + separator + 1);
    folder[separator] = 0;
}

// A joined path that does not fit is left empty: cut, it could name another file.
BOOL JoinPath(char *path, const char *folder, const char *name)
{
    path[0] = 0;
    if (strlen(folder) + 1 + strlen(name) > PATH_BYTES - 1)
        return FALSE;
    _snprintf(path, PATH_BYTES - 1, "%s\\%s", folder, name);
    path[PATH_BYTES - 1] = 0;
    return TRUE;
}

void FindFileNameAndDot(const WCHAR *path, int length, int *fileName, int *dot)
{
    *fileName = 0;
    *dot = -1;
    for (int i = 0; i < length; i++) {
        if (path[i] == '\\' || path[i] == '/')
            *fileName = i + 1;
        else if (path[i] == '.')
            *dot = i;
    }
}
