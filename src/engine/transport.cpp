// Pause and play, stop with rewind, jumps of the user's lengths and of 100 s, jumps to tenths and rate steps.
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"

#include <limits.h>
#include <math.h>

bool ClipIsPlaying()
{
    return gPlayState == Paused || gPlayState == Running;
}

REFERENCE_TIME CurrentPosition()
{
    return gEngine->place();
}

REFERENCE_TIME ClipDuration()
{
    REFERENCE_TIME duration = 0;
    if (!pMS || FAILED(pMS->GetDuration(&duration)))
        return 0;
    return duration;
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
    return Within(position, position > 0 ? ClipDuration() : 0);
}

// How long a start waits for the graph to cue before it runs it all the same.
static const LONG kCueWaitMs = 2000;

// A graph run straight from Stopped starts its clock before its renderers hold any sound, and the
// first words are lost: it is paused first, its renderers take their first samples, and it runs
// once it says it is paused and ready. A clip that played to its end is heard out meanwhile.
HRESULT CueAndRun()
{
    pMC->Pause();
    OAFilterState state;
    pMC->GetState(kCueWaitMs, &state);
    EndTail();
    return pMC->Run();
}

// Every seek the player makes goes through here, so that no target lies outside the clip. A jump to
// words still waiting for the overview is given up: the user has gone elsewhere.
void SeekClip(REFERENCE_TIME current, DWORD currentFlags, const REFERENCE_TIME *stop, DWORD stopFlags)
{
    EndWordJumpWait();
    REFERENCE_TIME duration = current > 0 || (stop && *stop > 0) ? ClipDuration() : 0;
    REFERENCE_TIME start = Within(current, duration);
    REFERENCE_TIME end = stop ? Within(*stop, duration) : 0;
    gEngine->seek(&start, currentFlags, stop ? &end : NULL, stopFlags);
}

void SeekToKeyFrame(REFERENCE_TIME position)
{
    SeekClip(position, AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame, NULL, AM_SEEKING_NoPositioning);
}

// Every play after a pause comes this way, from any key, command or pedal: the user hears again the
// last words before the pause.
static void RewindForResume()
{
    if (giRewindSeconds == 0 || !pMS)
        return;
    SeekToKeyFrame(RewoundPlace(CurrentPosition(), giRewindSeconds, gABState == ABLooping ? grtA : 0));
}

void PausePlay()
{
    if (!pMC)
        return;
    // A pause in the loop's gap at B waits at A, where the gap would have gone on: the graph is
    // paused already, and the resume plays the next repeat.
    if (EndLoopGap())
        SeekToKeyFrame(grtA);
    if (gPlayState == Paused)
        RewindForResume();
    if (gPlayState == Paused || gPlayState == Stopped) {
        if (SUCCEEDED(gPlayState == Stopped ? CueAndRun() : pMC->Run()))
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
        EndLoopGap();
        pMC->Stop();
        gPlayState = Stopped;
        SeekClip(0, AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning);
        pMC->Pause();
    }
    UpdateTitle();
}

// The place a jump aims at, held to the 64-bit range whatever place the engine reports.
static REFERENCE_TIME Offset(REFERENCE_TIME position, REFERENCE_TIME delta)
{
    if (delta > 0 && position > LLONG_MAX - delta)
        return LLONG_MAX;
    if (delta < 0 && position < LLONG_MIN - delta)
        return LLONG_MIN;
    return position + delta;
}

REFERENCE_TIME RewoundPlace(REFERENCE_TIME paused, int seconds, REFERENCE_TIME floor)
{
    REFERENCE_TIME place = Offset(paused, -seconds * 10000000LL);
    if (place < floor)
        place = floor;
    if (place > paused)
        place = paused;
    return place < 0 ? 0 : place;
}

// A jump past either end lands on that end.
void SkipBy(REFERENCE_TIME delta)
{
    if (!pMC || !pMS || !ClipIsPlaying())
        return;
    SeekToKeyFrame(Offset(CurrentPosition(), delta));
}

void SkipBack()         { SkipBy(-SkipTime(SKIP_BACK)); }
void SkipForward()      { SkipBy(SkipTime(SKIP_FORWARD)); }
void SkipOtherBack()    { SkipBy(-SkipTime(SKIP_OTHER_BACK)); }
void SkipOtherForward() { SkipBy(SkipTime(SKIP_OTHER_FORWARD)); }
void SkipFarForward() { SkipBy(1000000000LL); }

void SeekToTenth(int tenth)
{
    if (!pMS)
        return;
    REFERENCE_TIME duration = ClipDuration();
    // tenth × duration ÷ 10, split so that no product leaves 64 bits.
    SeekToKeyFrame(duration / 10 * tenth + duration % 10 * tenth / 10);
}

// The rates a step may reach.
static const double kSlowest = 0.25;
static const double kFastest = 4.0;

static void ApplyRate(double rate)
{
    gdRate = gEngine->setRate(rate < kSlowest ? kSlowest : rate > kFastest ? kFastest : rate);
}

// A new clip plays at the rate the last one was left at, as it does at the volume.
void CarryRate()
{
    if (gdRate != 1.0)
        ApplyRate(gdRate);
}

// The rate the clip plays at, for the strip.
double ClipRate()
{
    return gEngine->rate();
}

// The first step in the other direction returns to normal speed; steps from there compound.
void RateUp()
{
    if (!pMS)
        return;
    ApplyRate(gdRate < 1.0 ? 1.0 : gdRate * 1.01);
}

void RateDown()
{
    if (!pMS)
        return;
    ApplyRate(gdRate > 1.0 ? 1.0 : gdRate * 0.99);
}

// Ten points at a time, on whole percents: 100, 110, 120; 100, 90, 80.
static void StepRateByTen(int direction)
{
    if (pMS)
        ApplyRate(floor(gdRate * 100.0 + 0.5) / 100.0 + direction * 0.10);
}

void RateUpTen()   { StepRateByTen(+1); }
void RateDownTen() { StepRateByTen(-1); }

void NormalRate()
{
    if (pMS)
        ApplyRate(1.0);
}
