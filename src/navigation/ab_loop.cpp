// The A-B repeat loop: Insert marks A, then B and loops, then ends the loop. Once B is set the span
// plays forever or the user's count of times, each return to A after the user's gap of silence.
#include "app/player_state.h"
#include "app/commands.h"
#include "engine/engine.h"
#include "navigation/navigation.h"

bool EndLoopGap()
{
    if (!gbLoopGap)
        return false;
    gbLoopGap = FALSE;
    KillTimer(ghApp, LOOP_GAP_TIMER_ID);
    return true;
}

// Lets the clip run to its end again instead of stopping at B. A graph held in the gap at B plays
// on, cued so that its next sound is heard.
static void RestoreStopAtDuration(DWORD currentFlags)
{
    bool heldAtB = EndLoopGap();
    REFERENCE_TIME duration = ClipDuration();
    REFERENCE_TIME current = currentFlags != AM_SEEKING_NoPositioning ? CurrentPosition() : 0;
    gABState = ABOff;
    SeekClip(current, currentFlags, &duration, AM_SEEKING_AbsolutePositioning);
    if (heldAtB && gPlayState == Running)
        CueAndRun();
}

void MarkABPoint()
{
    if (!pMC || !pMS || !ClipIsPlaying())
        return;
    switch (gABState) {
    case ABOff:
        grtA = CurrentPosition();
        gABState = ABMarked;
        break;
    case ABMarked: {
        grtB = CurrentPosition();
        gABState = ABLooping;
        giLoopRepeat = 1;
        SeekClip(grtA, AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame,
                 &grtB, AM_SEEKING_AbsolutePositioning | AM_SEEKING_Segment | AM_SEEKING_NoFlush);
        break;
    }
    case ABLooping:
        RestoreStopAtDuration(AM_SEEKING_AbsolutePositioning);
        break;
    }
}

// A cancelled loop must not keep stopping the clip at B.
void CancelABLoop()
{
    if (gABState == ABLooping && pMS)
        RestoreStopAtDuration(AM_SEEKING_NoPositioning);
    gABState = ABOff;
}

// The gap is over: the next repeat from A. The player's own resume is not this one, so no rewind.
static void CALLBACK ReturnAfterGap(HWND, UINT, UINT_PTR, DWORD)
{
    // A WM_TIMER posted before the gap was ended may still come.
    if (!EndLoopGap())
        return;
    SeekToKeyFrame(grtA);
    CueAndRun();
}

// The stop at B holds for every repeat. Repeats are counted only against a count: one chosen while
// the loop runs counts from the repeat playing. Once the count is played the clip plays on from B as after a
// third Insert. A loop reaching B while paused returns to A at once: there is no silence to add.
void LoopReachedB()
{
    if (gABState != ABLooping || !ClipIsPlaying() || gbLoopGap)
        return;
    if (giLoopCount) {
        if (giLoopRepeat >= giLoopCount) {
            RestoreStopAtDuration(AM_SEEKING_AbsolutePositioning);
            return;
        }
        giLoopRepeat++;
    }
    if (giLoopGapSeconds && gPlayState == Running && SUCCEEDED(pMC->Pause())) {
        gbLoopGap = TRUE;
        SetTimer(ghApp, LOOP_GAP_TIMER_ID, (UINT)giLoopGapSeconds * 1000, ReturnAfterGap);
        return;
    }
    SeekToKeyFrame(grtA);
}
