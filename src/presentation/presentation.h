// Presentation: the status overlay, volume and ducking, and the video's size, zoom and full screen.
#pragma once

#include <windows.h>
#include <dshow.h>

// The strip's height at 96 DPI: the labels, the overview's band and the bars, the clip's time on a
// line of its own below them.
#define STATUS_STRIP_HEIGHT 72

struct OverviewBlocks;

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
// value × numerator ÷ denominator in 64 bits, truncated toward zero, as the bar places times.
LONGLONG ScaleTime(LONGLONG value, LONGLONG numerator, LONGLONG denominator);

// The overview's band over the progress bar, drawn from the blocks known so far.
void PaintOverviewBand(HDC dc, const OverviewBlocks *blocks, int known, bool complete);
void ForgetOverviewBand();   // cut afresh at the next paint: another clip, or the strip shown again
// Cuts the duration into columns as the bar places times, and summarises each column from `first`
// on whose blocks are all known (all of them once complete) into its highest peak and its RMS;
// answers the columns from the left now summarised.
int  SummariseBandColumns(const OverviewBlocks *blocks, int known, bool complete, REFERENCE_TIME duration,
                          int columns, int first, BYTE *peaks, BYTE *rms);

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
