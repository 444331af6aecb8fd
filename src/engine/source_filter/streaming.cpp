// The streaming thread: reads the clip, converts it and pushes it to the renderers. It touches the
// filter's own state alone, under the filter's lock, and holds no lock while it calls the graph.
#include "engine/source_filter/source_filter.h"
#include "engine/source_filter/stretch.h"
#include "engine/source_filter/timeline.h"

#include <mfapi.h>
#include <string.h>

// How far the sound is read ahead of the picture: a frame waits in its renderer until its time,
// and the sound renderer must not run dry meanwhile.
static const REFERENCE_TIME kSoundLead = 2000000;
static const int kHeldFrames = 16;

struct HeldFrame {
    IMFSample     *sample;
    REFERENCE_TIME time, length;
};

// The thread's own: frames read but not yet due, the segment it streams, and where the stretched
// sound has got to.
struct Streaming {
    SourceFilter  *filter;
    HeldFrame      held[kHeldFrames];
    int            heldCount;
    Timeline       segment;      // the timeline as the segment started: its start, anchor and rate
    REFERENCE_TIME end;          // the stop position; 0 or less: none known
    bool           cued;         // something of the segment has gone out
    bool           soundStarted; // the stretched sound's first stream time is known
    REFERENCE_TIME soundAt;      // stream time of the next stretched sound
};

static SourcePin *PinOfKind(SourceFilter *filter, PinKind kind)
{
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].kind == kind && filter->pins[i].peer)
            return &filter->pins[i];
    return NULL;
}

static SourcePin *PinOfStream(SourceFilter *filter, DWORD stream)
{
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].stream == stream && filter->pins[i].peer)
            return &filter->pins[i];
    return NULL;
}

static void DropHeldFrames(Streaming *run)
{
    for (int i = 0; i < run->heldCount; i++)
        run->held[i].sample->Release();
    run->heldCount = 0;
}

static bool PastEnd(const Streaming *run, REFERENCE_TIME time)
{
    return run->end > 0 && time >= run->end;
}

// A paused renderer holds the first sample it takes until the graph runs, so one thread cues one
// renderer only: the first sound goes out first, and the graph may run once it is there.
static void Cue(Streaming *run)
{
    if (!run->cued)
        SetEvent(run->filter->cued);
    run->cued = true;
}

static void Stamp(Streaming *run, IMediaSample *out, SourcePin *pin, REFERENCE_TIME start, REFERENCE_TIME stop)
{
    Cue(run);
    out->SetTime(&start, &stop);
    out->SetSyncPoint(TRUE);
    out->SetDiscontinuity(pin->discontinuity);
    pin->discontinuity = false;
}

// A renderer that asks for other buffers (a wider row, rows top-down) says so on a sample.
static void FollowBufferType(SourceFilter *filter, IMediaSample *out)
{
    AM_MEDIA_TYPE *changed = NULL;
    if (out->GetMediaType(&changed) != S_OK || !changed)
        return;
    if (IsEqualGUID(changed->formattype, FORMAT_VideoInfo) && changed->cbFormat >= sizeof(VIDEOINFOHEADER)) {
        const BITMAPINFOHEADER *bitmap = &((const VIDEOINFOHEADER *)changed->pbFormat)->bmiHeader;
        if (bitmap->biWidth >= filter->frame.shownWidth) {
            filter->rowPixels = bitmap->biWidth;
            filter->topDown = bitmap->biHeight < 0;
        }
    }
    CoTaskMemFree(changed->pbFormat);
    CoTaskMemFree(changed);
}

static bool ConvertSample(const FrameLayout *layout, IMFSample *sample, BYTE *rgb, LONG rgbStride)
{
    IMFMediaBuffer *buffer = NULL;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer)))
        return false;
    BYTE *data = NULL;
    DWORD length = 0;
    bool converted = false;
    if (SUCCEEDED(buffer->Lock(&data, NULL, &length))) {
        converted = ConvertDecodedFrame(layout, data, length, rgb, rgbStride);
        buffer->Unlock();
    }
    buffer->Release();
    return converted;
}

