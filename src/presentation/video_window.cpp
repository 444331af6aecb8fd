// The main window's size from the video's native size, the idle size, zoom and full screen.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "presentation/presentation.h"
#include "support/support.h"

// Outer sizes at 96 DPI.
static const int kIdleWidth = 900;
static const int kIdleHeight = 120;
static const int kAudioPresetWidth = 500;
static const int kAudioPresetHeight = 120;
static const float kZoomStep = 0.02f;
static const double kLargestVideoSide = 32767;   // windows take 16-bit coordinates

static void SetOuterSize(int width, int height)
{
    SetWindowPos(ghApp, NULL, 0, 0, width, height, SWP_NOOWNERZORDER | SWP_NOMOVE);
}

// The outer size whose client area is exactly width × height. The window's frame, caption and one
// line of menu bar are added first; a menu bar that wraps in a narrow window, or a frame unlike the
// system's, then shows as a client area too small, and is made up for once.
static void SetClientSize(int width, int height)
{
    RECT outer = { 0, 0, width, height };
    AdjustWindowRectEx(&outer, (DWORD)GetWindowLongA(ghApp, GWL_STYLE), TRUE,
                       (DWORD)GetWindowLongA(ghApp, GWL_EXSTYLE));
    int outerWidth = outer.right - outer.left;
    int outerHeight = outer.bottom - outer.top;
    SetOuterSize(outerWidth, outerHeight);
    RECT client;
    GetClientRect(ghApp, &client);
    int missingWidth = width - client.right;
    int missingHeight = height - client.bottom;
    if (missingWidth > 0 || missingHeight > 0)
        SetOuterSize(outerWidth + (missingWidth > 0 ? missingWidth : 0),
                     outerHeight + (missingHeight > 0 ? missingHeight : 0));
}

// The picture at its own proportions, as large as the client area takes it and centred there; the
// bars beside it are the main window's black. A picture of no known size fills the client area.
static RECT PictureInClient()
{
    RECT client;
    GetClientRect(ghApp, &client);
    LONGLONG width = client.right, height = client.bottom;
    if (glVideoWidth <= 0 || glVideoHeight <= 0)
        return client;
    if (width * glVideoHeight > height * glVideoWidth) {
        LONG shown = (LONG)(height * glVideoWidth / glVideoHeight);
        client.left = (client.right - shown) / 2;
        client.right = client.left + shown;
    } else {
        LONG shown = (LONG)(width * glVideoHeight / glVideoWidth);
        client.top = (client.bottom - shown) / 2;
        client.bottom = client.top + shown;
    }
    return client;
}

static HRESULT FillClientWithVideo()
{
    RECT picture = PictureInClient();
    return pVW->SetWindowPosition(picture.left, picture.top, picture.right - picture.left, picture.bottom - picture.top);
}

// Sizes from the native size, never the current one: the client area is the scaled video, one
// video pixel to a screen pixel at Normal. The minimum tracking size still holds.
HRESULT SizeVideoWindow(int multiplier, int divisor)
{
    if (!pBV)
        return 0;
    long width = 0;
    long height = 0;
    HRESULT hr = pBV->GetVideoSize(&width, &height);
    if (hr == E_NOINTERFACE)
        return 0;
    EnableClipMenus(VideoClipMenus);
    glVideoWidth = SUCCEEDED(hr) ? width : 0;
    glVideoHeight = SUCCEEDED(hr) ? height : 0;
    // With no size delivered the window keeps its size and the video fills it.
    if (SUCCEEDED(hr)) {
        width = width * multiplier / divisor;
        height = height * multiplier / divisor;
        if (gbAudioOnly)
            SetOuterSize(ScaleToDpi(kAudioPresetWidth), ScaleToDpi(kAudioPresetHeight));
        else
            SetClientSize((int)width, (int)height);
    }
    return FillClientWithVideo();
}

HRESULT ResetIdleWindow()
{
    glVideoWidth = glVideoHeight = 0;
    SetOuterSize(ScaleToDpi(kIdleWidth), ScaleToDpi(kIdleHeight));
    CheckSizeItem(IDM_SIZE_NORMAL);
    EnableClipMenus(NoClipMenus);
    return 0;
}

// Shows the video at the client size again; the zoom factor itself is kept.
void FitVideoToClient()
{
    if (pVW)
        FillClientWithVideo();
}

