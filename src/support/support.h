// Text conversion, path splitting and the one way of reporting to the user.
#pragma once

#include <windows.h>

#define PRODUCT_NAME "Lumetrone"

UINT GetConversionCodePage();
void AnsiToWide(const char *source, WCHAR *destination, int cchDestination);
void CopyPath(char *destination, const char *source);
void FileNameOf(const char *path, char *name);
void SplitPath(const char *path, char *name, char *folder);
void JoinPath(char *path, const char *folder, const char *name);  // folder\name, cut at 259
int  ReportMessage(const char *format, ...);

// An HRESULT as the 32-bit value that "%lx" prints on every build.
inline unsigned long HexStatus(HRESULT hr) { return (unsigned long)(ULONG)hr; }
