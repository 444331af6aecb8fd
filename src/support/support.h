// Text conversion, path splitting and the one way of reporting to the user.
#pragma once

#include <windows.h>

#define PRODUCT_NAME "Lumetrone"

// Bytes for any path Windows programs use (259 UTF-16 units) in the ANSI code page, UTF-8 under the
// manifest: up to three bytes for each unit, and the terminator.
#define PATH_BYTES (3 * (MAX_PATH - 1) + 1)

// A path whose UTF-16 form is longer than MAX_PATH - 1 units: said, never cut.
#define E_PATH_TOO_LONG HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE)

UINT GetConversionCodePage();
BOOL AnsiToWide(const char *source, WCHAR *destination, int cchDestination);   // FALSE: it did not fit
BOOL WideToAnsi(const WCHAR *source, char *destination, int cbDestination);    // FALSE: it did not fit
void CopyPath(char *destination, const char *source);
void FileNameOf(const char *path, char *name);
void SplitPath(const char *path, char *name, char *folder);
// Where a path's file name starts, and its last dot (-1 for none; before the name for a dot in a folder's).
void FindFileNameAndDot(const WCHAR *path, int length, int *fileName, int *dot);
BOOL JoinPath(char *path, const char *folder, const char *name);  // folder\name; FALSE: too long, path empty
int  ReportMessage(const char *format, ...);
int  ReportPathTooLong(const char *path);

// An HRESULT as the 32-bit value that "%lx" prints on every build.
inline unsigned long HexStatus(HRESULT hr) { return (unsigned long)(ULONG)hr; }