// The picture as the client area shows it, bars and all, grows from the client's top-left corner.
// The zoom stops growing once the video would reach past where a window can be.
HRESULT ZoomVideo(int steps)
{
    if (!pVW)
        return 0;
    float zoom = (float)(gfZoom * (steps * (double)kZoomStep + 1.0));
    RECT picture = PictureInClient();
    if (picture.right * (double)zoom > kLargestVideoSide || picture.bottom * (double)zoom > kLargestVideoSide)
        return 0;
    gfZoom = zoom;
    HRESULT hr = pVW->SetWindowPosition((long)(picture.left * (double)zoom), (long)(picture.top * (double)zoom),
                                        (long)((picture.right - picture.left) * (double)zoom),
                                        (long)((picture.bottom - picture.top) * (double)zoom));
    return SUCCEEDED(hr) ? 0 : hr;
}

// Wine's renderer window does not draw its held picture again at a new size, nor (measured under
// Wine 8) the first picture sent after the change: a paused clip is given its picture twice more,
// a moment apart, by a seek to where it stands.
static const UINT kRedrawEveryMs = 250;
static int redrawsLeft;

static void CALLBACK RedrawPausedPicture(HWND, UINT, UINT_PTR, DWORD)
{
    if (--redrawsLeft <= 0)
        KillTimer(ghApp, REDRAW_TIMER_ID);
    if (gPlayState == Paused)
        SeekClip(CurrentPosition(), AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning);
}

static void RedrawPausedPictureSoon()
{
    redrawsLeft = 2;
    SetTimer(ghApp, REDRAW_TIMER_ID, kRedrawEveryMs, RedrawPausedPicture);
}

static HRESULT EnterFullScreen()
{
    HRESULT hr = pVW->get_MessageDrain(&hDrain);
    if (FAILED(hr))
        ReportMessage("FAILED(hr=0x%x) in pVW->get_MessageDrain((OAHWND *) &hDrain)\n", hr);
    // The full-screen window's keys and clicks come to the main window, so the tables keep working.
    hr = pVW->put_MessageDrain((OAHWND)ghApp);
    if (FAILED(hr))
        ReportMessage("FAILED(hr=0x%x) in pVW->put_MessageDrain((OAHWND) ghApp)\n", hr);
    hr = pVW->put_FullScreenMode(OATRUE);
    if (FAILED(hr)) {
        // Nothing is left half changed: the video's messages go where they went before.
        pVW->put_MessageDrain(hDrain);
        ReportMessage("The video could not be shown in full screen (error 0x%08lx).\r\n", HexStatus(hr));
        return hr;
    }
    gbFullScreen = TRUE;
    RedrawPausedPictureSoon();
    // The engine's full-screen window comes in front of every window; an open keys window or list
    // of marks is put in front of it again, and the video keeps the keyboard.
    if (ghKeys)
        BringForward(ghKeys, SWP_NOACTIVATE);
    if (ghMarkList)
        BringForward(ghMarkList, SWP_NOACTIVATE);
    return hr;
}

static HRESULT LeaveFullScreen()
{
    HRESULT hr = pVW->put_FullScreenMode(OAFALSE);
    if (FAILED(hr)) {
        ReportMessage("The video could not leave full screen (error 0x%08lx).\r\n", HexStatus(hr));
        return hr;
    }
    hr = pVW->put_MessageDrain(hDrain);
    if (FAILED(hr))
        ReportMessage("FAILED(hr=0x%x) in pVW->put_MessageDrain((OAHWND) hDrain)\n", hr);
    // The engine puts its window back at the size it had in full screen, which shows a corner of
    // the frame magnified: the video takes the client area again, as the size keys give it.
    FillClientWithVideo();
    hr = pVW->SetWindowForeground(-1);
    if (FAILED(hr))
        ReportMessage("FAILED(hr=0x%x) in pVW->SetWindowForeground(-1)\n", hr);
    UpdateWindow(ghApp);
    SetForegroundWindow(ghApp);
    SetFocus(ghApp);
    gbFullScreen = FALSE;
    RedrawPausedPictureSoon();
    // Back in a window, the keys window and the list of marks are ordinary ones again.
    if (ghKeys)
        SetWindowPos(ghKeys, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (ghMarkList)
        SetWindowPos(ghMarkList, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return hr;
}

// The engine's answer, not gbFullScreen, decides the direction.
HRESULT ToggleFullScreen()
{
    if (gbAudioOnly || !pVW)
        return 0;
    long mode = OAFALSE;
    HRESULT hr = pVW->get_FullScreenMode(&mode);
    if (FAILED(hr))
        return hr;
    return mode == OAFALSE ? EnterFullScreen() : LeaveFullScreen();
}
