// A clip's life: the open dialog, building and running the filter graph, and tearing it down.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "engine/overview.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <stddef.h>
#include <string.h>

// The longest that a finished clip's last sound is waited for.
static const DWORD kTailMs = 400;

// The pre-Windows 2000 record, which every version of the dialog accepts: 76 bytes on 32-bit Windows.
static_assert(sizeof(void *) != 4 || offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "open-file record size");

// The first lists what the folder playlist takes.
static const char kFilters[] =
    "A/V Files (*.wmv; *.mp3; *.avi; *.mpg; *.mpeg; *.m4a; *.mp4; *.m4v; *.mov; *.mkv; *.webm; *.flac; *.ogg; "
    "*.oga; *.opus; *.aac; *.wav; *.wma; *.asf)\0"
    "*.wmv; *.mp3; *.avi; *.mpg; *.mpeg; *.m4a; *.mp4; *.m4v; *.mov; *.mkv; *.webm; *.flac; *.ogg; *.oga; *.opus; "
    "*.aac; *.wav; *.wma; *.asf\0"
    "All Files (*.*)\0*.*;\0";

// The one release of a clip: its graph, its loop, and the Go to time dialog, the note box and the
// list of marks opened on it.
static void ReleaseClip()
{
    if (pMC)
        pMC->Stop();
    gPlayState = Stopped;
    EndLoopGap();
    ReleaseGraph();
    gABState = ABOff;
    CloseGoToTime();
    CloseNoteBox();
    CloseMarkList();
}

// The window with no clip: the idle size, the clip menus greyed and the product name as title.
static HRESULT DiscardClip()
{
    EndTail();
    gbAudioOnly = TRUE;
    gbFullScreen = FALSE;
    ReleaseClip();
    gszFileName[0] = 0;
    gPlayState = NoClip;
    RECT client;
    GetClientRect(ghApp, &client);
    InvalidateRect(ghApp, &client, TRUE);
    UpdateTitle();
    return ResetIdleWindow();
}

// The one failure road of an open. A start-up clip that fails must not leave a process with no
// window to show.
void AbandonClip(HRESULT status)
{
    char path[PATH_BYTES];
    CopyPath(path, gszFileName);
    DiscardClip();
    ShowWindow(ghApp, SW_SHOWNORMAL);
    if (status == E_PATH_TOO_LONG)
        ReportPathTooLong(path);
    else if (status == NS_E_LICENSE_REQUIRED)
        ReportMessage("This media file requires a license. DRM is not supported by this version\r\n");
    else
        ReportMessage("The clip %s could not be played: the file is missing, damaged or not a media file that "
                      "this system can play (error 0x%08lx).\r\n", path, HexStatus(status));
}

// A place past the clip's end is ignored.
static void ResumeAt(REFERENCE_TIME place)
{
    if (place > 0 && place < ClipDuration())
        SeekToKeyFrame(place);
}

// Every open takes this road: the command line, the record, the dialog, a drop, Up and Down and
// the end of a clip. Only a clip that plays is remembered, so a bad file is never reopened at the
// next start; one that will not play is released again, its saved place left as it was.
HRESULT StartClip(REFERENCE_TIME resume)
{
    gPlayState = Stopped;
    glMuteVolume = glVolume;
    HRESULT status = PlayClipFile(gszFileName);
    if (FAILED(status)) {
        ReleaseClip();
        return status;
    }
    SaveLastClip();
    ResumeAt(resume);
    return status;
}

// The idle window while the user chooses; false when nothing was chosen.
static bool ChooseClip()
{
    UpdateTitle();
    ResetIdleWindow();
    ShowWindow(ghApp, SW_SHOWNORMAL);
    SetForegroundWindow(ghApp);
    char path[PATH_BYTES];
    if (!GetClipFileName(path)) {
        if (CommDlgExtendedError())
            ReportMessage("GetClipFileName Failed! Error=0x%x\r\n", GetLastError());
        return false;
    }
    CopyPath(gszFileName, path);
    BuildPlaylist();
    return true;
}

void OpenClip(const char *path, REFERENCE_TIME resume)
{
    if (gPlayState != NoClip)
        CloseClip();
    if (path) {
        CopyPath(gszFileName, path);
        BuildPlaylist();
    }
    if (!gszFileName[0] && !ChooseClip())
        return;
    HRESULT status = StartClip(resume);
    if (FAILED(status))
        AbandonClip(status);
}

BOOL GetClipFileName(char *buffer)
{
    buffer[0] = 0;
    ZeroMemory(&gOfn, sizeof(gOfn));
    gOfn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    gOfn.hwndOwner = ghApp;
    gOfn.lpstrFilter = kFilters;
    gOfn.nFilterIndex = 1;
    gOfn.lpstrFile = buffer;
    gOfn.nMaxFile = PATH_BYTES;
    gOfn.lpstrTitle = "Open Media File...";
    gOfn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_READONLY;
    gOfn.lpstrDefExt = "*";
    gOfn.lpstrInitialDir = gbOfnShown ? NULL : "\\";
    gbOfnShown = TRUE;
    return GetOpenFileNameA(&gOfn);
}

// The engine takes UTF-16 and no more than an ordinary path's length of it.
static HRESULT WidePath(const char *path, WCHAR wide[MAX_PATH])
{
    char ansi[PATH_BYTES];
    CopyPath(ansi, path);
    if (strlen(path) > PATH_BYTES - 1 || !AnsiToWide(ansi, wide, MAX_PATH))
        return E_PATH_TOO_LONG;
    return S_OK;
}

template <typename Interface>
static void ReleaseInterface(Interface *&pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = NULL;
    }
}

