// The main window's DPI: everything but the video is drawn at it, so the player keeps its
// proportions on any screen and moves between screens of different DPI.
#include "app/player_state.h"
#include "presentation/presentation.h"

typedef UINT (WINAPI *DpiForWindowRoutine)(HWND);

int ScaleToDpi(int pixels)
{
    return MulDiv(pixels, (int)guDpi, 96);
}

// Per window where the system knows it (Windows 10 1607 and later), else the screen's.
UINT WindowDpi(HWND window)
{
    HMODULE user = GetModuleHandleA("user32.dll");
    DpiForWindowRoutine dpiForWindow =
        user ? (DpiForWindowRoutine)(void (*)())GetProcAddress(user, "GetDpiForWindow") : NULL;
    UINT dpi = dpiForWindow && window ? dpiForWindow(window) : 0;
    if (!dpi) {
        HDC screen = GetDC(NULL);
        dpi = (UINT)GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(NULL, screen);
    }
    return dpi ? dpi : 96;
}

void ReadWindowDpi()
{
    guDpi = WindowDpi(ghApp);
    SetStripLayout();
}

// The system suggests the rectangle that keeps the window's place and proportions on the new screen.
void ChangeDpi(UINT dpi, const RECT *suggested)
{
    guDpi = dpi ? dpi : 96;
    SetStripLayout();
    SetWindowPos(ghApp, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}
