// The pins' streaming threads: each reads its own stream, converts it and pushes it to its own
// renderer, so that a picture waiting in its renderer never holds up the sound. A thread touches its
// pin's and the filter's own state alone, under their locks, and holds the filter's lock across no
// call into the graph.
#include "engine/source_filter/source_filter.h"
#include "engine/source_filter/stretch.h"
#include "engine/source_filter/timeline.h"

#include <mfapi.h>
#include <string.h>

// How far short of the duration a clip's streams may end and the clip still be whole, beside a
// fiftieth of the duration: what containers and decoders leave at the end.
static const REFERENCE_TIME kEndTolerance = 10000000;
// How far past the duration a stream must go on before the duration is taken for an estimate.
static const REFERENCE_TIME kEstimateSlack = 2500000;

static void Stamp(SourcePin *pin, IMediaSample *out, REFERENCE_TIME start, REFERENCE_TIME stop)
{
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
        if (bitmap->biWidth >= UprightWidth(&filter->frame)) {
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

// The renderer holds the frame until its time, and a paused one until the graph runs.
static void DeliverFrame(SourcePin *pin, IMFSample *sample, REFERENCE_TIME time, REFERENCE_TIME length)
{
    SourceFilter *filter = pin->filter;
    IMediaSample *out = NULL;
    if (FAILED(pin->allocator->GetBuffer(&out, NULL, NULL, 0)))
        return;
    FollowBufferType(filter, out);
    BYTE *data = NULL;
    LONG rowBytes = filter->rowPixels * 4, rows = UprightHeight(&filter->frame);
    if (SUCCEEDED(out->GetPointer(&data)) && out->GetSize() >= rowBytes * rows) {
        BYTE *first = filter->topDown ? data : data + (rows - 1) * rowBytes;
        if (ConvertSample(&filter->frame, sample, first, filter->topDown ? rowBytes : -rowBytes)) {
            out->SetActualDataLength(rowBytes * rows);
            REFERENCE_TIME start = TimelineStreamTime(&pin->segment, time);
            REFERENCE_TIME shown = length > 0 ? length : pin->video.AvgTimePerFrame;
            Stamp(pin, out, start, start + (REFERENCE_TIME)((double)shown / pin->segment.rate));
            pin->input->Receive(out);
        }
    }
    out->Release();
}

// PCM out in the renderer's buffer sizes, the first frame at stream time start.
static void DeliverPcm(SourcePin *pin, const BYTE *data, DWORD usable, REFERENCE_TIME start)
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
        Stamp(pin, out, from, from + (REFERENCE_TIME)bytes * 10000000 / perSecond);
        HRESULT hr = pin->input->Receive(out);
        out->Release();
        offset += bytes;
        if (hr != S_OK)
            break;
    }
}

// Stretched sound is stamped from the frames sent since the segment began, so that no rounding adds up.
static void SendStretched(SourcePin *pin, DWORD frames)
{
    REFERENCE_TIME at = pin->soundBase + pin->soundFrames * 10000000 / pin->wave.nSamplesPerSec;
    DeliverPcm(pin, (const BYTE *)pin->filter->stretched, frames * pin->wave.nBlockAlign, at);
    pin->soundFrames += frames;
}

// At another rate than normal the sound is stretched to it, its pitch kept, and stamped as it comes out.
static void StretchSound(SourcePin *pin, const BYTE *data, DWORD usable, REFERENCE_TIME time)
{
    SourceFilter *filter = pin->filter;
    if (!pin->soundStarted)
        pin->soundBase = TimelineStreamTime(&pin->segment, time);
    pin->soundStarted = true;
    const short *in = (const short *)data;
    DWORD frames = usable / pin->wave.nBlockAlign;
    while (frames > 0) {
        DWORD consumed = 0;
        DWORD made = StretchFrames(&filter->stretch, in, frames, filter->stretched, kStretchedFrames, &consumed);
        if (made)
            SendStretched(pin, made);
        if (!made && !consumed)
            break;
        in += consumed * pin->wave.nChannels;
        frames -= consumed;
    }
}

static void DrainStretch(SourcePin *pin)
{
    if (pin->segment.rate == 1.0)
        return;
    DWORD made;
    while ((made = FlushStretch(&pin->filter->stretch, pin->filter->stretched, kStretchedFrames)) > 0)
        SendStretched(pin, made);
}

// One front side alone where the player asks for it and the clip has two; else every channel, mixed
// for a renderer that takes no more than two.
static DWORD HeardChannels(SourcePin *pin, BYTE *data, DWORD length, SideHeard side)
{
    if (side == BothSides || pin->decodedChannels < 2)
        return DownmixInPlace(&pin->downmix, data, length);
    return KeepOneSide(data, length, pin->decodedChannels, pin->layout, pin->wave.nChannels, side);
}

