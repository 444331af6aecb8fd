/* Stand-in for the Windows headers in the native test build: the types, constants and calls
   the player uses, with the platform's names and values. The calls are served by the scripted
   desktop in platform/ (see standin.h for what a test can script and read back). */
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <stdarg.h>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef unsigned short USHORT;
typedef short SHORT;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef unsigned int UINT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t INT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef int32_t HRESULT;
typedef uint32_t COLORREF;
typedef uint32_t LCID;
typedef uint32_t LCTYPE;
typedef wchar_t WCHAR;
typedef char CHAR;
typedef void *PVOID;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef DWORD *LPDWORD;
typedef BYTE *LPBYTE;
typedef void *HANDLE;
typedef uint8_t UINT8;
typedef uint32_t UINT32;
typedef uint64_t UINT64;
typedef union _LARGE_INTEGER { LONGLONG QuadPart; } LARGE_INTEGER;
typedef union _ULARGE_INTEGER { ULONGLONG QuadPart; } ULARGE_INTEGER;
#define MAXLONGLONG (0x7fffffffffffffffll)

#define DECLARE_STANDIN_HANDLE(name) struct name##__ { int unused; }; typedef struct name##__ *name
DECLARE_STANDIN_HANDLE(HWND);
DECLARE_STANDIN_HANDLE(HINSTANCE);
DECLARE_STANDIN_HANDLE(HMENU);
DECLARE_STANDIN_HANDLE(HICON);
DECLARE_STANDIN_HANDLE(HBRUSH);
DECLARE_STANDIN_HANDLE(HDC);
DECLARE_STANDIN_HANDLE(HKEY);
DECLARE_STANDIN_HANDLE(HFONT);
DECLARE_STANDIN_HANDLE(HRAWINPUT);
DECLARE_STANDIN_HANDLE(HENHMETAFILE);
typedef HANDLE HGLOBAL;
typedef size_t SIZE_T;
typedef HICON HCURSOR;
typedef void *HGDIOBJ;
typedef HINSTANCE HMODULE;

#define WINAPI
#define CALLBACK
#define CDECL
typedef INT_PTR (*FARPROC)();
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define S_OK           ((HRESULT)0)
#define E_NOTIMPL      ((HRESULT)0x80004001u)
#define E_NOINTERFACE  ((HRESULT)0x80004002u)
#define E_POINTER      ((HRESULT)0x80004003u)
#define E_ABORT        ((HRESULT)0x80004004u)
#define E_FAIL         ((HRESULT)0x80004005u)
#define E_OUTOFMEMORY  ((HRESULT)0x8007000Eu)
#define E_INVALIDARG   ((HRESULT)0x80070057u)
#define E_UNEXPECTED   ((HRESULT)0x8000FFFFu)
#define S_FALSE        ((HRESULT)1)
#define SUCCEEDED(hr)  ((HRESULT)(hr) >= 0)
#define FAILED(hr)     ((HRESULT)(hr) < 0)
inline HRESULT HRESULT_FROM_WIN32(unsigned long error)
{
    return error == 0 ? 0 : (HRESULT)((error & 0xFFFF) | (7u << 16) | 0x80000000u);
}

#define ERROR_SUCCESS            0L
#define ERROR_FILE_NOT_FOUND     2L
#define ERROR_PATH_NOT_FOUND     3L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_ACCESS_DENIED      5L
#define ERROR_INVALID_HANDLE     6L
#define ERROR_HANDLE_EOF         38L
#define ERROR_MORE_DATA          234L
#define ERROR_NOT_ENOUGH_MEMORY  8L
#define ERROR_NO_MORE_FILES      18L
#define ERROR_WRITE_FAULT        29L
#define ERROR_SHARING_VIOLATION  32L
#define ERROR_HANDLE_DISK_FULL   39L
#define ERROR_DISK_FULL          112L
#define ERROR_FILE_EXISTS        80L
#define ERROR_ALREADY_EXISTS     183L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_HOTKEY_ALREADY_REGISTERED 1409L

#define LOWORD(l) ((WORD)((ULONG_PTR)(l) & 0xFFFF))
#define HIWORD(l) ((WORD)(((ULONG_PTR)(l) >> 16) & 0xFFFF))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)(((DWORD)(WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)(((DWORD)(WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))
#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)(WORD)(i))
#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)(WORD)(i))
#define IS_INTRESOURCE(p) (((ULONG_PTR)(p) >> 16) == 0)
#define ZeroMemory(p, n) memset((p), 0, (n))
#include <string.h>
#include <wchar.h>

