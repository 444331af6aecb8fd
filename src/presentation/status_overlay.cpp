// The status overlay: a strip with the progress bar and the overview's band above it, bookmarks, A
// and B, the volume bar, the last key and the clip's time with the loop's repeat, repainted every
// 100 ms; a click on the bar or the band seeks. Its sizes are given at 96 DPI and drawn at the window's.
#include "app/player_state.h"
#include "engine/engine.h"
#include "engine/overview.h"
#include "app/commands.h"
#include "presentation/presentation.h"

#include <limits.h>
#include <math.h>

static const int kLabelTop = 5;          // the volume label, the marks and A and B
static const int kKeyTop = 2;            // the last key's text, this far from the bar's right end
static const int kKeyLeftOfBarEnd = 30;
static const int kTimeBelowBars = 2;
static const int kFontHeight = 12;
static const int kMarkNumberGap = 4;     // between one mark's number and the next

// The strip's one place, kept from start-up on and at each DPI: the desktop's width at the top of
// the client area, topmost among the main window's children so that it stays above the video window.
static void PlaceStatusStrip()
{
    RECT desktop;
    GetClientRect(GetDesktopWindow(), &desktop);
    SetWindowPos(ghStatus, HWND_TOPMOST, 0, 0, desktop.right, ScaleToDpi(STATUS_STRIP_HEIGHT), 0);
}

