// The Control menu's lasting choices, kept for the user beside the last-clip record: control from
// other programs (`globalkeys`), the rewind on resume (`rewindseconds`), the A-B loop's repeats
// (`loopcount`, `loopgap`), the voices levelled (`levelling`) and the channels heard (`channels`),
// all REG_DWORD, as are the other values kept for the user there.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"

static const char kGlobalKeysValue[] = "globalkeys";   // 1: on; anything else: off
static const char kRewindValue[] = "rewindseconds";    // one of the menu's choices; anything else: Off
static const char kLoopCountValue[] = "loopcount";     // 2, 3 or 5 times; anything else: forever
static const char kLoopGapValue[] = "loopgap";         // 1 or 2 seconds; anything else: none
static const char kLevellingValue[] = "levelling";     // 1: on; anything else: off
static const char kChannelsValue[] = "channels";       // 1: the left alone, 2: the right alone; anything else: both

DWORD ReadUserSetting(const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kLastClipKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *)&value, &size) != ERROR_SUCCESS || type != REG_DWORD ||
        size != sizeof(value))
        value = 0;
    RegCloseKey(key);
    return value;
}

void WriteUserSetting(const char *name, DWORD value)
{
    HKEY key;
    DWORD disposition;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kLastClipKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, &disposition) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&value, sizeof(value));
    RegCloseKey(key);
}

static void ShowSettings()
{
    CheckMenuItem(ghMenu, IDM_GLOBAL_KEYS, gbGlobalKeys ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuRadioItem(ghMenu, IDM_REWIND_OFF, IDM_REWIND_5, IDM_REWIND_OFF + giRewindSeconds, MF_BYCOMMAND);
    CheckMenuRadioItem(ghMenu, IDM_LOOP_FOREVER, IDM_LOOP_5, IDM_LOOP_FOREVER + giLoopCount, MF_BYCOMMAND);
    CheckMenuRadioItem(ghMenu, IDM_LOOP_GAP_NONE, IDM_LOOP_GAP_2, IDM_LOOP_GAP_NONE + giLoopGapSeconds, MF_BYCOMMAND);
    CheckMenuItem(ghMenu, IDM_LEVELLING, gbLevelling ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuRadioItem(ghMenu, IDM_SIDES_BOTH, IDM_SIDES_RIGHT, IDM_SIDES_BOTH + giSideHeard, MF_BYCOMMAND);
}

void LoadControlSettings()
{
    gbGlobalKeys = ReadUserSetting(kGlobalKeysValue) == 1;
    DWORD seconds = ReadUserSetting(kRewindValue);
    giRewindSeconds = seconds <= 3 || seconds == 5 ? (int)seconds : 0;
    LoadSkipLengths();
    DWORD count = ReadUserSetting(kLoopCountValue);
    giLoopCount = count == 2 || count == 3 || count == 5 ? (int)count : 0;
    DWORD gap = ReadUserSetting(kLoopGapValue);
    giLoopGapSeconds = gap <= 2 ? (int)gap : 0;
    gbLevelling = ReadUserSetting(kLevellingValue) == 1;
    DWORD side = ReadUserSetting(kChannelsValue);
    giSideHeard = side <= 2 ? (int)side : 0;
    ShowSettings();
    // The keys are held once the first clip plays: one that another program holds is said in a modal
    // box, which must not keep the clip waiting.
    if (gbGlobalKeys)
        PostMessageA(ghApp, WM_HOLD_HOT_KEYS, 0, 0);
    ListenToPedals();
}

// The pedals are heard afresh, in the background or no longer.
void ToggleGlobalKeys()
{
    gbGlobalKeys = !gbGlobalKeys;
    WriteUserSetting(kGlobalKeysValue, gbGlobalKeys ? 1 : 0);
    if (gbGlobalKeys)
        HoldHotKeys();
    else
        ReleaseHotKeys();
    ListenToPedals();
    ShowSettings();
}

void SetRewindSeconds(int seconds)
{
    giRewindSeconds = seconds;
    WriteUserSetting(kRewindValue, (DWORD)seconds);
    ShowSettings();
}

// Both take effect at the loop's next arrival at B.
void SetLoopCount(int count)
{
    giLoopCount = count;
    WriteUserSetting(kLoopCountValue, (DWORD)count);
    ShowSettings();
}

void SetLoopGap(int seconds)
{
    giLoopGapSeconds = seconds;
    WriteUserSetting(kLoopGapValue, (DWORD)seconds);
    ShowSettings();
}

// A clip the engine's own graph plays keeps its sound as it is: only the own source hears these.
void ApplySoundSettings()
{
    if (!pSource)
        return;
    SetOwnSourceLevelling(pSource, gbLevelling != FALSE);
    SetOwnSourceSide(pSource, giSideHeard);
}

// While the engine's own graph plays a clip, the items are greyed and their keys do nothing.
static bool SoundIsFixed()
{
    return pGB && !pSource;
}

void ToggleLevelling()
{
    if (SoundIsFixed())
        return;
    gbLevelling = !gbLevelling;
    WriteUserSetting(kLevellingValue, gbLevelling ? 1 : 0);
    ApplySoundSettings();
    ShowSettings();
}

void SetSideHeard(int side)
{
    if (SoundIsFixed())
        return;
    giSideHeard = side;
    WriteUserSetting(kChannelsValue, (DWORD)side);
    ApplySoundSettings();
    ShowSettings();
}

void ReleaseControl()
{
    if (gbGlobalKeys)
        ReleaseHotKeys();
    StopListeningToPedals();
}