typedef struct tagRECT { LONG left, top, right, bottom; } RECT;
typedef struct tagPOINT { LONG x, y; } POINT;
typedef struct tagSIZE { LONG cx, cy; } SIZE;
typedef struct tagMSG { HWND hwnd; UINT message; WPARAM wParam; LPARAM lParam; DWORD time; POINT pt; } MSG;
typedef struct tagMINMAXINFO { POINT ptReserved, ptMaxSize, ptMaxPosition, ptMinTrackSize, ptMaxTrackSize; } MINMAXINFO;
typedef struct tagPAINTSTRUCT { HDC hdc; BOOL fErase; RECT rcPaint; BOOL fRestore, fIncUpdate; BYTE rgbReserved[32]; } PAINTSTRUCT;

typedef LRESULT (CALLBACK *WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (CALLBACK *DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (CALLBACK *TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

typedef struct tagWNDCLASSA {
    UINT style; WNDPROC lpfnWndProc; int cbClsExtra, cbWndExtra; HINSTANCE hInstance;
    HICON hIcon; HCURSOR hCursor; HBRUSH hbrBackground; LPCSTR lpszMenuName, lpszClassName;
} WNDCLASSA;

/* Messages */
#define WM_CREATE        0x0001
#define WM_DESTROY       0x0002
#define WM_MOVE          0x0003
#define WM_SIZE          0x0005
#define WM_ACTIVATE      0x0006
#define WA_INACTIVE      0
#define WM_PAINT         0x000F
#define WM_CLOSE         0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_ENDSESSION    0x0016
#define WM_SHOWWINDOW    0x0018
#define WM_QUIT          0x0012
#define WM_GETMINMAXINFO 0x0024
#define WM_KEYDOWN       0x0100
#define WM_CHAR          0x0102
#define WM_INITDIALOG    0x0110
#define WM_COMMAND       0x0111
#define WM_TIMER         0x0113
#define WM_MOUSEMOVE     0x0200
#define WM_LBUTTONDOWN   0x0201
#define WM_SETTEXT       0x000C
#define EM_SETSEL        0x00B1
#define EM_LIMITTEXT     0x00C5
#define EM_SETTABSTOPS   0x00CB
#define WM_SETREDRAW     0x000B
#define LB_ADDSTRING     0x0180
#define LB_RESETCONTENT  0x0184
#define LB_SETCURSEL     0x0186
#define LB_GETCURSEL     0x0188
#define LB_GETTOPINDEX   0x018E
#define LB_SETTABSTOPS   0x0192
#define LB_SETTOPINDEX   0x0197
#define LBN_SELCHANGE    1
#define LBN_DBLCLK       2
#define WM_NEXTDLGCTL    0x0028
#define WM_MOUSEWHEEL    0x020A
#define WM_APPCOMMAND    0x0319
#define FAPPCOMMAND_MASK 0xF000
#define GET_APPCOMMAND_LPARAM(l) ((short)(HIWORD(l) & ~FAPPCOMMAND_MASK))
#define APPCOMMAND_VOLUME_MUTE           8
#define APPCOMMAND_VOLUME_DOWN           9
#define APPCOMMAND_VOLUME_UP             10
#define APPCOMMAND_MEDIA_NEXTTRACK       11
#define APPCOMMAND_MEDIA_PREVIOUSTRACK   12
#define APPCOMMAND_MEDIA_STOP            13
#define APPCOMMAND_MEDIA_PLAY_PAUSE      14
#define APPCOMMAND_MEDIA_PLAY            46
#define APPCOMMAND_MEDIA_PAUSE           47
#define APPCOMMAND_MEDIA_FAST_FORWARD    49
#define APPCOMMAND_MEDIA_REWIND          50
#define WM_DROPFILES     0x0233
#define WM_DPICHANGED    0x02E0
#define WM_INPUT         0x00FF
#define WM_HOTKEY        0x0312
#define MOD_CONTROL      0x0002
#define MOD_NOREPEAT     0x4000
#define WHEEL_DELTA      120
#define GET_WHEEL_DELTA_WPARAM(w) ((short)(WORD)((ULONG_PTR)(w) >> 16))
#define WM_USER          0x0400
#define SIZE_RESTORED    0

/* Virtual keys */
#define VK_BACK   0x08
#define VK_RETURN 0x0D
#define VK_CONTROL 0x11
#define VK_ESCAPE 0x1B
#define VK_SPACE  0x20
#define VK_PRIOR  0x21
#define VK_NEXT   0x22
#define VK_END    0x23
#define VK_HOME   0x24
#define VK_LEFT   0x25
#define VK_UP     0x26
#define VK_RIGHT  0x27
#define VK_DOWN   0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_F1     0x70
#define VK_F2     0x71
#define VK_F6     0x75
#define VK_F7     0x76
#define VK_F8     0x77
#define VK_F9     0x78
#define VK_F10    0x79
#define VK_F11    0x7A
#define VK_F12    0x7B
#define VK_MEDIA_NEXT_TRACK 0xB0
#define VK_MEDIA_PREV_TRACK 0xB1
#define VK_MEDIA_STOP       0xB2
#define VK_MEDIA_PLAY_PAUSE 0xB3

/* Window styles and positioning */
#define WS_OVERLAPPED    0x00000000L
#define WS_POPUP         0x80000000L
#define WS_CHILD         0x40000000L
#define WS_VISIBLE       0x10000000L
#define WS_CLIPSIBLINGS  0x04000000L
#define WS_CLIPCHILDREN  0x02000000L
#define WS_CAPTION       0x00C00000L
#define WS_SYSMENU       0x00080000L
#define WS_THICKFRAME    0x00040000L
#define WS_MINIMIZEBOX   0x00020000L
#define WS_MAXIMIZEBOX   0x00010000L
#define WS_OVERLAPPEDWINDOW (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)
#define CW_USEDEFAULT    ((int)0x80000000)
#define HWND_BROADCAST   ((HWND)0xFFFF)
#define HWND_TOP         ((HWND)0)
#define HWND_TOPMOST     ((HWND)-1)
#define HWND_NOTOPMOST   ((HWND)-2)
#define SWP_NOSIZE       0x0001
#define SWP_NOMOVE       0x0002
#define SWP_NOZORDER     0x0004
#define SWP_NOACTIVATE   0x0010
#define SWP_NOOWNERZORDER 0x0200
#define SW_HIDE          0
#define SW_SHOWNORMAL    1
#define SW_SHOW          5
#define GWL_STYLE        (-16)
#define GWL_EXSTYLE      (-20)
#define LOGPIXELSY       90
#define FW_NORMAL        400
#define DEFAULT_CHARSET  1
#define OUT_DEFAULT_PRECIS  0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY  0
#define DEFAULT_PITCH    0
#define FF_SWISS         (2 << 4)
#define IDC_ARROW        MAKEINTRESOURCEA(32512)
#define IDOK             1
#define IDCANCEL         2
#define MB_OK            0x00000000L
#define MF_ENABLED       0x00000000L
#define MF_UNCHECKED     0x00000000L
#define MF_GRAYED        0x00000001L
#define MF_CHECKED       0x00000008L
#define MF_BYCOMMAND     0x00000000L
#define BLACK_BRUSH      4

/* Files */
#define GENERIC_READ          0x80000000u
#define GENERIC_WRITE         0x40000000u
#define FILE_WRITE_ATTRIBUTES 0x100
#define CREATE_NEW            1
#define OPEN_EXISTING         3
#define OPEN_ALWAYS           4
#define FILE_ATTRIBUTE_READONLY  0x1
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_TEMPORARY 0x100
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_HANDLE_VALUE  ((HANDLE)(LONG_PTR)-1)
#define MOVEFILE_REPLACE_EXISTING 0x1
#define MOVEFILE_WRITE_THROUGH    0x8
typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef struct _OVERLAPPED OVERLAPPED, *LPOVERLAPPED;
typedef struct _FILETIME { DWORD dwLowDateTime, dwHighDateTime; } FILETIME;
typedef struct _WIN32_FIND_DATAA {
    DWORD dwFileAttributes; FILETIME ftCreationTime, ftLastAccessTime, ftLastWriteTime;
    DWORD nFileSizeHigh, nFileSizeLow, dwReserved0, dwReserved1;
    CHAR cFileName[MAX_PATH]; CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA;

/* Registry */
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define KEY_QUERY_VALUE    0x0001
#define KEY_ALL_ACCESS     0xF003F
#define REG_SZ             1
#define REG_DWORD          4
#define REG_QWORD          11
typedef DWORD REGSAM;

/* National language support and versions */
#define CP_ACP 0
#define GMEM_MOVEABLE 0x0002
#define CF_TEXT         1
#define CF_BITMAP       2
#define CF_METAFILEPICT 3
#define CF_DIB          8
#define CF_PALETTE      9
#define CF_UNICODETEXT  13
#define CF_ENHMETAFILE  14
#define CF_DIBV5        17
#define CF_OWNERDISPLAY 0x0080
#define CF_DSPBITMAP    0x0082
#define CF_DSPMETAFILEPICT 0x0083
#define CF_DSPENHMETAFILE  0x008E
#define CF_PRIVATEFIRST 0x0200
#define CF_GDIOBJLAST   0x03FF
#define CP_UTF8 65001
#define IS_HIGH_SURROGATE(w) ((w) >= 0xD800 && (w) <= 0xDBFF)
#define IS_LOW_SURROGATE(w) ((w) >= 0xDC00 && (w) <= 0xDFFF)
#define LOCALE_IDEFAULTANSICODEPAGE 0x1004
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2
typedef struct _OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformId;
    CHAR szCSDVersion[128];
} OSVERSIONINFOA;

/* COM */
typedef struct _GUID { uint32_t Data1; uint16_t Data2, Data3; uint8_t Data4[8]; } GUID, IID, CLSID;
typedef const GUID &REFIID;
typedef const GUID &REFCLSID;
typedef const GUID &REFGUID;
#define STDMETHODCALLTYPE
#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2
#define CLSCTX_INPROC_SERVER 0x1
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void **object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};
typedef IUnknown *LPUNKNOWN;
inline bool IsEqualGUID(const GUID &a, const GUID &b) { return memcmp(&a, &b, sizeof(GUID)) == 0; }
#define IsEqualIID(a, b) IsEqualGUID(a, b)
inline const GUID GUID_NULL = {};
inline const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

/* Bitmaps, as the video renderers take them */
#define BI_RGB 0
typedef struct tagBITMAPINFOHEADER {
    DWORD biSize; LONG biWidth, biHeight; WORD biPlanes, biBitCount;
    DWORD biCompression, biSizeImage; LONG biXPelsPerMeter, biYPelsPerMeter; DWORD biClrUsed, biClrImportant;
} BITMAPINFOHEADER;
typedef struct tagRGBQUAD { BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved; } RGBQUAD;
typedef struct tagBITMAPINFO { BITMAPINFOHEADER bmiHeader; RGBQUAD bmiColors[1]; } BITMAPINFO;
#define DIB_RGB_COLORS 0
#define SRCCOPY 0x00CC0020

/* Threads and their synchronisation, served by platform/threads.cpp */
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define WAIT_TIMEOUT 258u
typedef DWORD (WINAPI *LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef struct _RTL_CRITICAL_SECTION { void *standinLock; } CRITICAL_SECTION;
inline LONG InterlockedIncrement(LONG volatile *value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
inline LONG InterlockedDecrement(LONG volatile *value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }

/* USER */
DWORD   GetLastError();
void    SetLastError(DWORD error);
WORD    RegisterClassA(const WNDCLASSA *windowClass);
HWND    CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                        int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL    DestroyWindow(HWND hwnd);
HWND    GetDesktopWindow();
BOOL    GetClientRect(HWND hwnd, RECT *rect);
BOOL    GetWindowRect(HWND hwnd, RECT *rect);
DECLARE_STANDIN_HANDLE(HMONITOR);
#define MONITOR_DEFAULTTONEAREST 2
typedef struct tagMONITORINFO { DWORD cbSize; RECT rcMonitor, rcWork; DWORD dwFlags; } MONITORINFO;
HMONITOR MonitorFromRect(const RECT *rect, DWORD flags);
BOOL    GetMonitorInfoA(HMONITOR monitor, MONITORINFO *info);
BOOL    AdjustWindowRectEx(RECT *rect, DWORD style, BOOL menu, DWORD exStyle);
LONG    GetWindowLongA(HWND hwnd, int index);
HMENU   GetMenu(HWND hwnd);
BOOL    PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void    PostQuitMessage(int exitCode);
BOOL    GetMessageW(MSG *msg, HWND hwnd, UINT first, UINT last);
BOOL    TranslateMessage(const MSG *msg);
LRESULT DispatchMessageW(const MSG *msg);
LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT period, TIMERPROC callback);
BOOL    KillTimer(HWND hwnd, UINT_PTR id);
HICON   LoadIconA(HINSTANCE instance, LPCSTR name);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
BOOL    ShowWindow(HWND hwnd, int command);
BOOL    IsWindowVisible(HWND hwnd);
BOOL    UpdateWindow(HWND hwnd);
BOOL    SetForegroundWindow(HWND hwnd);
HWND    GetForegroundWindow();
DWORD   GetWindowThreadProcessId(HWND hwnd, LPDWORD process);
HWND    SetFocus(HWND hwnd);
BOOL    SetWindowTextA(HWND hwnd, LPCSTR text);
BOOL    SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL    InvalidateRect(HWND hwnd, const RECT *rect, BOOL erase);
HDC     BeginPaint(HWND hwnd, PAINTSTRUCT *paint);
BOOL    EndPaint(HWND hwnd, const PAINTSTRUCT *paint);
DWORD   CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL    EnableMenuItem(HMENU menu, UINT item, UINT enable);
BOOL    CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure, LPARAM param);
BOOL    EndDialog(HWND dialog, INT_PTR result);
BOOL    SetDlgItemTextA(HWND dialog, int item, LPCSTR text);
LRESULT SendDlgItemMessageA(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageW(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam);
HWND    CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param);
BOOL    IsDialogMessageW(HWND dialog, MSG *msg);
UINT    GetDlgItemTextA(HWND dialog, int item, LPSTR text, int size);
BOOL    SetDlgItemTextW(HWND dialog, int item, LPCWSTR text);
UINT    GetDlgItemTextW(HWND dialog, int item, LPWSTR text, int size);
HWND    GetDlgItem(HWND dialog, int item);
int     MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
int     wsprintfA(LPSTR buffer, LPCSTR format, ...);
BOOL    RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk);
BOOL    UnregisterHotKey(HWND hwnd, int id);
SHORT   GetKeyState(int vk);

/* Synthesized keyboard input */
#define INPUT_KEYBOARD    1
#define KEYEVENTF_KEYUP   0x0002
#define KEYEVENTF_UNICODE 0x0004
typedef struct tagKEYBDINPUT { WORD wVk, wScan; DWORD dwFlags, time; ULONG_PTR dwExtraInfo; } KEYBDINPUT;
typedef struct tagINPUT { DWORD type; union { KEYBDINPUT ki; }; } INPUT;
UINT    SendInput(UINT count, INPUT *inputs, int size);

/* Raw input: HID devices only */
#define RIDEV_REMOVE     0x00000001
#define RIDEV_INPUTSINK  0x00000100
#define RID_INPUT        0x10000003
#define RIDI_DEVICEINFO  0x2000000b
#define RIM_TYPEHID      2
typedef struct tagRAWINPUTDEVICE { USHORT usUsagePage, usUsage; DWORD dwFlags; HWND hwndTarget; } RAWINPUTDEVICE;
typedef struct tagRAWINPUTHEADER { DWORD dwType, dwSize; HANDLE hDevice; WPARAM wParam; } RAWINPUTHEADER;
typedef struct tagRAWHID { DWORD dwSizeHid, dwCount; BYTE bRawData[1]; } RAWHID;
typedef struct tagRAWINPUT { RAWINPUTHEADER header; union { RAWHID hid; } data; } RAWINPUT;
typedef struct tagRID_DEVICE_INFO_HID {
    DWORD dwVendorId, dwProductId, dwVersionNumber; USHORT usUsagePage, usUsage;
} RID_DEVICE_INFO_HID;
typedef struct tagRID_DEVICE_INFO { DWORD cbSize, dwType; union { RID_DEVICE_INFO_HID hid; }; } RID_DEVICE_INFO;
BOOL    RegisterRawInputDevices(const RAWINPUTDEVICE *devices, UINT count, UINT size);
UINT    GetRawInputData(HRAWINPUT input, UINT command, LPVOID data, UINT *size, UINT headerSize);
UINT    GetRawInputDeviceInfoA(HANDLE device, UINT command, LPVOID data, UINT *size);

/* GDI */
HGDIOBJ GetStockObject(int object);
HBRUSH  CreateSolidBrush(COLORREF colour);
HFONT   CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                    DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                    DWORD quality, DWORD pitchAndFamily, LPCSTR face);
BOOL    DeleteObject(HGDIOBJ object);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HDC     GetDC(HWND hwnd);
int     ReleaseDC(HWND hwnd, HDC dc);
int     GetDeviceCaps(HDC dc, int index);
BOOL    Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL    TextOutA(HDC dc, int x, int y, LPCSTR text, int length);
BOOL    GetTextExtentPoint32A(HDC dc, LPCSTR text, int length, SIZE *size);
int     StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                      int sourceHeight, const void *bits, const BITMAPINFO *info, UINT usage, DWORD operation);

