// The marks of a clip as a subtitle, label or spreadsheet file (export_marks.cpp), for the Export
// marks command (export_file.cpp).
#pragma once

#include <windows.h>
#include <dshow.h>

// In the order of the Save dialog's types: a type's filter index less one.
enum MarkExportFormat { SubRipExport, WebVttExport, LabelExport, CsvExport };

// The marks to export, as they stood when the command was given: places in list order, each with
// its note in UTF-8 or NULL, and the clip's duration (0 where the engine could not say).
struct MarkExport {
    const REFERENCE_TIME *marks;
    const char *const *notes;
    int count;
    REFERENCE_TIME duration;
};

// Text that grows as it is written. Once memory runs out it is marked failed and takes no more.
struct ExportText {
    char *text;
    size_t length;
    size_t size;
    bool failed;
};

// The extension of the name where it is one of the four (in any case), else the type chosen in the
// dialog (its 1-based filter index; any other index is SubRip, the first).
MarkExportFormat ExportFormatFor(const char *path, DWORD filterIndex);
// The whole file in that format, in UTF-8. False when memory ran out.
bool FormatMarkExport(MarkExportFormat format, const MarkExport *marks, ExportText *out);
void FreeExportText(ExportText *out);
