// The playback engine: a clip's graph from open to close, transport, seeking and the graph's events.
#pragma once

#include <windows.h>
#include <dshow.h>

#ifndef NS_E_LICENSE_REQUIRED
#define NS_E_LICENSE_REQUIRED ((HRESULT)0xC00D0BBEL)
#endif

// Opens path in place of any clip open now; with no path, gszFileName, or when that is empty the
// clip chosen in the open dialog. On success it goes on at resume (0: the start).
void    OpenClip(const char *path, REFERENCE_TIME resume);
// Plays gszFileName: the one road of every open. A clip that fails is released and its status returned.
HRESULT StartClip(REFERENCE_TIME resume);
BOOL    GetClipFileName(char *buffer);
HRESULT PlayClipFile(const char *path);
// Closes a clip that would not play and says so once, naming the file (protected media has its own words).
void    AbandonClip(HRESULT status);
void    DetectAudioOnly();
HRESULT CloseClip();
// Media Foundation for the player's own source, from start-up to exit.
void    StartMediaFoundation();
// How a clip is played: by the player's own source at the head of the graph, or by the graph the
// engine builds from the file itself. gEngine is the open clip's.
struct ClipEngine {
    HRESULT        (*build)(const WCHAR *path);   // the clip rendered into pGB
    REFERENCE_TIME (*place)();                    // the media time playing now
    void           (*seek)(REFERENCE_TIME *current, DWORD currentFlags, REFERENCE_TIME *stop, DWORD stopFlags);
    double         (*setRate)(double rate);       // returns the rate the clip then plays at
    double         (*rate)();                     // the rate it plays at
};
extern const ClipEngine kOwnSourceEngine;
extern const ClipEngine kGraphEngine;
// A fresh graph in place of pGB and pME, for the engine after the own source left renderers in it.
HRESULT RecreateGraph();
// The player's own source: opened for a clip that Media Foundation reads, then rendered in a graph.
HRESULT OpenOwnSource(const WCHAR *path, IBaseFilter **source);
HRESULT RenderOwnSource(IGraphBuilder *graph, IBaseFilter *source);
REFERENCE_TIME OwnSourcePlace(IBaseFilter *source);
// Plays the own source's clip at rate (0.25 to 4) with the voice's pitch kept; near the end, by a
// seek through the graph's seeking.
void SetOwnSourceRate(IBaseFilter *source, IMediaSeeking *graph, double rate);
// The own source's voices levelled or not, and its front side heard: 0 both, 1 left alone, 2 right
// alone, each on both speakers. Taken up by the sound delivered next.
void SetOwnSourceLevelling(IBaseFilter *source, bool on);
void SetOwnSourceSide(IBaseFilter *source, int side);
void    LeaveClip();
void    KeepTail();
void    EndTail();
void    ReleaseGraph();

void PausePlay();
// Where a play after a pause starts: seconds before the paused place, never before floor (A in a
// loop, else the start) nor after the paused place.
REFERENCE_TIME RewoundPlace(REFERENCE_TIME paused, int seconds, REFERENCE_TIME floor);
void StopClip();
void SkipBy(REFERENCE_TIME delta);
void SkipBack();
void SkipForward();
void SkipOtherBack();      // F7
void SkipOtherForward();   // F8
void SkipFarForward();
void SeekToTenth(int tenth);
HRESULT CueAndRun();
void RateUp();
void RateDown();
void RateUpTen();
void RateDownTen();
void NormalRate();
void CarryRate();
double ClipRate();
void DetectSeekStall();

// Helpers for every seek the program makes: the current place, a place held inside the clip,
// the one way of seeking, and a jump to a key frame.
REFERENCE_TIME CurrentPosition();
REFERENCE_TIME ClipDuration();   // 0 while the engine cannot say
REFERENCE_TIME ClampToClip(REFERENCE_TIME position);
void SeekClip(REFERENCE_TIME current, DWORD currentFlags, const REFERENCE_TIME *stop, DWORD stopFlags);
void SeekToKeyFrame(REFERENCE_TIME position);
bool ClipIsPlaying();   // Paused or Running

LONG HandleGraphEvents();
