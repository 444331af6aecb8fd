// The registry record of the clip opened last, reopened at a start without a command line.
#include "app/player_state.h"
#include "app/shell.h"
#include "support/support.h"

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

// A missing value, or one longer than the buffer, reads as empty; one without a terminator
// is terminated after its last byte, hence the extra character.
static void ReadPathValue(HKEY key, const char *value, char text[MAX_PATH + 1])
{
    DWORD size = MAX_PATH;
    if (RegQueryValueExA(key, value, NULL, NULL, (BYTE *)text, &size) != ERROR_SUCCESS || size > MAX_PATH)
        size = 0;
    text[size] = 0;
}

void LoadLastClip()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLastClipKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    char folder[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    ReadPathValue(key, "lastpath", folder);
    ReadPathValue(key, "lastfile", name);
    RegCloseKey(key);
    JoinPath(gszFileName, folder, name);
}
