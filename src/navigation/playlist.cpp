// The folder playlist: the clip's folder searched by extension, stepped with the arrows and at each clip's end.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// The player's first five, then the recordings people have today.
static const char *const kMediaExtensions[] = {
    "wmv", "mp3", "avi", "mpg", "mpeg", "m4a", "mp4", "m4v", "mov", "mkv", "webm",
    "flac", "ogg", "oga", "opus", "aac", "wav", "wma", "asf",
};

void BuildPlaylist()
{
    gnPlaylist = 0;
    giPlaylist = 0;
    if (!gszFileName[0])
        return;
    for (const char *extension : kMediaExtensions)
        AddFolderMatches(extension);
}

// Doubles the list's room; a folder of any size fits as long as memory lasts.
static bool GrowPlaylist()
{
    int slots = gnPlaylistSlots ? gnPlaylistSlots * 2 : 64;
    void *grown = realloc(gPlaylist, (size_t)slots * sizeof(gPlaylist[0]));
    if (!grown)
        return false;
    gPlaylist = (char (*)[PATH_BYTES])grown;
    gnPlaylistSlots = slots;
    return true;
}

int AddFolderMatches(const char *extension)
{
    char name[PATH_BYTES];
    char folder[PATH_BYTES];
    SplitPath(gszFileName, name, folder);
    CopyPath(gszFolder, folder);

    // Room for the longest folder and suffix: a pattern too long for the search is simply not found.
    char pattern[PATH_BYTES + 8];
    _snprintf(pattern, sizeof(pattern) - 1, "%s\\*.%s", folder, extension);
    pattern[sizeof(pattern) - 1] = 0;

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    do {
        if (gnPlaylist == gnPlaylistSlots && !GrowPlaylist())
            break;
        CopyPath(gPlaylist[gnPlaylist], entry.cFileName);
        // File names are matched as the file system matches them: whatever the letter case.
        if (lstrcmpiA(entry.cFileName, name) == 0)
            giPlaylist = gnPlaylist;
        gnPlaylist++;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return 0;
}

// Plays entry `first`; an entry that will not play is passed over in the direction of travel
// (forward wraps, backward stops at the first entry), each entry tried once. Only when none plays
// is the failure said, for the entry that was asked for.
void StepPlaylist(int first, int direction)
{
    BOOL wasFullScreen = gbFullScreen;
    LeaveClip();
    HRESULT asked = S_OK;
    int index = first;
    for (int tried = 0; tried < gnPlaylist && index >= 0; tried++) {
        giPlaylist = index;
        HRESULT status = JoinPath(gszFileName, gszFolder, gPlaylist[index]) ? StartClip(0) : E_PATH_TOO_LONG;
        if (SUCCEEDED(status)) {
            if (wasFullScreen)
                ToggleFullScreen();
            return;
        }
        if (tried == 0)
            asked = status;
        index = direction > 0 ? (index + 1) % gnPlaylist : index - 1;
    }
    giPlaylist = first;
    // A path too long to join is said by its file name.
    if (!JoinPath(gszFileName, gszFolder, gPlaylist[first]))
        CopyPath(gszFileName, gPlaylist[first]);
    AbandonClip(asked);
}

// Wraps from the last entry to the first; an empty list has nowhere to go.
void NextClip()
{
    if (gnPlaylist == 0)
        return;
    StepPlaylist(giPlaylist < gnPlaylist - 1 ? giPlaylist + 1 : 0, +1);
}

void PreviousClip()
{
    if (giPlaylist > 0)
        StepPlaylist(giPlaylist - 1, -1);
}
