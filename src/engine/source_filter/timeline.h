// The source's own account of time: which media time plays now, and how much of a buffer lies
// before a stop. Plain numbers, so that they can be checked without a graph.
#pragma once

#include <windows.h>
#include <dshow.h>

// Everything the place follows: the filter's state, where the last seek or change of rate started
// the stream and at which rate, the start time that Run handed the filter, and the stream time at
// which a pause held it.
struct Timeline {
    FILTER_STATE   state;
    REFERENCE_TIME segmentStart;  // media time that plays at stream time anchor
    REFERENCE_TIME anchor;        // 0 after a seek; after a change of rate, the stream time it takes effect
    double         rate;          // media time played per stream time
    REFERENCE_TIME runStart;      // reference time at stream time 0, from Run
    REFERENCE_TIME heldAt;        // stream time at which the last pause held the stream
    REFERENCE_TIME end;           // the stop position: no place lies beyond it
    REFERENCE_TIME brokenAt;      // the stream could not be read past this media time: no place lies beyond it; 0: whole
    bool           finished;      // the stream's end went out on every pin
};

void TimelineRun(Timeline *timeline, REFERENCE_TIME start);
void TimelinePause(Timeline *timeline, REFERENCE_TIME now);
void TimelineStop(Timeline *timeline, REFERENCE_TIME now);
void TimelineSeek(Timeline *timeline, REFERENCE_TIME target);
// The stream goes on from media time target, latency after now, at the same rate; the place is held until then.
void TimelineMove(Timeline *timeline, REFERENCE_TIME target, REFERENCE_TIME now, REFERENCE_TIME latency);
// The rate from latency after now on, the place held until then.
void TimelineRate(Timeline *timeline, double rate, REFERENCE_TIME now, REFERENCE_TIME latency);
void TimelineFinish(Timeline *timeline);
// The media time playing at reference time now.
REFERENCE_TIME TimelinePlace(const Timeline *timeline, REFERENCE_TIME now);
// The stream time at which media time plays.
REFERENCE_TIME TimelineStreamTime(const Timeline *timeline, REFERENCE_TIME media);

// The bytes of a PCM buffer starting at media time start that play before stop, whole frames only.
DWORD BytesBeforeStop(REFERENCE_TIME start, REFERENCE_TIME stop, DWORD bytes, DWORD bytesPerSecond, DWORD blockAlign);
