// The A-B repeat loop: Insert marks A, then B and loops, then ends the loop.
#include "app/player_state.h"
#include "engine/engine.h"
#include "navigation/navigation.h"

// Lets the clip run to its end again instead of stopping at B.
static void RestoreStopAtDuration(DWORD currentFlags)
{
    REFERENCE_TIME duration = ClipDuration();
    REFERENCE_TIME current = currentFlags != AM_SEEKING_NoPositioning ? CurrentPosition() : 0;
    gABState = ABOff;
    SeekClip(current, currentFlags, &duration, AM_SEEKING_AbsolutePositioning);
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
