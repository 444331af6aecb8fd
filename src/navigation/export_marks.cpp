// The marks as the files that subtitle editors, Audacity and spreadsheets read: SubRip, WebVTT,
// Audacity labels and CSV. Each mark is a cue from its place to the next later mark, at most 10 s
// long; the last one ends, at the latest, with the clip. A mark without a note reads "Mark N".
#include "navigation/export_marks.h"
#include "navigation/bookmark_file.h"

#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const LONGLONG kUnitsPerSecond = 10000000;
static const LONGLONG kUnitsPerMillisecond = 10000;
static const LONGLONG kLongestCue = 10 * kUnitsPerSecond;
static const size_t kFirstSize = 4096;

static void Append(ExportText *out, const char *text, size_t length)
{
    if (out->failed)
        return;
    if (out->length + length + 1 > out->size) {
        size_t size = out->size ? out->size : kFirstSize;
        while (size < out->length + length + 1)
            size *= 2;
        char *grown = (char *)realloc(out->text, size);
        if (!grown) {
            out->failed = true;
            return;
        }
        out->text = grown;
        out->size = size;
    }
    memcpy(out->text + out->length, text, length);
    out->length += length;
    out->text[out->length] = 0;
}

static void AppendString(ExportText *out, const char *text)
{
    Append(out, text, strlen(text));
}

// For the short pieces: numbers and times.
static void AppendFormat(ExportText *out, const char *format, ...)
{
    char piece[96];
    va_list args;
    va_start(args, format);
    int length = _vsnprintf(piece, sizeof(piece) - 1, format, args);
    va_end(args);
    piece[sizeof(piece) - 1] = 0;
    Append(out, piece, length < 0 ? strlen(piece) : (size_t)length);
}

// No clip has a place before its start.
static LONGLONG CueStart(const MarkExport *marks, int i)
{
    return marks->marks[i] > 0 ? marks->marks[i] : 0;
}

static LONGLONG CueEnd(const MarkExport *marks, int i)
{
    LONGLONG start = CueStart(marks, i);
    LONGLONG end = start <= LLONG_MAX - kLongestCue ? start + kLongestCue : LLONG_MAX;
    int later = FirstBookmarkAfter(marks->marks + i + 1, marks->count - i - 1, start);
    if (later >= 0) {
        LONGLONG next = marks->marks[i + 1 + later];
        return next < end ? next : end;
    }
    if (marks->duration > 0 && marks->duration < end)
        return marks->duration > start ? marks->duration : start;
    return end;
}

// hh:mm:ss followed by the separator and the milliseconds, as SubRip (",") and WebVTT (".") write them.
static void AppendCueTime(ExportText *out, LONGLONG time, char separator)
{
    LONGLONG seconds = time / kUnitsPerSecond;
    AppendFormat(out, "%02lld:%02lld:%02lld%c%03lld", seconds / 3600, seconds / 60 % 60, seconds % 60, separator,
                 time % kUnitsPerSecond / kUnitsPerMillisecond);
}

static void AppendCueTimes(ExportText *out, const MarkExport *marks, int i, char separator, const char *lineEnd)
{
    AppendCueTime(out, CueStart(marks, i), separator);
    AppendString(out, " --> ");
    AppendCueTime(out, CueEnd(marks, i), separator);
    AppendString(out, lineEnd);
}

static bool HasNote(const MarkExport *marks, int i)
{
    return marks->notes && marks->notes[i] && marks->notes[i][0];
}

// A note kept to its one line: a line break would end the cue, a tab the label's text.
static void AppendLineText(ExportText *out, const MarkExport *marks, int i, bool webVtt)
{
    if (!HasNote(marks, i)) {
        AppendFormat(out, "Mark %d", i + 1);
        return;
    }
    for (const char *c = marks->notes[i]; *c; c++) {
        if (*c == '\r' || *c == '\n' || *c == '\t')
            AppendString(out, " ");
        // WebVTT reads "<" as the start of a tag and "&" as the start of an escape.
        else if (webVtt && *c == '<')
            AppendString(out, "&lt;");
        else if (webVtt && *c == '>')
            AppendString(out, "&gt;");
        else if (webVtt && *c == '&')
            AppendString(out, "&amp;");
        else
            Append(out, c, 1);
    }
}

