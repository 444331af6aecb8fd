// The registry record of the clip opened last, reopened at a start without a command line.
#include "app/player_state.h"
#include "app/shell.h"
#include "support/support.h"

#include <string.h>

static const char kLastClipKey[] = "Software\\Kestrovan\\Lumetrone\\";

void SaveLastClip()
{
    if (!gszFileName[0])
        return;
    char name[MAX_PATH] = {};
    char folder[MAX_PATH] = {};
    SplitPath(gszFileName, name, folder);
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kLastClipKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &key, &disposition) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "lastpath", 0, REG_SZ, (const BYTE *)folder, MAX_PATH);
    RegSetValueExA(key, "lastfile", 0, REG_SZ, (const BYTE *)name, MAX_PATH);
    RegCloseKey(key);
}

// Only a string value that fits and is not empty is taken; one without a terminator is
// terminated after its last byte, hence the extra character.
static bool ReadPathValue(HKEY key, const char *value, char text[MAX_PATH + 1])
{
    DWORD type = 0;
    DWORD size = MAX_PATH;
    if (RegQueryValueExA(key, value, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS || type != REG_SZ ||
        size > MAX_PATH)
        return false;
    text[size] = 0;
    return text[0] != 0;
}

// A record that cannot be used, or names a clip that is no longer there, is as good as none:
// gszFileName stays empty and the open dialog is offered.
void LoadLastClip()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLastClipKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    char folder[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    bool usable = ReadPathValue(key, "lastpath", folder) && ReadPathValue(key, "lastfile", name);
    RegCloseKey(key);
    if (!usable || strlen(folder) + 1 + strlen(name) > MAX_PATH - 1)
        return;
    char path[MAX_PATH];
    JoinPath(path, folder, name);
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        CopyPath(gszFileName, path);
}
