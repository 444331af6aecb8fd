// File > Export marks... (Ctrl+E): the clip's marks and notes through a Save dialog into a SubRip,
// WebVTT, Audacity label or CSV file, written whole beside itself and then moved over the name.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/export_marks.h"
#include "navigation/navigation.h"
#include "support/support.h"
#include "support/whole_file.h"

#include <stdlib.h>
#include <string.h>

// In the order of MarkExportFormat.
static const WCHAR kExportTypes[] =
    L"SubRip (*.srt)\0*.srt\0WebVTT (*.vtt)\0*.vtt\0Audacity labels (*.txt)\0*.txt\0CSV (*.csv)\0*.csv\0";

// The program's own reason beside the system's errors (bit 29: an application's code).
static const DWORD kReadOnlyExport = 0x20000011;

// The marks and notes as they stand now: the dialog's own loop goes on playing, and the clip may end
// and give way to the next one before the user has chosen a name.
static bool TakeMarks(MarkExport *marks)
{
    ZeroMemory(marks, sizeof(*marks));
    REFERENCE_TIME *places = (REFERENCE_TIME *)malloc((size_t)gnBookmarks * sizeof(places[0]));
    char **notes = (char **)calloc((size_t)gnBookmarks, sizeof(notes[0]));
    marks->marks = places;
    marks->notes = notes;
    if (!places || !notes)
        return false;
    marks->count = gnBookmarks;
    marks->duration = ClipDuration();
    for (int i = 0; i < gnBookmarks; i++) {
        places[i] = gBookmarks[i];
        const char *note = NoteOfMark(places[i]);
        if (!note)
            continue;
        size_t size = strlen(note) + 1;
        notes[i] = (char *)malloc(size);
        if (!notes[i])
            return false;
        memcpy(notes[i], note, size);
    }
    return true;
}

static void ReleaseMarks(MarkExport *marks)
{
    for (int i = 0; marks->notes && i < marks->count; i++)
        free((void *)marks->notes[i]);
    free((void *)marks->notes);
    free((void *)marks->marks);
    ZeroMemory(marks, sizeof(*marks));
}

// The dialog opens in the clip's folder on the clip's name less its extension. False when the user
// cancels, or when the dialog could not be shown, which is said.
static bool ChooseExportFile(char *name, DWORD *filterIndex)
{
    char clipName[PATH_BYTES], folder[PATH_BYTES];
    SplitPath(gszFileName, clipName, folder);
    char *dot = strrchr(clipName, '.');
    if (dot && dot != clipName)
        *dot = 0;
    WCHAR file[MAX_PATH], initialFolder[MAX_PATH];
    if (!AnsiToWide(clipName, file, MAX_PATH))
        file[0] = 0;
    if (!AnsiToWide(folder, initialFolder, MAX_PATH))
        initialFolder[0] = 0;

    OPENFILENAMEW dialog;
    ZeroMemory(&dialog, sizeof(dialog));
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = ghApp;
    dialog.lpstrFilter = kExportTypes;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = initialFolder[0] ? initialFolder : NULL;
    dialog.lpstrTitle = L"Export marks";
    dialog.lpstrDefExt = L"srt";
    // The dialog asks before an existing file is replaced; nothing here replaces one unasked.
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) {
        DWORD error = CommDlgExtendedError();
        if (error)
            ReportMessage("The Save dialog could not be shown (error 0x%lx).\r\n", (unsigned long)error);
        return false;
    }
    *filterIndex = dialog.nFilterIndex;
    if (WideToAnsi(file, name, PATH_BYTES))
        return true;
    ReportMessage("The marks could not be exported: the name chosen is longer than %d characters.\r\n", MAX_PATH - 1);
    return false;
}

static bool WriteExportText(HANDLE file, const void *content)
{
    const ExportText *text = (const ExportText *)content;
    DWORD written = 0;
    if (!WriteFile(file, text->text, (DWORD)text->length, &written, NULL))
        return false;
    if (written != text->length)
        SetLastError(ERROR_WRITE_FAULT);
    return written == text->length;
}

// The whole text into a fresh file, then moved over the name: a reader of the name never sees half
// a file, and a failed write leaves whatever was there as it was.
static DWORD WriteWhole(const char *name, const ExportText *text)
{
    // A file the user made read-only is meant to stay as it is, whatever the system would allow.
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return kReadOnlyExport;
    return ReplaceWholeFile(name, WriteExportText, text);
}

static void ReportUnwritten(const char *name, DWORD reason)
{
    switch (reason) {
    case kReadOnlyExport:
        ReportMessage("The marks could not be exported: %s is read-only.\r\nIt was left as it was.\r\n", name);
        break;
    case ERROR_ACCESS_DENIED:
        ReportMessage("The marks could not be exported: Windows does not allow writing %s.\r\n", name);
        break;
    case ERROR_SHARING_VIOLATION:
        ReportMessage("The marks could not be exported: another program has %s open.\r\n"
                      "Close it there and export again.\r\n", name);
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        ReportMessage("The marks could not be exported to %s: the disk is full.\r\n", name);
        break;
    case ERROR_FILENAME_EXCED_RANGE:
        ReportMessage("The marks could not be exported to %s: its path is too long.\r\n", name);
        break;
    default:
        ReportMessage("The marks could not be exported to %s (error %lu).\r\n", name, (unsigned long)reason);
        break;
    }
}

// Without a clip it does nothing, as its greyed item says; a clip without marks is said.
void ExportMarks()
{
    if (!pMC || !pMS)
        return;
    if (gnBookmarks == 0) {
        ReportMessage("This clip has no marks to export.\r\nAdd one with b or Page Up first.\r\n");
        return;
    }
    MarkExport marks;
    if (!TakeMarks(&marks)) {
        ReleaseMarks(&marks);
        ReportMessage("The marks could not be exported: there is not enough memory.\r\n");
        return;
    }
    char name[PATH_BYTES];
    DWORD filterIndex = 1;
    if (ChooseExportFile(name, &filterIndex)) {
        ExportText text;
        if (!FormatMarkExport(ExportFormatFor(name, filterIndex), &marks, &text))
            ReportMessage("The marks could not be exported: there is not enough memory.\r\n");
        DWORD error = text.text ? WriteWhole(name, &text) : ERROR_SUCCESS;
        if (error != ERROR_SUCCESS)
            ReportUnwritten(name, error);
        FreeExportText(&text);
    }
    ReleaseMarks(&marks);
}
