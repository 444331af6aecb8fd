// The filter's one seeking object, which both pins' IMediaSeeking forward to: the place, the stop
// position and the rate, and the flush that moves the stream to a new place as the platform's own
// filters make it.
#include "engine/source_filter/source_filter.h"

#include <mfapi.h>
#include <mferror.h>

// How long after a change of rate its first sound is stamped, so that it reaches the renderer in time:
// under Wine 30 ms was enough, and the sound pauses about 40 ms at a step.
static const REFERENCE_TIME kRateLatency = 300000;
static const int kMoveTries = 20;
static const DWORD kMoveRetryMs = 10;

REFERENCE_TIME SourceFilterPlace(SourceFilter *filter)
{
    REFERENCE_TIME now = FilterTime(filter);
    EnterCriticalSection(&filter->lock);
    REFERENCE_TIME place = TimelinePlace(&filter->timeline, now);
    LeaveCriticalSection(&filter->lock);
    return place;
}

REFERENCE_TIME SourceStopPosition(SourceFilter *filter)
{
    EnterCriticalSection(&filter->lock);
    REFERENCE_TIME stop = filter->timeline.end;
    LeaveCriticalSection(&filter->lock);
    return stop;
}

// The sound is a stream of normal speed, already stretched to the rate; the picture is stamped at it.
static double SegmentRate(const SourcePin *pin, double rate)
{
    return pin->kind == AudioPin ? 1.0 : rate;
}

HRESULT MoveReader(SourceFilter *filter)
{
    EnterCriticalSection(&filter->lock);
    REFERENCE_TIME target = filter->timeline.segmentStart;
    LeaveCriticalSection(&filter->lock);
    PROPVARIANT place;
    PropVariantInit(&place);
    place.vt = VT_I8;
    place.hVal.QuadPart = target;
    // The reader refuses to move while a sample it asked the decoder for is still on its way,
    // which can outlast the read that asked for it by a few milliseconds.
    HRESULT hr = filter->reader->SetCurrentPosition(GUID_NULL, place);
    for (int tries = 0; hr == MF_E_INVALIDREQUEST && tries < kMoveTries; tries++) {
        Sleep(kMoveRetryMs);
        hr = filter->reader->SetCurrentPosition(GUID_NULL, place);
    }
    return hr;
}

void StartSegments(SourceFilter *filter)
{
    EnterCriticalSection(&filter->lock);
    Timeline segment = filter->timeline;
    filter->readFailed = false;
    for (int i = 0; i < filter->pinCount; i++)
        filter->pins[i].ended = false;
    LeaveCriticalSection(&filter->lock);
    ResetStretch(&filter->stretch);
    ResetLevel(&filter->level);
    SetStretchRate(&filter->stretch, segment.rate);
    for (int i = 0; i < filter->pinCount; i++) {
        SourcePin *pin = &filter->pins[i];
        pin->segment = segment;
        pin->discontinuity = true;
        pin->soundStarted = false;
        pin->soundFrames = 0;
        pin->readUpTo = segment.segmentStart;
    }
}

void SendNewSegments(SourceFilter *filter)
{
    for (int i = 0; i < filter->pinCount; i++) {
        SourcePin *pin = &filter->pins[i];
        if (pin->peer)
            pin->peer->NewSegment(pin->segment.segmentStart, pin->segment.end > 0 ? pin->segment.end : MAXLONGLONG,
                                  SegmentRate(pin, pin->segment.rate));
    }
}

// Under the filter's lock: from then on no stream sends its end.
static void MarkFlushing(SourceFilter *filter)
{
    for (int i = 0; i < filter->pinCount; i++)
        filter->pins[i].flushing = true;
}

// The renderers drop what they hold and let go of any delivery; once every pin's streaming lock is
// held, no thread reads or delivers until the flush is over.
static void HoldStreams(SourceFilter *filter)
{
    EnterCriticalSection(&filter->lock);
    MarkFlushing(filter);
    LeaveCriticalSection(&filter->lock);
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].peer)
            filter->pins[i].peer->BeginFlush();
    for (int i = 0; i < filter->pinCount; i++)
        EnterCriticalSection(&filter->pins[i].streamingLock);
}

static void ReleaseStreams(SourceFilter *filter)
{
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].peer)
            filter->pins[i].peer->EndFlush();
    SendNewSegments(filter);
    EnterCriticalSection(&filter->lock);
    for (int i = 0; i < filter->pinCount; i++)
        filter->pins[i].flushing = false;
    LeaveCriticalSection(&filter->lock);
    for (int i = 0; i < filter->pinCount; i++) {
        LeaveCriticalSection(&filter->pins[i].streamingLock);
        WakeStreaming(&filter->pins[i]);
    }
}

// The timeline has been moved; the reader follows it while every stream is held. A reader that
// cannot move is left where it is, and the streams go on from the place that played before.
static HRESULT MoveStreams(SourceFilter *filter, REFERENCE_TIME before, bool seek, REFERENCE_TIME now)
{
    HRESULT hr = MoveReader(filter);
    if (FAILED(hr)) {
        EnterCriticalSection(&filter->lock);
        if (seek)
            TimelineSeek(&filter->timeline, before);
        else
            TimelineMove(&filter->timeline, before, now, kRateLatency);
        LeaveCriticalSection(&filter->lock);
    }
    StartSegments(filter);
    return hr;
}

