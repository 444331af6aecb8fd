// Bounded path copies and the split of a path into folder and file name.
#include "support/support.h"

#include <stdio.h>
#include <string.h>

void CopyPath(char *destination, const char *source)
{
    lstrcpynA(destination, source, MAX_PATH);
    destination[MAX_PATH - 1] = 0;
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
    char copy[MAX_PATH] = {};
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

void JoinPath(char *path, const char *folder, const char *name)
{
    _snprintf(path, MAX_PATH - 1, "%s\\%s", folder, name);
    path[MAX_PATH - 1] = 0;
}