// Sound goes out at once, from the segment's start and up to the stop position, to the frame. It is
// levelled before the stretch, so that the one level serves every rate and follows the clip's own
// time; what comes before the segment's start only settles the level.
// Returns whether the stop position was reached.
static bool DeliverSound(SourcePin *pin, IMFSample *sample, REFERENCE_TIME time, REFERENCE_TIME end)
{
    SourceFilter *filter = pin->filter;
    EnterCriticalSection(&filter->lock);
    bool levelling = filter->levelling;
    SideHeard side = filter->side;
    LeaveCriticalSection(&filter->lock);
    IMFMediaBuffer *buffer = NULL;
    BYTE *data = NULL;
    DWORD length = 0;
    if (!LockSampleBytes(sample, &buffer, &data, &length))
        return false;
    length = HeardChannels(pin, data, length, side);
    DWORD block = pin->wave.nBlockAlign, perSecond = pin->wave.nAvgBytesPerSec;
    DWORD whole = length - length % block;
    DWORD early = 0;
    if (time < pin->segment.segmentStart) {
        early = BytesBeforeStop(time, pin->segment.segmentStart, whole, perSecond, block);
        time = pin->segment.segmentStart;
    }
    DWORD usable = whole - early;
    if (end > 0)
        usable = BytesBeforeStop(time, end, usable, perSecond, block);
    bool stopped = end > 0 && usable < whole - early;
    SetLevelling(&filter->level, levelling);
    LevelFrames(&filter->level, (short *)data, (early + usable) / block);
    if (pin->segment.rate == 1.0)
        DeliverPcm(pin, data + early, usable, TimelineStreamTime(&pin->segment, time));
    else
        StretchSound(pin, data + early, usable, time);
    buffer->Unlock();
    buffer->Release();
    return stopped;
}

// The duration a reader gives may be an estimate (an MP3 without its frame count, an ADTS stream):
// where the stream goes on well past it, the clip is that much longer. What decoders leave past a
// container's own duration (a last sound frame, a picture stream's delay) is not.
static void ReadPast(SourcePin *pin)
{
    SourceFilter *filter = pin->filter;
    EnterCriticalSection(&filter->lock);
    if (filter->duration > 0 && pin->readUpTo > filter->duration + kEstimateSlack) {
        if (filter->timeline.end >= filter->duration)
            filter->timeline.end = pin->readUpTo;
        filter->duration = pin->readUpTo;
    }
    LeaveCriticalSection(&filter->lock);
}

// Returns whether the stop position was reached.
static bool TakeSample(SourcePin *pin, IMFSample *sample, REFERENCE_TIME time, REFERENCE_TIME end)
{
    if (end > 0 && time >= end)
        return true;
    REFERENCE_TIME length = 0;
    sample->GetSampleDuration(&length);
    if (time + length > pin->readUpTo)
        pin->readUpTo = time + length;
    ReadPast(pin);
    if (pin->kind == AudioPin)
        return DeliverSound(pin, sample, time, end);
    // A seek lands on the key frame before its place, and the reader may still hand a frame read
    // before the seek: the frames before the place are not shown.
    if (length <= 0 || time + length > pin->segment.segmentStart)
        DeliverFrame(pin, sample, time, length);
    return false;
}

// A stream that cannot be read on: said once to the graph, and the place stays where it broke.
static void ReportReadFailure(SourcePin *pin, HRESULT status)
{
    SourceFilter *filter = pin->filter;
    EnterCriticalSection(&filter->lock);
    bool first = !filter->readFailed;
    filter->readFailed = true;
    for (int i = 0; i < filter->pinCount; i++)
        filter->pins[i].ended = true;
    filter->timeline.brokenAt = pin->readUpTo > 0 ? pin->readUpTo : 1;
    IFilterGraph *graph = filter->graph;
    LeaveCriticalSection(&filter->lock);
    IMediaEventSink *events = NULL;
    if (first && graph && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, (void **)&events))) {
        events->Notify(EC_ERRORABORT, (LONG_PTR)status, 0);
        events->Release();
    }
}

// Where every stream ends well before the duration the clip says, its file was cut short (a download
// that failed, a file replaced): it cannot be read on. Closer to it, the duration was an estimate,
// and the end reached is the clip's end.
static bool CutShort(SourceFilter *filter, REFERENCE_TIME reached)
{
    return filter->duration > 0 && reached < filter->duration - kEndTolerance - filter->duration / 50;
}