static bool AnyPinEnded(SourceFilter *filter)
{
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].ended)
            return true;
    return false;
}

// A place given relative to another: the seeking flags' positioning bits.
static REFERENCE_TIME Positioned(DWORD how, const LONGLONG *value, REFERENCE_TIME now, REFERENCE_TIME base)
{
    switch (how) {
    case AM_SEEKING_AbsolutePositioning:    return *value;
    case AM_SEEKING_RelativePositioning:    return now + *value;
    case AM_SEEKING_IncrementalPositioning: return base + *value;
    default:                                return now;
    }
}

static REFERENCE_TIME WithinClip(REFERENCE_TIME duration, REFERENCE_TIME place)
{
    if (place < 0)
        return 0;
    return duration > 0 && place > duration ? duration : place;
}

// Both pins are asked for every seek the graph makes; the stream is moved once. A stopped filter
// only notes the place. A new stop position alone moves nothing, unless a renderer has had the old
// one's end: that stream goes on from the place playing now.
HRESULT SetSourcePositions(SourceFilter *filter, const SourcePin *pin, LONGLONG *current, DWORD currentFlags,
                           LONGLONG *stop, DWORD stopFlags)
{
    DWORD currentHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((currentHow && !current) || (stopHow && !stop))
        return E_POINTER;
    if (currentHow == AM_SEEKING_IncrementalPositioning)
        return E_INVALIDARG;
    REFERENCE_TIME place = SourceFilterPlace(filter);
    int asking = (int)(pin - filter->pins);
    EnterCriticalSection(&filter->lock);
    REFERENCE_TIME duration = filter->duration;
    REFERENCE_TIME target = WithinClip(duration, Positioned(currentHow, current, place, place));
    REFERENCE_TIME end = filter->timeline.end;
    if (stopHow) {
        end = Positioned(stopHow, stop, end, target);
        if (duration > 0 && (end > duration || end < 0))
            end = duration;
    }
    bool twin = currentHow && filter->lastSeekPin >= 0 && filter->lastSeekPin != asking &&
                filter->timeline.segmentStart == target && filter->timeline.end == end;
    if (currentHow)
        filter->lastSeekPin = twin ? -1 : asking;
    bool streaming = filter->timeline.state != State_Stopped;
    bool move = streaming && !twin && (currentHow || (end != filter->timeline.end && AnyPinEnded(filter)));
    if (!move && !twin) {
        filter->timeline.end = end;
        if (currentHow)
            TimelineSeek(&filter->timeline, target);
    }
    LeaveCriticalSection(&filter->lock);
    HRESULT hr = S_OK;
    if (move) {
        // The graph pauses the filter for a seek and runs it again from stream time 0; a new stop
        // alone goes on in the running stream.
        HoldStreams(filter);
        REFERENCE_TIME now = FilterTime(filter);
        EnterCriticalSection(&filter->lock);
        filter->timeline.end = end;
        if (currentHow)
            TimelineSeek(&filter->timeline, target);
        else
            TimelineMove(&filter->timeline, place, now, kRateLatency);
        LeaveCriticalSection(&filter->lock);
        hr = MoveStreams(filter, place, currentHow != 0, now);
        ReleaseStreams(filter);
    }
    if (currentHow && (currentFlags & AM_SEEKING_ReturnTime))
        *current = SUCCEEDED(hr) ? target : place;
    if (stopHow && (stopFlags & AM_SEEKING_ReturnTime))
        *stop = end;
    return hr;
}

// What the renderers hold was made for the old rate: they are flushed, and the stream goes on from
// the place playing now, a moment later in stream time so that the new sound reaches them in time.
// A renderer that has had the stream's end has told the graph so, and the graph counts that until it
// next runs: after a flush of the filter's own it would call the new stream complete one renderer
// early (and Wine's sound renderer, waiting for its last sound to play, never lets go of it). Then
// only the rate is noted, and the answer asks for a seek through the graph.
bool SetSourceRate(SourceFilter *filter, double rate)
{
    REFERENCE_TIME now = FilterTime(filter);
    EnterCriticalSection(&filter->lock);
    bool streaming = filter->timeline.state != State_Stopped;
    bool same = filter->timeline.rate == rate;
    bool ended = streaming && AnyPinEnded(filter);
    if (!same && (!streaming || ended))
        TimelineRate(&filter->timeline, rate, streaming ? now : 0, 0);
    else if (!same)
        MarkFlushing(filter);
    LeaveCriticalSection(&filter->lock);
    if (same || !streaming || ended)
        return !same && ended;
    HoldStreams(filter);
    now = FilterTime(filter);
    EnterCriticalSection(&filter->lock);
    REFERENCE_TIME before = TimelinePlace(&filter->timeline, now);
    TimelineRate(&filter->timeline, rate, now, kRateLatency);
    LeaveCriticalSection(&filter->lock);
    MoveStreams(filter, before, false, now);
    ReleaseStreams(filter);
    return false;
}