/* Kernel and C runtime */
LPSTR   lstrcpynA(LPSTR destination, LPCSTR source, int length);
int     lstrlenA(LPCSTR text);
int     lstrcmpiA(LPCSTR first, LPCSTR second);
int     _snprintf(char *buffer, size_t count, const char *format, ...);
int     _vsnprintf(char *buffer, size_t count, const char *format, va_list args);
HANDLE  CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                    DWORD disposition, DWORD attributes, HANDLE templateFile);
BOOL    ReadFile(HANDLE file, LPVOID buffer, DWORD count, LPDWORD read, LPOVERLAPPED overlapped);
BOOL    WriteFile(HANDLE file, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped);
BOOL    CloseHandle(HANDLE handle);
BOOL    MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags);
BOOL    DeleteFileA(LPCSTR name);
DWORD   GetFileAttributesA(LPCSTR name);
DWORD   GetFullPathNameA(LPCSTR name, DWORD length, LPSTR buffer, LPSTR *filePart);
HANDLE  FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA *entry);
BOOL    FindNextFileA(HANDLE search, WIN32_FIND_DATAA *entry);
BOOL    FindClose(HANDLE search);
BOOL    CreateDirectoryA(LPCSTR name, LPSECURITY_ATTRIBUTES security);
BOOL    SetFileTime(HANDLE file, const FILETIME *creation, const FILETIME *access, const FILETIME *write);
void    GetSystemTimeAsFileTime(FILETIME *now);
int     MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceLength, LPWSTR destination, int destinationLength);
int     WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceLength, LPSTR destination,
                            int destinationLength, LPCSTR defaultChar, BOOL *usedDefault);
