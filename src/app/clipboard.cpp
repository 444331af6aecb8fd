// The current place on the clipboard, as Unicode text in the strip's format, ready for notes.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "presentation/presentation.h"
#include "support/support.h"

static const int kPlaceCharacters = 32;

void CopyTime()
{
    if (!pMS)
        return;
    char place[kPlaceCharacters];
    FormatClipPlace(place, sizeof(place), CurrentPosition(), ClipDuration());

    // The clipboard owns the memory once it is taken; until then it is the player's to free.
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, kPlaceCharacters * sizeof(WCHAR));
    WCHAR *text = memory ? (WCHAR *)GlobalLock(memory) : NULL;
    if (!text) {
        if (memory)
            GlobalFree(memory);
        ReportMessage("The time could not be copied: there is not enough memory.\r\n");
        return;
    }
    AnsiToWide(place, text, kPlaceCharacters);
    GlobalUnlock(memory);
    if (!OpenClipboard(ghApp)) {
        GlobalFree(memory);
        ReportMessage("The time could not be copied: another program is using the clipboard.\r\n");
        return;
    }
    EmptyClipboard();
    if (!SetClipboardData(CF_UNICODETEXT, memory))
        GlobalFree(memory);
    CloseClipboard();
}
