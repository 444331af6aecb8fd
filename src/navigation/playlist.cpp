// The folder playlist: the clip's folder searched by extension, stepped with the arrows and at each clip's end.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <stdio.h>
#include <string.h>

static const char *const kMediaExtensions[] = { "wmv", "mp3", "avi", "mpg", "mpeg" };

void BuildPlaylist()
{
    gnPlaylist = 0;
    giPlaylist = 0;
    if (!gszFileName[0])
        return;
    for (const char *extension : kMediaExtensions)
        AddFolderMatches(extension);
}

int AddFolderMatches(const char *extension)
{
    char name[MAX_PATH];
    char folder[MAX_PATH];
    SplitPath(gszFileName, name, folder);
    CopyPath(gszFolder, folder);

    // Room for the longest folder and suffix: a pattern too long for the search is simply not found.
    char pattern[MAX_PATH + 8];
    _snprintf(pattern, sizeof(pattern) - 1, "%s\\*.%s", folder, extension);
    pattern[sizeof(pattern) - 1] = 0;

    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    do {
        if (gnPlaylist >= MAX_PLAYLIST)
            break;
        CopyPath(gPlaylist[gnPlaylist], entry.cFileName);
        if (strcmp(entry.cFileName, name) == 0)
            giPlaylist = gnPlaylist;
        gnPlaylist++;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return 0;
}

void StepPlaylist(int delta)
{
    BOOL wasFullScreen = gbFullScreen;
    UnloadClip();
    giPlaylist += delta;
    JoinPath(gszFileName, gszFolder, gPlaylist[giPlaylist]);
    PlayCurrentClip();
    if (wasFullScreen)
        ToggleFullScreen();
    SaveLastClip();
}

// Wraps from the last entry to the first; an empty list has nowhere to go.
void NextClip()
{
    if (gnPlaylist == 0)
        return;
    if (giPlaylist < gnPlaylist - 1)
        StepPlaylist(1);
    else
        StepPlaylist(-giPlaylist);
}

void PreviousClip()
{
    if (giPlaylist > 0)
        StepPlaylist(-1);
}