static void DeliverFrame(Streaming *run, SourcePin *pin, const HeldFrame *frame)
{
    SourceFilter *filter = run->filter;
    IMediaSample *out = NULL;
    if (FAILED(pin->allocator->GetBuffer(&out, NULL, NULL, 0)))
        return;
    FollowBufferType(filter, out);
    BYTE *data = NULL;
    LONG rowBytes = filter->rowPixels * 4, rows = filter->frame.shownHeight;
    if (SUCCEEDED(out->GetPointer(&data)) && out->GetSize() >= rowBytes * rows) {
        BYTE *first = filter->topDown ? data : data + (rows - 1) * rowBytes;
        if (ConvertSample(&filter->frame, frame->sample, first, filter->topDown ? rowBytes : -rowBytes)) {
            out->SetActualDataLength(rowBytes * rows);
            REFERENCE_TIME start = TimelineStreamTime(&run->segment, frame->time);
            REFERENCE_TIME length = frame->length > 0 ? frame->length : pin->video.AvgTimePerFrame;
            Stamp(run, out, pin, start, start + (REFERENCE_TIME)((double)length / run->segment.rate));
            pin->input->Receive(out);
        }
    }
    out->Release();
}

// Frames go out once the sound is read far enough past them, or when no more are held back.
static void DeliverDueFrames(Streaming *run, bool all)
{
    SourcePin *sound = PinOfKind(run->filter, AudioPin);
    SourcePin *picture = PinOfKind(run->filter, VideoPin);
    while (run->heldCount > 0) {
        const HeldFrame *frame = &run->held[0];
        bool due = all || !sound || sound->ended || sound->readUpTo >= frame->time + kSoundLead ||
                   run->heldCount == kHeldFrames;
        if (!due)
            break;
        DeliverFrame(run, picture, frame);
        frame->sample->Release();
        memmove(&run->held[0], &run->held[1], (size_t)--run->heldCount * sizeof(run->held[0]));
    }
}

// PCM out in the renderer's buffer sizes, the first frame at stream time start.
static void DeliverPcm(Streaming *run, SourcePin *pin, const BYTE *data, DWORD usable, REFERENCE_TIME start)
{
    DWORD block = pin->wave.nBlockAlign, perSecond = pin->wave.nAvgBytesPerSec;
    for (DWORD offset = 0; offset < usable;) {
        IMediaSample *out = NULL;
        BYTE *target = NULL;
        if (FAILED(pin->allocator->GetBuffer(&out, NULL, NULL, 0)))
            break;
        DWORD room = (DWORD)out->GetSize();
        DWORD bytes = usable - offset < room - room % block ? usable - offset : room - room % block;
        if (bytes == 0 || FAILED(out->GetPointer(&target))) {
            out->Release();
            break;
        }
        memcpy(target, data + offset, bytes);
        out->SetActualDataLength((long)bytes);
        REFERENCE_TIME from = start + (REFERENCE_TIME)offset * 10000000 / perSecond;
        Stamp(run, out, pin, from, from + (REFERENCE_TIME)bytes * 10000000 / perSecond);
        HRESULT hr = pin->input->Receive(out);
        out->Release();
        offset += bytes;
        if (hr != S_OK)
            break;
    }
}

static void SendStretched(Streaming *run, SourcePin *pin, DWORD frames)
{
    DeliverPcm(run, pin, (const BYTE *)run->filter->stretched, frames * pin->wave.nBlockAlign, run->soundAt);
    run->soundAt += (REFERENCE_TIME)frames * 10000000 / pin->wave.nSamplesPerSec;
}

// At another rate than normal the sound is stretched to it, its pitch kept, and stamped as it comes out.
static void StretchSound(Streaming *run, SourcePin *pin, const BYTE *data, DWORD usable, REFERENCE_TIME time)
{
    SourceFilter *filter = run->filter;
    if (!run->soundStarted)
        run->soundAt = TimelineStreamTime(&run->segment, time);
    run->soundStarted = true;
    const short *in = (const short *)data;
    DWORD frames = usable / pin->wave.nBlockAlign;
    while (frames > 0) {
        DWORD consumed = 0;
        DWORD made = StretchFrames(&filter->stretch, in, frames, filter->stretched, kStretchedFrames, &consumed);
        if (made)
            SendStretched(run, pin, made);
        if (!made && !consumed)
            break;
        in += consumed * pin->wave.nChannels;
        frames -= consumed;
    }
}

