// A clip's life: the open dialog, building and running the filter graph, and tearing it down.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <stddef.h>
#include <string.h>

// The pre-Windows 2000 record, which every version of the dialog accepts: 76 bytes on 32-bit Windows.
static_assert(sizeof(void *) != 4 || offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "open-file record size");

static const char kFilters[] =
    "A/V Files (*.asf; *.wma; *.wmv; *.mp3; *.avi)\0*.asf; *.wma; *.wmv; *.mp3; *.avi\0"
    "All Files (*.*)\0*.*;\0";

// The close of a clip that did not play: the place saved for it is left as it was.
static HRESULT DiscardClip()
{
    if (pMC)
        pMC->Stop();
    gPlayState = Stopped;
    gbAudioOnly = TRUE;
    gbFullScreen = FALSE;
    ReleaseGraph();
    gszFileName[0] = 0;
    gPlayState = NoClip;
    RECT client;
    GetClientRect(ghApp, &client);
    InvalidateRect(ghApp, &client, TRUE);
    UpdateTitle();
    return ResetIdleWindow();
}

void AbandonClip(HRESULT status)
{
    char path[PATH_BYTES];
    CopyPath(path, gszFileName);
    DiscardClip();
    if (status == E_PATH_TOO_LONG)
        ReportPathTooLong(path);
    else if (status == NS_E_LICENSE_REQUIRED)
        ReportMessage("This media file requires a license. DRM is not supported by this version");
    else
        ReportMessage("Cannot play %s\r\nThe file is missing, damaged or not a media file that this system "
                      "can play (error 0x%08lx).\r\n", path, HexStatus(status));
}

// A place past the clip's end is ignored.
static void ResumeAt(REFERENCE_TIME place)
{
    REFERENCE_TIME duration = 0;
    if (place > 0 && SUCCEEDED(pMS->GetDuration(&duration)) && place < duration)
        SeekToKeyFrame(place);
}

void OpenClip(REFERENCE_TIME resume)
{
    if (!gszFileName[0]) {
        UpdateTitle();
        ResetIdleWindow();
        ShowWindow(ghApp, SW_SHOWNORMAL);
        SetForegroundWindow(ghApp);
        char path[PATH_BYTES];
        if (!GetClipFileName(path)) {
            if (CommDlgExtendedError())
                ReportMessage("GetClipFileName Failed! Error=0x%x\r\n", GetLastError());
            return;
        }
        CopyPath(gszFileName, path);
        BuildPlaylist();
    }
    gPlayState = Stopped;
    glMuteVolume = glVolume;
    HRESULT status = PlayClipFile(gszFileName);
    if (FAILED(status)) {
        // A start-up clip that fails must not leave a process with no window to show.
        ShowWindow(ghApp, SW_SHOWNORMAL);
        AbandonClip(status);
        return;
    }
    // Only a clip that plays is remembered, so a bad file is never reopened at the next start.
    SaveLastClip();
    ResumeAt(resume);
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

// Each failing step returns at once and leaves what it obtained for the caller's CloseClip.
HRESULT PlayClipFile(const char *path)
{
    GetConversionCodePage();
    if (!path)
        return E_POINTER;
    CancelABLoop();
    UpdateWindow(ghApp);

    // The engine takes UTF-16 and no more than an ordinary path's length of it.
    char ansi[PATH_BYTES];
    WCHAR wide[MAX_PATH];
    CopyPath(ansi, path);
    if (strlen(path) > PATH_BYTES - 1 || !AnsiToWide(ansi, wide, MAX_PATH))
        return E_PATH_TOO_LONG;

    HRESULT hr;
    if (FAILED(hr = CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&pGB)))
        return hr;
    if (FAILED(hr = pGB->QueryInterface(IID_IMediaEventEx, (void **)&pME)))
        return hr;
    if (FAILED(hr = pGB->RenderFile(wide, NULL)))
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
    if (FAILED(hr = pME->SetNotifyWindow((OAHWND)ghApp, WM_GRAPH_EVENT, 0)))
        return hr;

    DetectAudioOnly();
    if (!gbAudioOnly) {
        if (FAILED(hr = pVW->put_Owner((OAHWND)ghApp)))
            return hr;
        // Clipping its siblings, the video never paints over the status strip.
        if (FAILED(hr = pVW->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN)))
            return hr;
        if (FAILED(hr = SizeVideoWindow(1, 1)))
            return hr;
    } else {
        ResetIdleWindow();
        EnableClipMenus(1, 1);
    }
    CheckSizeItem(IDM_SIZE_NORMAL);
    ShowWindow(ghApp, SW_SHOWNORMAL);
    UpdateWindow(ghApp);
    SetForegroundWindow(ghApp);
    UpdateTitle();
    gbFullScreen = FALSE;

    if (FAILED(hr = pMC->Run()))
        return hr;
    pBA->put_Volume(glVolume);
    gPlayState = Running;
    SetFocus(ghApp);
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

void UnloadFailedClip()
{
    if (pMC)
        pMC->Stop();
    gPlayState = Stopped;
    ReleaseGraph();
    gszFileName[0] = 0;
}

// The playlist step's release: the window, title and modes stay for the next clip.
void UnloadClip()
{
    SaveLastPosition();
    UnloadFailedClip();
}

template <typename Interface>
static void ReleaseInterface(Interface *&pointer)
{
    if (pointer) {
        pointer->Release();
        pointer = NULL;
    }
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
    ReleaseInterface(pBV);
    ReleaseInterface(pVW);
    ReleaseInterface(pGB);
    UpdateStatusStrip();
}
