// The two ways a clip is played, behind one table: the player's own source at the head of the
// graph, or the graph the engine builds itself from the file. What differs between them is here;
// the transport above asks the table and never which of the two it has.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "engine/overview.h"

#include <math.h>
#include <stdlib.h>

// The own source where Media Foundation reads the clip, and its overview read beside it. Renderers
// that a failed attempt left behind would wait for a stream that never comes: the graph is made
// afresh for the engine after one.
static HRESULT BuildOwnSource(const WCHAR *path)
{
    IBaseFilter *source = NULL;
    HRESULT hr = OpenOwnSource(path, &source);
    if (FAILED(hr))
        return hr;
    if (SUCCEEDED(hr = RenderOwnSource(pGB, source))) {
        pSource = source;
        ApplySoundSettings();
        gOverview = StartOverview(path);
        return hr;
    }
    source->Release();
    HRESULT fresh = RecreateGraph();
    return FAILED(fresh) ? fresh : hr;
}

static HRESULT BuildFromFile(const WCHAR *path)
{
    return pGB->RenderFile(path, NULL);
}

// The source's own account of the place: the graph's count goes wrong over a second pause on some engines.
static REFERENCE_TIME OwnSourcePlaceNow()
{
    return OwnSourcePlace(pSource);
}

static REFERENCE_TIME GraphPlace()
{
    REFERENCE_TIME position = 0;
    pMS->GetCurrentPosition(&position);
    return position;
}

static void SeekRunning(REFERENCE_TIME *current, DWORD currentFlags, REFERENCE_TIME *stop, DWORD stopFlags)
{
    pMS->SetPositions(current, currentFlags, stop, stopFlags);
}

// The state the graph is in: asked of the engine, or guessed from the play state if it cannot say.
static OAFilterState GraphState()
{
    OAFilterState state = State_Paused;
    if (gPlayState == Running)
        state = State_Running;
    pMC->GetState(0, &state);
    return state;
}

// Where the engine stalls a seek of a running or paused graph, the graph is stopped for it and
// then returned to its state.
static void SeekStopped(REFERENCE_TIME *current, DWORD currentFlags, REFERENCE_TIME *stop, DWORD stopFlags)
{
    OAFilterState state = State_Stopped;
    if (gbStopToSeek && pMC)
        state = GraphState();
    if (state != State_Stopped)
        pMC->Stop();
    pMS->SetPositions(current, currentFlags, stop, stopFlags);
    if (state == State_Running)
        CueAndRun();
    else if (state == State_Paused)
        pMC->Pause();
}

// The own source stretches its sound to any rate, keeping the voice.
static double StretchTo(double rate)
{
    SetOwnSourceRate(pSource, pMS, rate);
    return rate;
}

// A graph the engine built keeps the rate it reports, so an engine that ignores rates stays at
// normal speed; an answer that is no usable rate (not a number, infinite, not above zero) is as
// good as none.
static double GraphRateTo(double rate)
{
    pMS->SetRate(rate);
    double reported = rate;
    bool usable = SUCCEEDED(pMS->GetRate(&reported)) && isfinite(reported) && reported > 0;
    return usable ? reported : rate;
}

static double OwnSourceRate()
{
    return gdRate;
}

static double GraphRate()
{
    double rate = gdRate;
    pMS->GetRate(&rate);
    return rate;
}

const ClipEngine kOwnSourceEngine = {BuildOwnSource, OwnSourcePlaceNow, SeekRunning, StretchTo, OwnSourceRate};
const ClipEngine kGraphEngine = {BuildFromFile, GraphPlace, SeekStopped, GraphRateTo, GraphRate};
const ClipEngine *gEngine = &kGraphEngine;

// Compatibility: Wine before 10 wakes only one stream thread of its splitter after a seek made while
// the graph runs or is paused, so a clip with sound and video stalls and the next Stop never returns.
// A seek made while the graph is stopped is safe there; from Wine 10 on, and on Windows, it is not
// needed (and Wine 10 loses the A-B loop with it), nor with the player's own source, which seeks a
// running graph soundly. Windows' ntdll has no wine_get_version.
void DetectSeekStall()
{
    typedef const char *(CDECL *WineVersion)();
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    WineVersion version = ntdll ? (WineVersion)(void (*)())GetProcAddress(ntdll, "wine_get_version") : NULL;
    gbStopToSeek = version && atoi(version()) < 10;
}