static void DrainStretch(Streaming *run, SourcePin *pin)
{
    if (run->segment.rate == 1.0)
        return;
    DWORD made;
    while ((made = FlushStretch(&run->filter->stretch, run->filter->stretched, kStretchedFrames)) > 0)
        SendStretched(run, pin, made);
}

// Sound goes out at once, cut at the stop position to the frame.
static void DeliverSound(Streaming *run, SourcePin *pin, IMFSample *sample, REFERENCE_TIME time)
{
    IMFMediaBuffer *buffer = NULL;
    BYTE *data = NULL;
    DWORD length = 0;
    if (FAILED(sample->ConvertToContiguousBuffer(&buffer)))
        return;
    if (FAILED(buffer->Lock(&data, NULL, &length))) {
        buffer->Release();
        return;
    }
    DWORD block = pin->wave.nBlockAlign;
    DWORD whole = length - length % block;
    DWORD usable = run->end > 0 ? BytesBeforeStop(time, run->end, whole, pin->wave.nAvgBytesPerSec, block) : whole;
    if (usable < whole)
        pin->ended = true;
    if (run->segment.rate == 1.0)
        DeliverPcm(run, pin, data, usable, TimelineStreamTime(&run->segment, time));
    else
        StretchSound(run, pin, data, usable, time);
    buffer->Unlock();
    buffer->Release();
}

static void TakeSample(Streaming *run, SourcePin *pin, IMFSample *sample, REFERENCE_TIME time)
{
    REFERENCE_TIME length = 0;
    sample->GetSampleDuration(&length);
    if (PastEnd(run, time)) {
        pin->ended = true;
        return;
    }
    pin->readUpTo = time + length;
    if (pin->kind == AudioPin) {
        DeliverSound(run, pin, sample, time);
        return;
    }
    if (run->heldCount == kHeldFrames)
        DeliverDueFrames(run, false);
    sample->AddRef();
    run->held[run->heldCount++] = {sample, time, length};
}

static bool AllEnded(SourceFilter *filter)
{
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].peer && !filter->pins[i].ended)
            return false;
    return true;
}

// The place is the end from the moment a renderer may call the stream complete. The picture's end
// goes first: the sound renderer's end waits until its sound has played out.
static void SendEndOfStream(Streaming *run)
{
    DeliverDueFrames(run, true);
    SourcePin *sound = PinOfKind(run->filter, AudioPin);
    if (sound)
        DrainStretch(run, sound);
    Cue(run);
    EnterCriticalSection(&run->filter->lock);
    TimelineFinish(&run->filter->timeline);
    LeaveCriticalSection(&run->filter->lock);
    SourcePin *picture = PinOfKind(run->filter, VideoPin);
    if (picture)
        picture->peer->EndOfStream();
    if (sound)
        sound->peer->EndOfStream();
}

static void ReadNext(Streaming *run)
{
    SourceFilter *filter = run->filter;
    DWORD stream = 0, flags = 0;
    LONGLONG time = 0;
    IMFSample *sample = NULL;
    HRESULT hr = filter->reader->ReadSample(MF_SOURCE_READER_ANY_STREAM, 0, &stream, &flags, &time, &sample);
    SourcePin *pin = SUCCEEDED(hr) ? PinOfStream(filter, stream) : NULL;
    if (FAILED(hr) || (flags & MF_SOURCE_READERF_ERROR)) {
        for (int i = 0; i < filter->pinCount; i++)
            filter->pins[i].ended = true;
    } else if (pin && !pin->ended) {
        if (sample)
            TakeSample(run, pin, sample, time);
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM)
            pin->ended = true;
    }
    if (sample)
        sample->Release();
    DeliverDueFrames(run, false);
    if (AllEnded(filter))
        SendEndOfStream(run);
}

