// The place from the source's own account, never the graph's: the graph's count goes wrong over
// a second pause on some engines, while the start times it hands the filters stay right.
#include "engine/source_filter/timeline.h"

void TimelineRun(Timeline *timeline, REFERENCE_TIME start)
{
    timeline->runStart = start;
    timeline->state = State_Running;
}

void TimelinePause(Timeline *timeline, REFERENCE_TIME now)
{
    if (timeline->state == State_Running)
        timeline->heldAt = now - timeline->runStart;
    timeline->state = State_Paused;
}

static REFERENCE_TIME StreamTime(const Timeline *timeline, REFERENCE_TIME now)
{
    if (timeline->state == State_Running)
        return now - timeline->runStart;
    return timeline->state == State_Paused ? timeline->heldAt : 0;
}

// A stopped stream starts again where it stopped, unless a seek says otherwise.
void TimelineStop(Timeline *timeline, REFERENCE_TIME now)
{
    timeline->segmentStart = TimelinePlace(timeline, now);
    timeline->anchor = 0;
    timeline->heldAt = 0;
    timeline->state = State_Stopped;
}

// A seek starts the stream afresh: stream time 0 is the target, and the next Run says when that is.
void TimelineSeek(Timeline *timeline, REFERENCE_TIME target)
{
    timeline->segmentStart = target;
    timeline->anchor = 0;
    timeline->heldAt = 0;
    timeline->brokenAt = 0;
    timeline->finished = false;
}

void TimelineMove(Timeline *timeline, REFERENCE_TIME target, REFERENCE_TIME now, REFERENCE_TIME latency)
{
    timeline->segmentStart = target;
    timeline->anchor = timeline->state == State_Stopped ? 0 : StreamTime(timeline, now) + latency;
    timeline->brokenAt = 0;
    timeline->finished = false;
}

void TimelineRate(Timeline *timeline, double rate, REFERENCE_TIME now, REFERENCE_TIME latency)
{
    TimelineMove(timeline, TimelinePlace(timeline, now), now, latency);
    timeline->rate = rate;
}

void TimelineFinish(Timeline *timeline)
{
    timeline->finished = true;
}

REFERENCE_TIME TimelinePlace(const Timeline *timeline, REFERENCE_TIME now)
{
    REFERENCE_TIME played = StreamTime(timeline, now) - timeline->anchor;
    if (played < 0)
        played = 0;
    REFERENCE_TIME place = timeline->segmentStart + (REFERENCE_TIME)((double)played * timeline->rate);
    if (timeline->brokenAt > 0 && place > timeline->brokenAt)
        place = timeline->brokenAt;
    if (timeline->end <= 0)
        return place;
    // The renderers call the stream complete as soon as its end reaches them, while they still
    // hold its last sound (a paused renderer takes nothing, so the end goes out only while running):
    // from then on the place is the end, as the engine's own graph reports it.
    if (place > timeline->end || timeline->finished)
        return timeline->end;
    return place;
}

REFERENCE_TIME TimelineStreamTime(const Timeline *timeline, REFERENCE_TIME media)
{
    return timeline->anchor + (REFERENCE_TIME)((double)(media - timeline->segmentStart) / timeline->rate);
}

DWORD BytesBeforeStop(REFERENCE_TIME start, REFERENCE_TIME stop, DWORD bytes, DWORD bytesPerSecond, DWORD blockAlign)
{
    if (stop <= start || blockAlign == 0 || bytesPerSecond == 0)
        return 0;
    ULONGLONG span = (ULONGLONG)stop - (ULONGLONG)start;
    if (span >= (ULONGLONG)bytes * 10000000 / bytesPerSecond)
        return bytes;
    DWORD before = (DWORD)(span * bytesPerSecond / 10000000);
    return before - before % blockAlign;
}