// Once every pin's end has gone out, the renderers may call the stream complete at any moment,
// and from then on the place is the end. A stream being flushed sends no end: its segment is over.
static void EndStream(SourcePin *pin, bool readerEnd)
{
    SourceFilter *filter = pin->filter;
    if (pin->kind == AudioPin)
        DrainStretch(pin);
    EnterCriticalSection(&filter->lock);
    bool flushing = pin->flushing;
    pin->ended = true;
    bool all = true;
    REFERENCE_TIME reached = 0;
    for (int i = 0; i < filter->pinCount; i++) {
        all = all && filter->pins[i].ended;
        reached = filter->pins[i].readUpTo > reached ? filter->pins[i].readUpTo : reached;
    }
    bool cut = all && readerEnd && CutShort(filter, reached);
    if (all && readerEnd && !cut && reached < filter->duration) {
        if (filter->timeline.end >= filter->duration)
            filter->timeline.end = reached;
        filter->duration = reached;
    }
    if (all && !cut && !flushing)
        TimelineFinish(&filter->timeline);
    LeaveCriticalSection(&filter->lock);
    if (cut)
        ReportReadFailure(pin, HRESULT_FROM_WIN32(ERROR_HANDLE_EOF));
    else if (!flushing)
        pin->peer->EndOfStream();
}

static void ReadAndDeliver(SourcePin *pin, REFERENCE_TIME end)
{
    SourceFilter *filter = pin->filter;
    DWORD stream = 0, flags = 0;
    LONGLONG time = 0;
    IMFSample *sample = NULL;
    HRESULT hr = filter->reader->ReadSample(pin->stream, 0, &stream, &flags, &time, &sample);
    if (FAILED(hr) || (flags & MF_SOURCE_READERF_ERROR)) {
        ReportReadFailure(pin, FAILED(hr) ? hr : E_FAIL);
    } else {
        bool stopped = sample && TakeSample(pin, sample, time, end);
        if (stopped || (flags & MF_SOURCE_READERF_ENDOFSTREAM))
            EndStream(pin, !stopped);
    }
    if (sample)
        sample->Release();
}

// One read and delivery under the pin's streaming lock, or a wait while there is nothing to do.
static bool StreamOnce(SourcePin *pin)
{
    SourceFilter *filter = pin->filter;
    EnterCriticalSection(&pin->streamingLock);
    EnterCriticalSection(&filter->lock);
    bool quit = filter->quit, idle = pin->ended || pin->flushing;
    // A stop position at the clip's end is no stop: the stream goes on to its own end.
    REFERENCE_TIME end = filter->timeline.end < filter->duration ? filter->timeline.end : 0;
    LeaveCriticalSection(&filter->lock);
    if (!quit && !idle)
        ReadAndDeliver(pin, end);
    LeaveCriticalSection(&pin->streamingLock);
    if (!quit && idle)
        WaitForSingleObject(pin->wake, INFINITE);
    return !quit;
}

static DWORD WINAPI StreamingThread(void *context)
{
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    SourcePin *pin = (SourcePin *)context;
    while (StreamOnce(pin))
        ;
    CoUninitialize();
    return 0;
}

void WakeStreaming(SourcePin *pin)
{
    if (pin->wake)
        SetEvent(pin->wake);
}

static void DecommitBuffers(SourceFilter *filter)
{
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].allocator)
            filter->pins[i].allocator->Decommit();
}

static void SetQuit(SourceFilter *filter, bool quit)
{
    EnterCriticalSection(&filter->lock);
    filter->quit = quit;
    filter->timeline.finished = false;
    LeaveCriticalSection(&filter->lock);
}

HRESULT StartStreaming(SourceFilter *filter)
{
    HRESULT hr = S_OK;
    for (int i = 0; i < filter->pinCount && SUCCEEDED(hr); i++)
        if (filter->pins[i].allocator)
            hr = filter->pins[i].allocator->Commit();
    SetQuit(filter, false);
    filter->rowPixels = UprightWidth(&filter->frame);
    filter->topDown = false;
    // A reader that cannot be moved plays from where it is, the start of a clip just opened.
    if (SUCCEEDED(hr)) {
        MoveReader(filter);
        StartSegments(filter);
        SendNewSegments(filter);
    }
    for (int i = 0; i < filter->pinCount && SUCCEEDED(hr); i++) {
        SourcePin *pin = &filter->pins[i];
        if (pin->peer && !(pin->thread = CreateThread(NULL, 0, StreamingThread, pin, 0, NULL)))
            hr = HRESULT_FROM_WIN32(GetLastError());
    }
    if (FAILED(hr))
        StopStreaming(filter);
    return hr;
}

// The renderers let go of any delivery or end they hold, and the buffers' decommit ends any wait for
// one, so every thread comes back to its checkpoint and ends there.
void StopStreaming(SourceFilter *filter)
{
    SetQuit(filter, true);
    for (int i = 0; i < filter->pinCount; i++) {
        WakeStreaming(&filter->pins[i]);
        if (filter->pins[i].thread)
            filter->pins[i].peer->BeginFlush();
    }
    DecommitBuffers(filter);
    for (int i = 0; i < filter->pinCount; i++) {
        SourcePin *pin = &filter->pins[i];
        if (!pin->thread)
            continue;
        WaitForSingleObject(pin->thread, INFINITE);
        CloseHandle(pin->thread);
        pin->thread = NULL;
        pin->peer->EndFlush();
    }
}
