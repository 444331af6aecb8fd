/* Stand-in for the common dialogs' header: the open-file record and its calls. */
#pragma once

#include <windows.h>

typedef UINT_PTR (CALLBACK *LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef struct tagOFNA {
    DWORD lStructSize; HWND hwndOwner; HINSTANCE hInstance; LPCSTR lpstrFilter; LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter, nFilterIndex; LPSTR lpstrFile; DWORD nMaxFile; LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle; LPCSTR lpstrInitialDir, lpstrTitle; DWORD Flags; WORD nFileOffset, nFileExtension;
    LPCSTR lpstrDefExt; LPARAM lCustData; LPOFNHOOKPROC lpfnHook; LPCSTR lpTemplateName;
    void *pvReserved; DWORD dwReserved, FlagsEx;
} OPENFILENAMEA;

/* The record up to lpTemplateName, as the platform defines the pre-Windows 2000 size. */
#define OPENFILENAME_SIZE_VERSION_400A (offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR))
#define OFN_READONLY        0x00000001
#define OFN_PATHMUSTEXIST   0x00000800
#define OFN_FILEMUSTEXIST   0x00001000
#define CDERR_INITIALIZATION 0x0002

BOOL  GetOpenFileNameA(OPENFILENAMEA *record);
DWORD CommDlgExtendedError();
