// Control from other programs: the main window's hot keys held while the mode is on, so that they
// work whichever program has the focus. Those that another program holds are said once, by name.
#include "app/player_state.h"
#include "app/shell.h"
#include "support/support.h"

#include <string.h>

// Appends ", name" (or the first name alone); the list stays terminated when it is full.
static void AppendName(char *names, size_t size, const char *name)
{
    size_t length = strlen(names);
    _snprintf(names + length, size - 1 - length, "%s%s", length ? ", " : "", name);
    names[size - 1] = 0;
}

// No repeat: a key held down acts once, as a pedal that sends keys would otherwise flood the player.
void HoldHotKeys()
{
    char refused[256] = "";
    int refusals = 0;
    for (int i = 0; i < HotKeyCount(); i++) {
        const char *name;
        UINT id = HotKeyAt(i, &name);
        if (RegisterHotKey(ghApp, (int)id, MOD_NOREPEAT | (id >> 8), id & 0xFF))
            continue;
        AppendName(refused, sizeof(refused), name);
        refusals++;
    }
    if (refusals == 1)
        ReportMessage("The key %s could not be held for control from other programs: another program holds it.\r\n", refused);
    else if (refusals > 1)
        ReportMessage("The keys %s could not be held for control from other programs: another program holds them.\r\n", refused);
}

// A key that was never held (another program's) is refused quietly.
void ReleaseHotKeys()
{
    for (int i = 0; i < HotKeyCount(); i++)
        UnregisterHotKey(ghApp, (int)HotKeyAt(i, NULL));
}
