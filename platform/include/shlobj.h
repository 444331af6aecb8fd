/* Stand-in for the shell's folders header: where the user's local application data lies. */
#pragma once

#include <windows.h>

#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_FLAG_CREATE   0x8000
#define SHGFP_TYPE_CURRENT  0

HRESULT SHGetFolderPathA(HWND hwnd, int folder, HANDLE token, DWORD flags, LPSTR path);