// The reader moves to the new segment, and the renderers are told where it starts.
static void StartSegment(Streaming *run)
{
    SourceFilter *filter = run->filter;
    DropHeldFrames(run);
    run->cued = false;
    run->soundStarted = false;
    ResetStretch(&filter->stretch);
    SetStretchRate(&filter->stretch, run->segment.rate);
    REFERENCE_TIME segmentStart = run->segment.segmentStart;
    PROPVARIANT place;
    PropVariantInit(&place);
    place.vt = VT_I8;
    place.hVal.QuadPart = segmentStart;
    filter->reader->SetCurrentPosition(GUID_NULL, place);
    for (int i = 0; i < filter->pinCount; i++) {
        SourcePin *pin = &filter->pins[i];
        pin->ended = false;
        pin->discontinuity = true;
        pin->readUpTo = segmentStart;
        if (pin->peer)
            pin->peer->NewSegment(segmentStart, run->end > 0 ? run->end : MAXLONGLONG, 1.0);
    }
}

// Where the thread learns what the graph asked: to end, to let go for a flush, to start a new
// segment, or to wait at the end for one of those.
static bool Checkpoint(Streaming *run)
{
    SourceFilter *filter = run->filter;
    for (;;) {
        EnterCriticalSection(&filter->lock);
        bool quit = filter->quit, flushing = filter->flushing, seek = filter->seekPending;
        if (seek) {
            filter->seekPending = false;
            run->segment = filter->timeline;
        }
        bool finished = filter->timeline.finished;
        run->end = filter->timeline.end;
        LeaveCriticalSection(&filter->lock);
        if (quit)
            return false;
        if (flushing) {
            DropHeldFrames(run);
            SetEvent(filter->parked);
            WaitForSingleObject(filter->resume, INFINITE);
        } else if (seek) {
            StartSegment(run);
            return true;
        } else if (finished) {
            WaitForSingleObject(filter->wake, INFINITE);
        } else {
            return true;
        }
    }
}

static DWORD WINAPI StreamingThread(void *context)
{
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    Streaming run = {};
    run.filter = (SourceFilter *)context;
    while (Checkpoint(&run))
        ReadNext(&run);
    DropHeldFrames(&run);
    CoUninitialize();
    return 0;
}

static void CloseStreamingHandles(SourceFilter *filter)
{
    HANDLE *handles[] = {&filter->thread, &filter->wake, &filter->parked, &filter->resume, &filter->cued};
    for (HANDLE *handle : handles) {
        if (*handle)
            CloseHandle(*handle);
        *handle = NULL;
    }
}

static void DecommitBuffers(SourceFilter *filter)
{
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].allocator)
            filter->pins[i].allocator->Decommit();
}

HRESULT StartStreaming(SourceFilter *filter)
{
    HRESULT hr = S_OK;
    for (int i = 0; i < filter->pinCount && SUCCEEDED(hr); i++)
        if (filter->pins[i].allocator)
            hr = filter->pins[i].allocator->Commit();
    filter->wake = CreateEventW(NULL, FALSE, FALSE, NULL);
    filter->parked = CreateEventW(NULL, FALSE, FALSE, NULL);
    filter->resume = CreateEventW(NULL, FALSE, FALSE, NULL);
    filter->cued = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (SUCCEEDED(hr) && (!filter->wake || !filter->parked || !filter->resume || !filter->cued))
        hr = E_OUTOFMEMORY;
    filter->quit = filter->flushing = filter->timeline.finished = false;
    filter->seekPending = true;
    filter->rowPixels = filter->frame.shownWidth;
    filter->topDown = false;
    if (SUCCEEDED(hr) && !(filter->thread = CreateThread(NULL, 0, StreamingThread, filter, 0, NULL)))
        hr = HRESULT_FROM_WIN32(GetLastError());
    if (FAILED(hr)) {
        DecommitBuffers(filter);
        CloseStreamingHandles(filter);
    }
    return hr;
}

// The renderers have stopped, so no delivery blocks; the buffers' decommit ends any wait for one.
void StopStreaming(SourceFilter *filter)
{
    EnterCriticalSection(&filter->lock);
    filter->quit = true;
    LeaveCriticalSection(&filter->lock);
    SetEvent(filter->wake);
    SetEvent(filter->resume);
    DecommitBuffers(filter);
    WaitForSingleObject(filter->thread, INFINITE);
    CloseStreamingHandles(filter);
}