static void FormatSubRip(const MarkExport *marks, ExportText *out)
{
    for (int i = 0; i < marks->count; i++) {
        AppendFormat(out, "%d\r\n", i + 1);
        AppendCueTimes(out, marks, i, ',', "\r\n");
        AppendLineText(out, marks, i, false);
        AppendString(out, "\r\n\r\n");
    }
}

static void FormatWebVtt(const MarkExport *marks, ExportText *out)
{
    AppendString(out, "WEBVTT\n");
    for (int i = 0; i < marks->count; i++) {
        AppendFormat(out, "\n%d\n", i + 1);
        AppendCueTimes(out, marks, i, '.', "\n");
        AppendLineText(out, marks, i, true);
        AppendString(out, "\n");
    }
}

// Seconds to the 100 ns, as Audacity's labels keep them.
static void AppendLabelTime(ExportText *out, LONGLONG time)
{
    AppendFormat(out, "%lld.%07lld", time / kUnitsPerSecond, time % kUnitsPerSecond);
}

static void FormatLabels(const MarkExport *marks, ExportText *out)
{
    for (int i = 0; i < marks->count; i++) {
        AppendLabelTime(out, CueStart(marks, i));
        AppendString(out, "\t");
        AppendLabelTime(out, CueEnd(marks, i));
        AppendString(out, "\t");
        AppendLineText(out, marks, i, false);
        AppendString(out, "\n");
    }
}

// A field with a comma, a quote or a line break goes in quotes, its quotes doubled.
static void AppendCsvNote(ExportText *out, const char *note)
{
    if (!strpbrk(note, ",\"\r\n")) {
        AppendString(out, note);
        return;
    }
    AppendString(out, "\"");
    for (const char *c = note; *c; c++) {
        Append(out, c, 1);
        if (*c == '"')
            Append(out, c, 1);
    }
    AppendString(out, "\"");
}

// The byte-order mark tells spreadsheets the text is UTF-8, so every script reads as typed.
static void FormatCsv(const MarkExport *marks, ExportText *out)
{
    AppendString(out, "\xEF\xBB\xBFNumber,Seconds,Time,Note\r\n");
    for (int i = 0; i < marks->count; i++) {
        LONGLONG start = CueStart(marks, i);
        LONGLONG seconds = start / kUnitsPerSecond;
        LONGLONG milliseconds = start % kUnitsPerSecond / kUnitsPerMillisecond;
        AppendFormat(out, "%d,%lld.%03lld,%lld:%02lld:%02lld.%03lld,", i + 1, seconds, milliseconds,
                     seconds / 3600, seconds / 60 % 60, seconds % 60, milliseconds);
        if (HasNote(marks, i))
            AppendCsvNote(out, marks->notes[i]);
        else
            AppendFormat(out, "Mark %d", i + 1);
        AppendString(out, "\r\n");
    }
}

static bool IsExtension(const char *extension, const char *wanted)
{
    for (; *wanted; extension++, wanted++)
        if (*extension != *wanted && *extension != *wanted - 'a' + 'A')
            return false;
    return *extension == 0;
}

MarkExportFormat ExportFormatFor(const char *path, DWORD filterIndex)
{
    static const char *const kExtensions[] = { "srt", "vtt", "txt", "csv" };
    const char *dot = strrchr(path, '.');
    if (dot && !strpbrk(dot, "\\/"))
        for (int format = SubRipExport; format <= CsvExport; format++)
            if (IsExtension(dot + 1, kExtensions[format]))
                return (MarkExportFormat)format;
    if (filterIndex >= 1 && filterIndex <= CsvExport + 1)
        return (MarkExportFormat)(filterIndex - 1);
    return SubRipExport;
}

bool FormatMarkExport(MarkExportFormat format, const MarkExport *marks, ExportText *out)
{
    ZeroMemory(out, sizeof(*out));
    switch (format) {
    case SubRipExport: FormatSubRip(marks, out); break;
    case WebVttExport: FormatWebVtt(marks, out); break;
    case LabelExport:  FormatLabels(marks, out); break;
    case CsvExport:    FormatCsv(marks, out); break;
    }
    if (!out->failed)
        return true;
    FreeExportText(out);
    return false;
}

void FreeExportText(ExportText *out)
{
    free(out->text);
    ZeroMemory(out, sizeof(*out));
}