void SetStripLayout()
{
    giVolumeLeft = ScaleToDpi(5);
    giVolumeTop = ScaleToDpi(46);
    giVolumeWidth = ScaleToDpi(100);
    giVolumeHeight = ScaleToDpi(10);
    giVolumePixelsPerDecade = ScaleToDpi(24);
    giProgressLeft = ScaleToDpi(120);
    giProgressTop = ScaleToDpi(46);
    giProgressHeight = ScaleToDpi(10);
    giProgressRightMargin = ScaleToDpi(30);
    giBandTop = ScaleToDpi(20);
    giBandHeight = ScaleToDpi(24);
    if (ghStripFont)
        DeleteObject(ghStripFont);
    ghStripFont = CreateFontA(-ScaleToDpi(kFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                              "MS Shell Dlg");
    if (ghStatus)
        PlaceStatusStrip();
}

static void ComputeProgressGeometry(LONG clientRight)
{
    giProgressRight = clientRight - giProgressRightMargin;
    giProgressBottom = giProgressTop + giProgressHeight;
    giProgressWidth = giProgressRight - giProgressLeft;
}

static ULONGLONG Magnitude(LONGLONG value)
{
    return value < 0 ? 0 - (ULONGLONG)value : (ULONGLONG)value;
}

// A product past 64 bits (times near the limits, from a misbehaving engine) is taken in floating
// point; the quotient is then no larger than a bar's width or the clip's duration, so it fits.
LONGLONG ScaleTime(LONGLONG value, LONGLONG numerator, LONGLONG denominator)
{
    ULONGLONG factor = Magnitude(value);
    if (factor && Magnitude(numerator) > (ULONGLONG)LLONG_MAX / factor)
        return (LONGLONG)((double)value * (double)numerator / (double)denominator);
    return value * numerator / denominator;
}

// A time outside the clip (a mark read from a file, say) is drawn at the nearer end of the bar.
static int XOfTime(REFERENCE_TIME time)
{
    if (time < 0)
        time = 0;
    if (time > grtStatusDuration)
        time = grtStatusDuration;
    return giProgressLeft + (int)ScaleTime(giProgressWidth, time, grtStatusDuration);
}

static int VolumeBarRight(LONG volume)
{
    double decades = giVolumePixelsPerDecade * log10(2.0 - volume);
    return (int)((double)(giVolumeLeft + giVolumeWidth) - decades);
}

static void DrawLabel(HDC dc, int x, int y, const char *text)
{
    TextOutA(dc, x, y, text, lstrlenA(text));
}

// The first mark from `first` on whose place on the bar is at or right of x, found by halving:
// the marks are kept in ascending order.
static int FirstMarkFrom(int first, int x)
{
    int end = gnBookmarks;
    while (first < end) {
        int middle = first + (end - first) / 2;
        if (XOfTime(gBookmarks[middle]) < x)
            first = middle + 1;
        else
            end = middle;
    }
    return first;
}

// A mark's number is drawn only where it overlaps no number before it and ends within the bar.
// Past each number drawn the next mark is found by halving, so a paint costs what the bar's width
// can show, however many marks the file holds.
static void DrawMarkNumbers(HDC dc, int top)
{
    int gap = ScaleToDpi(kMarkNumberGap);
    int freeFrom = giProgressLeft;
    int mark = 0;
    while (mark < gnBookmarks) {
        int x = XOfTime(gBookmarks[mark]);
        if (x >= freeFrom) {
            char number[16];
            int length = wsprintfA(number, "%d", mark);
            SIZE extent = {};
            GetTextExtentPoint32A(dc, number, length, &extent);
            // Later marks lie no further left, and their numbers are no shorter.
            if (x + extent.cx > giProgressRight)
                break;
            TextOutA(dc, x, top, number, length);
            freeFrom = x + extent.cx + gap;
        }
        mark = FirstMarkFrom(mark + 1, freeFrom);
    }
}

// h:mm:ss, or m:ss when the clip is shorter than an hour.
static int FormatTime(char *text, size_t size, REFERENCE_TIME time, bool hours)
{
    LONGLONG seconds = time > 0 ? time / 10000000 : 0;
    if (hours)
        return _snprintf(text, size, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return _snprintf(text, size, "%lld:%02lld", seconds / 60, seconds % 60);
}

// Hours are shown for the whole of a clip of an hour or more, so that the places of one clip read alike.
static bool ShowsHours(REFERENCE_TIME duration)
{
    return duration >= 36000000000LL;
}

void FormatClipPlace(char *text, size_t size, REFERENCE_TIME position, REFERENCE_TIME duration)
{
    FormatTime(text, size, position, ShowsHours(duration));
    text[size - 1] = 0;
}

void FormatClipTime(char *text, size_t size, REFERENCE_TIME position, REFERENCE_TIME duration, double rate)
{
    bool hours = ShowsHours(duration);
    int length = FormatTime(text, size, position, hours);
    if (duration > 0) {
        length += _snprintf(text + length, size - length, " / ");
        length += FormatTime(text + length, size - length, duration, hours);
    }
    // An absurd rate stays printable; one that is not a number is not known, and not shown.
    double scaled = rate * 100.0 + 0.5;
    int percent = isnan(scaled) ? 100 : scaled < 0 ? 0 : scaled > 99999 ? 99999 : (int)scaled;
    if (percent != 100)
        _snprintf(text + length, size - length, "   rate %d %%", percent);
    text[size - 1] = 0;
}

// On its own line under the bars, where no label can fall; the rate is the one the clip plays at,
// and a loop of a count of repeats says which one it is in.
static void DrawClipTime(HDC dc)
{
    char text[96];
    FormatClipTime(text, sizeof(text), grtStatusPosition, grtStatusDuration, ClipRate());
    if (gABState == ABLooping && giLoopCount) {
        int length = lstrlenA(text);
        _snprintf(text + length, sizeof(text) - 1 - length, "   repeat %d/%d", giLoopRepeat, giLoopCount);
        text[sizeof(text) - 1] = 0;
    }
    DrawLabel(dc, giVolumeLeft, giProgressBottom + ScaleToDpi(kTimeBelowBars), text);
}

void PaintStatus(HDC dc, const RECT *client)
{
    ComputeProgressGeometry(client->right);
    grtStatusDuration = ClipDuration();
    grtStatusPosition = CurrentPosition();
    // With no duration there is nothing to place on the bar, and nothing to divide by.
    bool placeable = grtStatusDuration > 0;

    ghbrSaved = SelectObject(dc, ghbrWhite);
    Rectangle(dc, giProgressLeft, giProgressTop, giProgressRight, giProgressBottom);
    if (placeable) {
        SelectObject(dc, ghbrGreen);
        Rectangle(dc, giProgressLeft, giProgressTop, XOfTime(grtStatusPosition), giProgressBottom);
    }
    if (placeable && gOverview) {
        bool complete = false;
        int known = OverviewKnown(gOverview, &complete);
        PaintOverviewBand(dc, OverviewBlocksOf(gOverview), known, complete);
    }
    SelectObject(dc, ghbrOrange);
    Rectangle(dc, giVolumeLeft, giVolumeTop, VolumeBarRight(glVolume), giProgressBottom);
    int labelTop = ScaleToDpi(kLabelTop);
    TextOutA(dc, giVolumeLeft, labelTop, "      Volume     ", 17);

    wsprintfA(gszStatusText, "%c %3X", guLastKey, guLastKey);
    DrawLabel(dc, giProgressRight - ScaleToDpi(kKeyLeftOfBarEnd), ScaleToDpi(kKeyTop), gszStatusText);

    if (placeable) {
        DrawMarkNumbers(dc, labelTop);
        if (gABState == ABMarked || gABState == ABLooping)
            DrawLabel(dc, XOfTime(grtA), labelTop, "A");
        if (gABState == ABLooping)
            DrawLabel(dc, XOfTime(grtB), labelTop, "B");
    }
    DrawClipTime(dc);
    SelectObject(dc, ghbrSaved);
}

void SeekToClick(int x)
{
    if (!pMS)
        return;
    RECT client;
    GetClientRect(ghApp, &client);
    ComputeProgressGeometry(client.right);
    grtStatusDuration = ClipDuration();
    if (x <= giProgressLeft || x >= giProgressRight || grtStatusDuration <= 0)
        return;
    grtStatusPosition = ScaleTime(x - giProgressLeft, grtStatusDuration, giProgressWidth);
    SeekToKeyFrame(grtStatusPosition);
}

// The strip is repainted every 100 ms only while it is shown over an open clip; otherwise the timer
// sleeps, a strip left without a clip is painted black once, and the band is cut afresh for the
// next clip or the next show.
void UpdateStatusStrip()
{
    if (gbStatusVisible && pMS && ghStatus) {
        // Above the clip's video window, which is made after the strip.
        SetWindowPos(ghStatus, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetTimer(ghApp, STATUS_TIMER_ID, 100, StatusTimerProc);
    } else {
        KillTimer(ghApp, STATUS_TIMER_ID);
        ForgetOverviewBand();
        if (ghStatus)
            InvalidateRect(ghStatus, NULL, TRUE);
    }
}

void ToggleStatusBar()
{
    if (gbStatusVisible) {
        ShowWindow(ghStatus, SW_HIDE);
        gbStatusVisible = 0;
    } else {
        ShowWindow(ghStatus, SW_SHOW);
        gbStatusVisible = 1;
    }
    UpdateStatusStrip();
}

void CALLBACK StatusTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    InvalidateRect(ghStatus, NULL, TRUE);
}

LRESULT CALLBACK StatusWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        if (pMS) {
            RECT client;
            GetClientRect(ghApp, &client);
            HGDIOBJ font = SelectObject(dc, ghStripFont);
            PaintStatus(dc, &client);
            SelectObject(dc, font);
        }
        EndPaint(hwnd, &paint);
    } else if (message == WM_LBUTTONDOWN) {
        SeekToClick(LOWORD(lParam));
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
