// The current place on the clipboard, as Unicode text in the strip's format, ready for notes; and
// the whole clipboard kept aside while another program copies a selection onto it, then put back.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <string.h>

static const int kPlaceCharacters = 32;
static const DWORD kClipboardPatienceMs = 1000;

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

// Right after a copy the program that made it, or a clipboard history, may still hold it a moment.
static bool OpenClipboardPatiently()
{
    DWORD start = GetTickCount();
    while (!OpenClipboard(ghApp)) {
        if (GetTickCount() - start >= kClipboardPatienceMs)
            return false;
        Sleep(10);
    }
    return true;
}

enum SavedAs { NotSaved, SavedAsMemory, SavedAsMetafile };

// The system makes a bitmap, a palette and an old metafile picture again from the DIB and the
// enhanced metafile kept beside them; what the owner draws, or keeps private, cannot be copied.
// Everything else is movable memory, copied byte for byte.
static SavedAs HowToSave(UINT format)
{
    switch (format) {
    case CF_BITMAP:
    case CF_METAFILEPICT:
    case CF_PALETTE:
    case CF_OWNERDISPLAY:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
        return NotSaved;
    case CF_ENHMETAFILE:
    case CF_DSPENHMETAFILE:
        return SavedAsMetafile;
    default:
        return format >= CF_PRIVATEFIRST && format <= CF_GDIOBJLAST ? NotSaved : SavedAsMemory;
    }
}

static HGLOBAL CopyOfMemory(HANDLE data, SIZE_T size)
{
    const void *from = GlobalLock(data);
    if (!from)
        return NULL;
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, size);
    void *to = copy ? GlobalLock(copy) : NULL;
    if (to) {
        memcpy(to, from, size);
        GlobalUnlock(copy);
    } else if (copy) {
        GlobalFree(copy);
        copy = NULL;
    }
    GlobalUnlock(data);
    return copy;
}

// False when a format could not be copied: the clipboard would then not come back whole.
static bool SaveFormat(SavedClipboard *saved, UINT format)
{
    SavedAs how = HowToSave(format);
    HANDLE data = how == NotSaved ? NULL : GetClipboardData(format);
    SIZE_T size = data && how == SavedAsMemory ? GlobalSize(data) : 0;
    if (!data || (how == SavedAsMemory && !size))
        return true;
    if (saved->count == kMostSavedFormats)
        return false;
    HANDLE copy = how == SavedAsMetafile ? (HANDLE)CopyEnhMetaFile((HENHMETAFILE)data, NULL) : CopyOfMemory(data, size);
    if (!copy)
        return false;
    saved->formats[saved->count] = format;
    saved->data[saved->count++] = copy;
    return true;
}

static void FreeCopy(UINT format, HANDLE copy)
{
    if (HowToSave(format) == SavedAsMetafile)
        DeleteEnhMetaFile((HENHMETAFILE)copy);
    else
        GlobalFree(copy);
}

void FreeSavedClipboard(SavedClipboard *saved)
{
    for (int i = 0; i < saved->count; i++)
        FreeCopy(saved->formats[i], saved->data[i]);
    saved->count = 0;
}

bool SaveClipboard(SavedClipboard *saved)
{
    saved->count = 0;
    if (!OpenClipboardPatiently()) {
        ReportMessage("The selected time could not be read: another program is using the clipboard.\r\n");
        return false;
    }
    bool whole = true;
    for (UINT format = EnumClipboardFormats(0); format && whole; format = EnumClipboardFormats(format))
        whole = SaveFormat(saved, format);
    CloseClipboard();
    if (!whole) {
        FreeSavedClipboard(saved);
        ReportMessage("The selected time could not be read: the clipboard's contents could not be kept aside.\r\n");
    }
    return whole;
}

// The text may lack its terminator: it is read no further than its memory goes.
static bool FindTimeOnClipboard(REFERENCE_TIME *time)
{
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    SIZE_T characters = data ? GlobalSize(data) / sizeof(WCHAR) : 0;
    const WCHAR *text = characters ? (const WCHAR *)GlobalLock(data) : NULL;
    if (!text)
        return false;
    bool found = FindTimeInText(text, characters, time);
    GlobalUnlock(data);
    return found;
}

bool ReadTimeAndRestoreClipboard(SavedClipboard *saved, REFERENCE_TIME *time)
{
    if (!OpenClipboardPatiently()) {
        FreeSavedClipboard(saved);
        ReportMessage("The clipboard could not be put back as it was: another program is using it.\r\n");
        return false;
    }
    bool found = FindTimeOnClipboard(time);
    // Each format taken is the clipboard's from then on; one refused stays the player's to free.
    EmptyClipboard();
    for (int i = 0; i < saved->count; i++)
        if (!SetClipboardData(saved->formats[i], saved->data[i]))
            FreeCopy(saved->formats[i], saved->data[i]);
    saved->count = 0;
    CloseClipboard();
    return found;
}
