// Pause and play, stop with rewind, fixed jumps, jumps to tenths and rate steps.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"

bool ClipIsPlaying()
{
    return gPlayState == Paused || gPlayState == Running;
}

REFERENCE_TIME CurrentPosition()
{
    REFERENCE_TIME position = 0;
    pMS->GetCurrentPosition(&position);
    return position;
}

static REFERENCE_TIME Within(REFERENCE_TIME position, REFERENCE_TIME duration)
{
    if (position <= 0)
        return 0;
    return duration > 0 && position > duration ? duration : position;
}

// A place inside the clip: never before its start, nor past its end once the end is known.
REFERENCE_TIME ClampToClip(REFERENCE_TIME position)
{
    REFERENCE_TIME duration = 0;
    if (position > 0)
        pMS->GetDuration(&duration);
    return Within(position, duration);
}

// Every seek the player makes goes through here, so that no target lies outside the clip.
void SeekClip(REFERENCE_TIME current, DWORD currentFlags, const REFERENCE_TIME *stop, DWORD stopFlags)
{
    REFERENCE_TIME duration = 0;
    if (current > 0 || (stop && *stop > 0))
        pMS->GetDuration(&duration);
    REFERENCE_TIME start = Within(current, duration);
    REFERENCE_TIME end = stop ? Within(*stop, duration) : 0;
    pMS->SetPositions(&start, currentFlags, stop ? &end : NULL, stopFlags);
}

void SeekToKeyFrame(REFERENCE_TIME position)
{
    SeekClip(position, AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame, NULL, AM_SEEKING_NoPositioning);
}

void PausePlay()
{
    if (!pMC)
        return;
    if (gPlayState == Paused || gPlayState == Stopped) {
        if (SUCCEEDED(pMC->Run()))
            gPlayState = Running;
    } else if (SUCCEEDED(pMC->Pause())) {
        gPlayState = Paused;
    }
    UpdateTitle();
}

// Stopping leaves the graph paused at the start, so the first frame shows.
void StopClip()
{
    if (!pMC || !pMS)
        return;
    if (ClipIsPlaying()) {
        pMC->Stop();
        gPlayState = Stopped;
        SeekClip(0, AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning);
        pMC->Pause();
    }
    UpdateTitle();
}

// A jump past either end lands on that end.
void SkipBy(REFERENCE_TIME delta)
{
    if (!pMC || !pMS || !ClipIsPlaying())
        return;
    SeekToKeyFrame(CurrentPosition() + delta);
}

void SkipBack()       { SkipBy(-90000000LL); }
void SkipForward()    { SkipBy(300000000LL); }
void SkipFarForward() { SkipBy(1000000000LL); }

void SeekToTenth(int tenth)
{
    if (!pMS)
        return;
    REFERENCE_TIME duration = 0;
    pMS->GetDuration(&duration);
    SeekToKeyFrame((REFERENCE_TIME)tenth * duration / 10);
}

// The first step in the other direction returns to normal speed; steps from there compound.
void RateUp()
{
    if (!pMS)
        return;
    gdRate = gdRate < 1.0 ? 1.0 : gdRate * 1.01;
    pMS->SetRate(gdRate);
}

void RateDown()
{
    if (!pMS)
        return;
    gdRate = gdRate > 1.0 ? 1.0 : gdRate * 0.99;
    pMS->SetRate(gdRate);
}