static HRESULT CreateGraph()
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB);
    if (FAILED(hr))
        return hr;
    return pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME);
}

HRESULT RecreateGraph()
{
    ReleaseInterface(pME);
    ReleaseInterface(pGB);
    return CreateGraph();
}

// The head of the graph: the player's own source where Media Foundation reads the clip, else what
// the engine builds itself.
static HRESULT RenderClip(const WCHAR *path)
{
    gEngine = &kOwnSourceEngine;
    if (SUCCEEDED(kOwnSourceEngine.build(path)))
        return S_OK;
    gEngine = &kGraphEngine;
    return kGraphEngine.build(path);
}

// The graph for the file, its seven interfaces, and its events posted to the main window.
static HRESULT BuildGraph(const WCHAR *path)
{
    HRESULT hr;
    if (FAILED(hr = CreateGraph()) || FAILED(hr = RenderClip(path)))
        return hr;
    if (FAILED(hr = pGB->QueryInterface(IID_IMediaControl, (void **)&pMC)))
        return hr;
    if (FAILED(hr = pGB->QueryInterface(IID_IMediaSeeking, (void **)&pMS)))
        return hr;
    if (FAILED(hr = pGB->QueryInterface(IID_IVideoWindow, (void **)&pVW)))
        return hr;
    if (FAILED(hr = pGB->QueryInterface(IID_IBasicVideo, (void **)&pBV)))
        return hr;
    if (FAILED(hr = pGB->QueryInterface(IID_IBasicAudio, (void **)&pBA)))
        return hr;
    return pME->SetNotifyWindow((OAHWND)ghApp, WM_GRAPH_EVENT, 0);
}

// The video in the main window at its native size, or the idle size for a clip with none.
static HRESULT AttachVideo()
{
    DetectAudioOnly();
    if (gbAudioOnly) {
        ResetIdleWindow();
        EnableClipMenus(AudioClipMenus);
        return S_OK;
    }
    HRESULT hr;
    if (FAILED(hr = pVW->put_Owner((OAHWND)ghApp)))
        return hr;
    // Clipping its siblings, the video never paints over the status strip.
    if (FAILED(hr = pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)))
        return hr;
    return SizeVideoWindow(1, 1);
}

static void ShowClipWindow()
{
    CheckSizeItem(IDM_SIZE_NORMAL);
    ShowWindow(ghApp, SW_SHOWNORMAL);
    UpdateWindow(ghApp);
    SetForegroundWindow(ghApp);
    UpdateTitle();
    gbFullScreen = FALSE;
}

// Every clip plays at the user's level.
static HRESULT RunClip()
{
    HRESULT hr = CueAndRun();
    if (FAILED(hr))
        return hr;
    pBA->put_Volume(glVolume);
    gPlayState = Running;
    SetFocus(ghApp);
    return hr;
}

// Each failing step returns at once and leaves what it obtained for the caller to release.
HRESULT PlayClipFile(const char *path)
{
    GetConversionCodePage();
    if (!path)
        return E_POINTER;
    UpdateWindow(ghApp);
    WCHAR wide[MAX_PATH];
    HRESULT hr;
    if (FAILED(hr = WidePath(path, wide)) || FAILED(hr = BuildGraph(wide)) || FAILED(hr = AttachVideo()))
        return hr;
    ShowClipWindow();
    CarryRate();
    if (FAILED(hr = RunClip()))
        return hr;
    UpdateStatusStrip();
    LoadBookmarks();
    return hr;
}

// Only the status of get_Visible tells whether there is video; its value is not looked at.
void DetectAudioOnly()
{
    if (!pVW || !pBV) {
        gbAudioOnly = TRUE;
        return;
    }
    gbAudioOnly = FALSE;
    long visible;
    HRESULT hr = pVW->get_Visible(&visible);
    if (hr == E_NOINTERFACE)
        gbAudioOnly = TRUE;
    else if (FAILED(hr))
        ReportMessage("Failed(%08lx) in pVW->get_Visible()!\r\n", HexStatus(hr));
}

HRESULT CloseClip()
{
    SaveLastPosition();
    return DiscardClip();
}

// The playlist's step away from the clip: its place is saved; the window, title and modes stay
// for the next clip.
void LeaveClip()
{
    SaveLastPosition();
    ReleaseClip();
    gszFileName[0] = 0;
}

// The completion event comes while the clip's last sound is still on its way to the speakers: its
// graph is left running, no longer the clip's, until the next clip is ready to start.
void KeepTail()
{
    EndTail();
    pTail = pMC;
    pMC = NULL;
    gdwTailSince = GetTickCount();
}

// Heard out, but no longer than the sound a renderer can still hold at the completion event
// (under Wine about 0.3 s on its way to the speakers); what the next clip's start took counts.
void EndTail()
{
    if (!pTail)
        return;
    DWORD since = GetTickCount() - gdwTailSince;
    if (since < kTailMs)
        Sleep(kTailMs - since);
    pTail->Stop();
    pTail->Release();
    pTail = NULL;
}

void ReleaseGraph()
{
    if (pVW) {
        pVW->put_Visible(OAFALSE);
        pVW->put_Owner(0);
    }
    if (pME) {
        pME->SetNotifyWindow(0, 0, 0);
        ReleaseInterface(pME);
    }
    ReleaseInterface(pMS);
    ReleaseInterface(pMC);
    ReleaseInterface(pBA);
    StopOverview(gOverview);
    gOverview = NULL;
    ReleaseInterface(pSource);
    gEngine = &kGraphEngine;
    ReleaseInterface(pBV);
    ReleaseInterface(pVW);
    ReleaseInterface(pGB);
    UpdateStatusStrip();
}
