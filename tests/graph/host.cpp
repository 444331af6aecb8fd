// The graph around the player's own source, driven through the graph's own interfaces and the
// source's outside calls alone, each timed by the watchdog.
#include "graph/host.h"
#include "engine/engine.h"

#include <evcode.h>
#include <string.h>

// Each release timed under its own name: a final one may stop the graph or end the source.
template <typename T>
static void TimedRelease(T *&pointer, const char *what, int line)
{
    if (pointer) {
        WatchBegin(what, __FILE__, line);
        pointer->Release();
        WatchEnd(S_OK);
    }
    pointer = NULL;
}
#define Drop(pointer) TimedRelease(pointer, #pointer "->Release()", __LINE__)

bool OpenHost(Host *host, const char *clip)
{
    memset(host, 0, sizeof(*host));
    WCHAR path[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, clip, -1, path, MAX_PATH);
    HRESULT hr = CALL(OpenOwnSource(path, &host->source));
    if (!ok(hr == S_OK, "OpenOwnSource of %s: hr %#lx", clip, hr))
        return false;
    hr = CALL(CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, (void **)&host->graph));
    if (!ok(hr == S_OK, "the filter graph: hr %#lx", hr))
        return false;
    hr = CALL(RenderOwnSource(host->graph, host->source));
    if (!ok(SUCCEEDED(hr), "RenderOwnSource: hr %#lx", hr))
        return false;
    host->graph->QueryInterface(IID_IMediaControl, (void **)&host->control);
    host->graph->QueryInterface(IID_IMediaSeeking, (void **)&host->seeking);
    host->graph->QueryInterface(IID_IMediaEventEx, (void **)&host->events);
    host->graph->QueryInterface(IID_IBasicVideo, (void **)&host->video);
    host->graph->QueryInterface(IID_IVideoWindow, (void **)&host->window);
    if (!ok(host->control && host->seeking && host->events, "the graph's control, seeking and events"))
        return false;
    hr = CALL(host->seeking->GetDuration(&host->duration));
    ok(hr == S_OK && host->duration > 0, "GetDuration: hr %#lx, %.3f s", hr, Seconds(host->duration));
    LONG width = 0, height = 0;
    host->picture = host->video && SUCCEEDED(host->video->GetVideoSize(&width, &height)) && width > 0;
    if (host->picture && host->window)
        CALL(host->window->put_AutoShow(OAFALSE));
    trace("%s: %.3f s, %s", clip, Seconds(host->duration), host->picture ? "sound and picture" : "sound only");
    return true;
}

void CloseHost(Host *host, bool stopFirst)
{
    if (stopFirst && host->control) {
        HRESULT hr = CALL(host->control->Stop());
        ok(hr == S_OK, "Stop at the close: hr %#lx", hr);
    }
    Drop(host->window);
    Drop(host->events);
    Drop(host->seeking);
    Drop(host->control);
    Drop(host->video);
    Drop(host->source);
    Drop(host->graph);
}

void CloseGraphFirst(Host *host)
{
    Drop(host->window);
    Drop(host->events);
    Drop(host->seeking);
    Drop(host->control);
    Drop(host->video);
    Drop(host->graph);
    Drop(host->source);
}

REFERENCE_TIME Place(Host *host)
{
    WatchBegin("OwnSourcePlace", __FILE__, __LINE__);
    REFERENCE_TIME place = OwnSourcePlace(host->source);
    WatchEnd(S_OK);
    return place;
}

HRESULT Cue(Host *host)
{
    HRESULT hr = CALL(host->control->Pause());
    if (FAILED(hr))
        return hr;
    OAFilterState state = State_Stopped;
    double until = Elapsed() + 2.0;
    do {
        hr = CALL(host->control->GetState(50, &state));
        ReadEvents(host, 0);
    } while (hr != S_OK && Elapsed() < until);
    return hr;
}

HRESULT Play(Host *host)
{
    Cue(host);
    return CALL(host->control->Run());
}

