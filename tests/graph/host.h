// The player's own source alone at the head of Wine's graph, with the renderers that Render
// chose for its pins, and what the cases ask of them: the place, the events, the frame held.
#pragma once

#include "graph/check.h"

// The test clip's picture is a grey level that rises with its time, so that a frame says when it
// is from: the runner makes it 25.5 levels (of 255) a second.
static const double kGreyPerSecond = 25.5;

struct Host {
    IGraphBuilder *graph;
    IMediaControl *control;
    IMediaSeeking *seeking;
    IMediaEventEx *events;
    IBasicVideo   *video;       // the graph's; answers only when a picture was rendered
    IVideoWindow  *window;      // kept hidden: under Wine on a screen with no window manager, a
                                // shown top-level window takes 2 s to hide or to destroy
    IBaseFilter   *source;
    REFERENCE_TIME duration;    // as the graph reports it
    bool           picture;     // the clip's picture reached a renderer
    // The events read so far
    int            completes;       // EC_COMPLETE
    int            aborts;          // EC_ERRORABORT
    LONG_PTR       abortStatus;     // its first parameter, the failure
    double         completeAt;      // Elapsed() when the last EC_COMPLETE was read
    REFERENCE_TIME placeAtComplete; // the place then
    REFERENCE_TIME placeAtAbort;
};

bool OpenHost(Host *host, const char *clip);
// Releases everything as the player does, the graph last; Stop first when asked.
void CloseHost(Host *host, bool stopFirst);
// Releases the graph first, so that the source's own last reference ends it, outside any graph.
void CloseGraphFirst(Host *host);

REFERENCE_TIME Place(Host *host);
// Pauses the graph and waits up to 2 s for it to say Paused; answers its last GetState.
HRESULT Cue(Host *host);
// Cues, then runs, as the player starts a clip.
HRESULT Play(Host *host);
HRESULT Seek(Host *host, REFERENCE_TIME target);
HRESULT SetStop(Host *host, REFERENCE_TIME stop);
// A seek with a stop position, as an A-B loop makes.
HRESULT SeekWithStop(Host *host, REFERENCE_TIME target, REFERENCE_TIME stop);

// Reads the graph's events for waitMs at most, counting what the cases look for.
void ReadEvents(Host *host, DWORD waitMs);
// Reads events for ms; the place must not go past limit meanwhile (answers false if it did).
bool Hold(Host *host, DWORD ms, REFERENCE_TIME limit, REFERENCE_TIME *highest);
// Waits until the place reaches at; false after timeoutMs.
bool WaitForPlace(Host *host, REFERENCE_TIME at, DWORD timeoutMs);
// Waits for EC_COMPLETE or EC_ERRORABORT; answers the code, 0 after timeoutMs.
long WaitForEnd(Host *host, DWORD timeoutMs);
const char *EndName(long code);   // of what WaitForEnd answered
// When the frame the video renderer holds is from, by its grey; -1 when it holds none (hr says why).
double FrameTime(Host *host, HRESULT *hr);
// Waits up to timeoutMs for the paused video renderer to hold a frame; answers its time or -1.
double WaitForFrame(Host *host, DWORD timeoutMs, HRESULT *hr);
