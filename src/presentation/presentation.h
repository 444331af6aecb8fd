// Presentation: the status overlay, volume and ducking, and the video's size, zoom and full screen.
#pragma once

#include <windows.h>

void ToggleStatusBar();
void UpdateStatusStrip();
void CALLBACK StatusTimerProc(HWND hwnd, UINT message, UINT_PTR timer, DWORD time);
LRESULT CALLBACK StatusWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PaintStatus(HDC dc, const RECT *client);
void SeekToClick(int x);

void    VolumeUp();
void    VolumeDown();
HRESULT ToggleMute();

HRESULT SizeVideoWindow(int multiplier, int divisor);
HRESULT ResetIdleWindow();
void    FitVideoToClient();
HRESULT ZoomVideo(int steps);
HRESULT ToggleFullScreen();