HRESULT Seek(Host *host, REFERENCE_TIME target)
{
    return CALL(host->seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning));
}

HRESULT SetStop(Host *host, REFERENCE_TIME stop)
{
    return CALL(host->seeking->SetPositions(NULL, AM_SEEKING_NoPositioning, &stop, AM_SEEKING_AbsolutePositioning));
}

HRESULT SeekWithStop(Host *host, REFERENCE_TIME target, REFERENCE_TIME stop)
{
    return CALL(host->seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning, &stop,
                                            AM_SEEKING_AbsolutePositioning));
}

void ReadEvents(Host *host, DWORD waitMs)
{
    long code = 0;
    LONG_PTR first = 0, second = 0;
    DWORD wait = waitMs;
    while (CALL(host->events->GetEvent(&code, &first, &second, (long)wait)) == S_OK) {
        if (code == EC_COMPLETE) {
            host->completes++;
            host->completeAt = Elapsed();
            host->placeAtComplete = Place(host);
        } else if (code == EC_ERRORABORT) {
            if (host->aborts++ == 0)
                host->abortStatus = first;
            host->placeAtAbort = Place(host);
        }
        host->events->FreeEventParams(code, first, second);
        wait = 0;
    }
}

bool Hold(Host *host, DWORD ms, REFERENCE_TIME limit, REFERENCE_TIME *highest)
{
    bool within = true;
    double until = Elapsed() + ms / 1000.0;
    do {
        ReadEvents(host, 10);
        REFERENCE_TIME place = Place(host);
        if (highest && place > *highest)
            *highest = place;
        within = within && place <= limit;
    } while (Elapsed() < until);
    return within;
}

bool WaitForPlace(Host *host, REFERENCE_TIME at, DWORD timeoutMs)
{
    double until = Elapsed() + timeoutMs / 1000.0;
    while (Place(host) < at) {
        if (Elapsed() > until)
            return false;
        ReadEvents(host, 10);
    }
    return true;
}

long WaitForEnd(Host *host, DWORD timeoutMs)
{
    int completes = host->completes, aborts = host->aborts;
    double until = Elapsed() + timeoutMs / 1000.0;
    while (Elapsed() < until) {
        ReadEvents(host, 10);
        if (host->aborts > aborts)
            return EC_ERRORABORT;
        if (host->completes > completes)
            return EC_COMPLETE;
    }
    return 0;
}

const char *EndName(long code)
{
    return code == EC_ERRORABORT ? "EC_ERRORABORT" : code == EC_COMPLETE ? "EC_COMPLETE" : "no end event";
}

// The frame's grey from the middle of the picture, averaged over a square of it.
double FrameTime(Host *host, HRESULT *hr)
{
    static LONG image[(sizeof(BITMAPINFOHEADER) + 4 * 1920 * 1080) / sizeof(LONG)];
    LONG size = sizeof(image);
    *hr = host->video ? CALL(host->video->GetCurrentImage(&size, image)) : E_NOINTERFACE;
    if (*hr != S_OK)
        return -1;
    const BITMAPINFOHEADER *header = (const BITMAPINFOHEADER *)image;
    const BYTE *pixels = (const BYTE *)image + header->biSize;
    LONG width = header->biWidth, height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    if (header->biBitCount != 32 || width < 16 || height < 16)
        return -1;
    double sum = 0;
    for (LONG row = height / 2 - 8; row < height / 2 + 8; row++)
        for (LONG x = width / 2 - 8; x < width / 2 + 8; x++)
            sum += pixels[(row * width + x) * 4 + 1];
    return sum / 256 / kGreyPerSecond;
}

double WaitForFrame(Host *host, DWORD timeoutMs, HRESULT *hr)
{
    double until = Elapsed() + timeoutMs / 1000.0;
    double time;
    while ((time = FrameTime(host, hr)) < 0 && Elapsed() < until)
        ReadEvents(host, 20);
    return time;
}
