// The registry record of the clip opened last, and where it was left, reopened at a start without
// a command line.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "support/support.h"

#include <string.h>

const char kLastClipKey[] = "Software\\Kestrovan\\Lumetrone\\";
static const char kPositionValue[] = "lastposition";   // 100-ns units into the last clip

// The record is the user's own. Earlier versions kept it for the machine: read there while the
// user has none, never written there again.
static LONG OpenRecord(REGSAM access, HKEY *key)
{
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kLastClipKey, 0, access, key);
    if (status == ERROR_FILE_NOT_FOUND && access == KEY_QUERY_VALUE)
        status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kLastClipKey, 0, access, key);
    return status;
}

// A string value is written with its text and terminator, nothing after them.
static void WriteText(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1);
}

void SaveLastClip()
{
    if (!gszFileName[0])
        return;
    char name[PATH_BYTES] = {};
    char folder[PATH_BYTES] = {};
    SplitPath(gszFileName, name, folder);
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kLastClipKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL,
                        &key, &disposition) != ERROR_SUCCESS)
        return;
    WriteText(key, "lastpath", folder);
    WriteText(key, "lastfile", name);
    // A newly recorded clip starts from the beginning until it is left somewhere.
    ULONGLONG start = 0;
    RegSetValueExA(key, kPositionValue, 0, REG_QWORD, (const BYTE *)&start, sizeof(start));
    RegCloseKey(key);
}

// Only a string value that fits and is not empty is taken; one without a terminator is
// terminated after its last byte, hence the extra character.
static bool ReadPathValue(HKEY key, const char *value, char text[PATH_BYTES + 1])
{
    DWORD type = 0;
    DWORD size = PATH_BYTES;
    if (RegQueryValueExA(key, value, NULL, &type, (BYTE *)text, &size) != ERROR_SUCCESS || type != REG_SZ ||
        size > PATH_BYTES)
        return false;
    text[size] = 0;
    return text[0] != 0;
}

// The place the current clip is left at, kept only while the record still names this clip:
// another instance may have recorded a clip of its own since.
void SaveLastPosition()
{
    if (!pMS || !gszFileName[0])
        return;
    REFERENCE_TIME position = CurrentPosition();
    char name[PATH_BYTES];
    char folder[PATH_BYTES];
    SplitPath(gszFileName, name, folder);
    HKEY key;
    if (OpenRecord(KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char recordedFolder[PATH_BYTES + 1];
    char recordedName[PATH_BYTES + 1];
    if (ReadPathValue(key, "lastpath", recordedFolder) && ReadPathValue(key, "lastfile", recordedName) &&
        !lstrcmpiA(recordedFolder, folder) && !lstrcmpiA(recordedName, name))
        RegSetValueExA(key, kPositionValue, 0, REG_QWORD, (const BYTE *)&position, sizeof(position));
    RegCloseKey(key);
}

// A place that is missing, not a 64-bit value or not after the start reads as the start.
static REFERENCE_TIME ReadPosition(HKEY key)
{
    REFERENCE_TIME position = 0;
    DWORD type = 0;
    DWORD size = sizeof(position);
    if (RegQueryValueExA(key, kPositionValue, NULL, &type, (BYTE *)&position, &size) != ERROR_SUCCESS ||
        type != REG_QWORD || size != sizeof(position) || position < 0)
        return 0;
    return position;
}

// A record that cannot be used, or names a clip that is no longer there, is as good as none:
// gszFileName stays empty and the open dialog is offered.
void LoadLastClip()
{
    HKEY key;
    if (OpenRecord(KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return;
    char folder[PATH_BYTES + 1];
    char name[PATH_BYTES + 1];
    bool usable = ReadPathValue(key, "lastpath", folder) && ReadPathValue(key, "lastfile", name);
    REFERENCE_TIME position = ReadPosition(key);
    RegCloseKey(key);
    char path[PATH_BYTES];
    if (!usable || !JoinPath(path, folder, name))
        return;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CopyPath(gszFileName, path);
        grtResume = position;
    }
}