int     lstrlenW(LPCWSTR text);
DWORD   CharLowerBuffW(LPWSTR text, DWORD length);
LPWSTR  lstrcpynW(LPWSTR destination, LPCWSTR source, int length);
HANDLE  CreateThread(LPSECURITY_ATTRIBUTES security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                     DWORD flags, LPDWORD threadId);
HANDLE  GetCurrentThread();
BOOL    SetThreadPriority(HANDLE thread, int priority);
HANDLE  CreateEventW(LPSECURITY_ATTRIBUTES security, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL    SetEvent(HANDLE event);
BOOL    ResetEvent(HANDLE event);
DWORD   WaitForSingleObject(HANDLE handle, DWORD milliseconds);
void    InitializeCriticalSection(CRITICAL_SECTION *section);
void    DeleteCriticalSection(CRITICAL_SECTION *section);
void    EnterCriticalSection(CRITICAL_SECTION *section);
void    LeaveCriticalSection(CRITICAL_SECTION *section);
int     MulDiv(int number, int numerator, int denominator);
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
LPVOID  GlobalLock(HGLOBAL memory);
BOOL    GlobalUnlock(HGLOBAL memory);
HGLOBAL GlobalFree(HGLOBAL memory);
BOOL    OpenClipboard(HWND owner);
BOOL    EmptyClipboard();
HANDLE  SetClipboardData(UINT format, HANDLE data);
BOOL    CloseClipboard();
UINT    EnumClipboardFormats(UINT format);
HANDLE  GetClipboardData(UINT format);
DWORD   GetClipboardSequenceNumber();
SIZE_T  GlobalSize(HGLOBAL memory);
HENHMETAFILE CopyEnhMetaFile(HENHMETAFILE metafile, LPCSTR file);
BOOL    DeleteEnhMetaFile(HENHMETAFILE metafile);
int     GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR data, int length);
LCID    GetThreadLocale();
UINT    GetACP();
BOOL    GetVersionExA(OSVERSIONINFOA *version);
void    Sleep(DWORD milliseconds);
DWORD   GetTickCount();
DWORD   GetCurrentProcessId();
HANDLE  GetCurrentProcess();
BOOL    TerminateProcess(HANDLE process, UINT exitCode);
PVOID   InterlockedExchangePointer(PVOID volatile *target, PVOID value);
HMODULE GetModuleHandleA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
HMODULE LoadLibraryA(LPCSTR name);
BOOL FreeLibrary(HMODULE module);

/* Registry */
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, HKEY *result, LPDWORD disposition);
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY *result);
LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size);
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG RegCloseKey(HKEY key);

/* COM */
HRESULT CoInitializeEx(LPVOID reserved, DWORD model);
void    CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID *object);
LPVOID  CoTaskMemAlloc(SIZE_T bytes);
void    CoTaskMemFree(LPVOID memory);
