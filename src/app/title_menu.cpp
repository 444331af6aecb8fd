// Keeps the caption and the menu's checks and greying in step with the player state.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "support/support.h"

#include <stdio.h>

static const int kSizeItems[] = { IDM_SIZE_HALF, IDM_SIZE_DOUBLE, IDM_SIZE_NORMAL, IDM_SIZE_THREE_QUARTER };
// What the own source alone does to the sound: a clip the engine's graph plays keeps its own.
static const int kSoundItems[] = { IDM_LEVELLING, IDM_SIDES_BOTH, IDM_SIDES_LEFT, IDM_SIDES_RIGHT };
static const int kTransportItems[] = { IDM_PAUSE_PLAY, IDM_STOP, IDM_MUTE, IDM_GO_TO_TIME, IDM_COPY_TIME,
                                       IDM_EXPORT_MARKS };

void UpdateTitle()
{
    char caption[PATH_BYTES + 32];
    if (!gszFileName[0]) {
        CopyPath(caption, PRODUCT_NAME);
    } else {
        char name[PATH_BYTES];
        FileNameOf(gszFileName, name);
        _snprintf(caption, sizeof(caption) - 1, "%s [%s] %s%s", name,
                  gbAudioOnly ? "Audio" : "Video",
                  glMuteVolume == -10000 ? "(Muted)" : "",
                  gPlayState == Paused ? "(Paused)" : "");
        caption[sizeof(caption) - 1] = 0;
    }
    SetWindowTextA(ghApp, caption);
}

void CheckSizeItem(int command)
{
    for (int item : kSizeItems)
        CheckMenuItem(ghMenu, item, item == command ? MF_CHECKED : MF_UNCHECKED);
}

void EnableClipMenus(ClipMenus menus)
{
    UINT transport = menus == NoClipMenus ? MF_GRAYED : MF_ENABLED;
    UINT video = menus == VideoClipMenus ? MF_ENABLED : MF_GRAYED;
    for (int item : kTransportItems)
        EnableMenuItem(ghMenu, item, transport);
    for (int item : kSizeItems)
        EnableMenuItem(ghMenu, item, video);
    EnableMenuItem(ghMenu, IDM_FULL_SCREEN, video);
    UINT sound = menus == NoClipMenus || pSource ? MF_ENABLED : MF_GRAYED;
    for (int item : kSoundItems)
        EnableMenuItem(ghMenu, item, sound);
    // The jumps to words read the overview, which only the own source's clips have.
    UINT words = menus != NoClipMenus && gOverview ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(ghMenu, IDM_NEXT_WORDS, words);
    EnableMenuItem(ghMenu, IDM_PREVIOUS_WORDS, words);
}
