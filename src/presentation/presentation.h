// Presentation: the status overlay, volume and ducking, and the video's size, zoom and full screen.
#pragma once

#include <windows.h>
#include <dshow.h>

// The strip's height at 96 DPI: the labels and bars above, the clip's time on a line of its own below them.
#define STATUS_STRIP_HEIGHT 46

// Pixels at 96 DPI made pixels at the window's DPI; video sizes stay in video pixels.
int  ScaleToDpi(int pixels);
UINT WindowDpi(HWND window);   // 96 is 100 %
void ReadWindowDpi();
void ChangeDpi(UINT dpi, const RECT *suggested);
void SetStripLayout();

void ToggleStatusBar();
void UpdateStatusStrip();
void CALLBACK StatusTimerProc(HWND hwnd, UINT message, UINT_PTR timer, DWORD time);
LRESULT CALLBACK StatusWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void PaintStatus(HDC dc, const RECT *client);
void SeekToClick(int x);

void    VolumeUp();
void    VolumeDown();
void    WheelVolume(int delta);
// "m:ss / m:ss" (h:mm:ss from an hour on) and the rate when it is not 100 %; text holds 64 characters.
void    FormatClipTime(char *text, size_t size, REFERENCE_TIME position, REFERENCE_TIME duration, double rate);
// The place alone, as the strip shows it: "m:ss", or "h:mm:ss" in a clip of an hour or more.
void    FormatClipPlace(char *text, size_t size, REFERENCE_TIME position, REFERENCE_TIME duration);
HRESULT ToggleMute();

HRESULT SizeVideoWindow(int multiplier, int divisor);
HRESULT ResetIdleWindow();
void    FitVideoToClient();
HRESULT ZoomVideo(int steps);
HRESULT ToggleFullScreen();
