// The filter object: its state changes, its clock, its pins, and the place it keeps.
#include "engine/source_filter/source_filter.h"

#include <new>
#include <stdlib.h>
#include <string.h>

// Not registered anywhere: the graph only asks, and never creates the filter itself.
static const CLSID kSourceFilterClass = {0x4c756d65, 0x7472, 0x6f6e, {0x8e, 0x53, 0x6f, 0x75, 0x72, 0x63, 0x65, 0x01}};

// How long a seek waits for the streaming thread to let go of the renderers.
static const DWORD kParkWaitMs = 5000;
// How long after a change of rate its first sound is stamped, so that it reaches the renderer in time:
// under Wine 30 ms was enough, and the sound pauses about 40 ms at a step.
static const REFERENCE_TIME kRateLatency = 300000;

static REFERENCE_TIME Now(SourceFilter *filter)
{
    REFERENCE_TIME now = 0;
    if (filter->clock)
        filter->clock->GetTime(&now);
    return now;
}

// The graph has let go: the thread ends if the graph did not stop it, and the connections go.
static void DestroySourceFilter(SourceFilter *filter)
{
    if (filter->timeline.state != State_Stopped)
        StopStreaming(filter);
    for (int i = 0; i < filter->pinCount; i++)
        ReleaseSourcePin(&filter->pins[i]);
    if (filter->clock)
        filter->clock->Release();
    if (filter->reader)
        filter->reader->Release();
    EndStretch(&filter->stretch);
    free(filter->stretched);
    DeleteCriticalSection(&filter->lock);
    delete filter;
}

HRESULT STDMETHODCALLTYPE SourceFilter::QueryInterface(REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPersist) || IsEqualIID(iid, IID_IMediaFilter) ||
        IsEqualIID(iid, IID_IBaseFilter)) {
        *object = static_cast<IBaseFilter *>(this);
        AddRef();
        return S_OK;
    }
    *object = NULL;
    return E_NOINTERFACE;
}
ULONG STDMETHODCALLTYPE SourceFilter::AddRef() { return InterlockedIncrement(&refs); }
ULONG STDMETHODCALLTYPE SourceFilter::Release()
{
    LONG left = InterlockedDecrement(&refs);
    if (left == 0)
        DestroySourceFilter(this);
    return left;
}

HRESULT STDMETHODCALLTYPE SourceFilter::GetClassID(CLSID *id)
{
    if (!id)
        return E_POINTER;
    *id = kSourceFilterClass;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourceFilter::Stop()
{
    if (timeline.state != State_Stopped)
        StopStreaming(this);
    REFERENCE_TIME now = Now(this);
    EnterCriticalSection(&lock);
    TimelineStop(&timeline, now);
    seekPending = true;
    LeaveCriticalSection(&lock);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::Pause()
{
    if (timeline.state == State_Stopped) {
        HRESULT hr = StartStreaming(this);
        if (FAILED(hr))
            return hr;
    }
    REFERENCE_TIME now = Now(this);
    EnterCriticalSection(&lock);
    TimelinePause(&timeline, now);
    LeaveCriticalSection(&lock);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::Run(REFERENCE_TIME start)
{
    if (timeline.state == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    EnterCriticalSection(&lock);
    TimelineRun(&timeline, start);
    LeaveCriticalSection(&lock);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::GetState(DWORD, FILTER_STATE *state)
{
    if (!state)
        return E_POINTER;
    *state = timeline.state;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::SetSyncSource(IReferenceClock *newClock)
{
    if (newClock)
        newClock->AddRef();
    if (clock)
        clock->Release();
    clock = newClock;
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::GetSyncSource(IReferenceClock **current)
{
    if (!current)
        return E_POINTER;
    *current = clock;
    if (clock)
        clock->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourceFilter::EnumPins(IEnumPins **enumerator)
{
    if (!enumerator)
        return E_POINTER;
    return CreatePinEnumerator(this, 0, enumerator);
}
HRESULT STDMETHODCALLTYPE SourceFilter::FindPin(LPCWSTR id, IPin **pin)
{
    if (!id || !pin)
        return E_POINTER;
    for (int i = 0; i < pinCount; i++) {
        if (wcscmp(id, PinName(&pins[i])) == 0) {
            *pin = static_cast<IPin *>(&pins[i]);
            AddRef();
            return S_OK;
        }
    }
    *pin = NULL;
    return VFW_E_NOT_FOUND;
}
HRESULT STDMETHODCALLTYPE SourceFilter::QueryFilterInfo(FILTER_INFO *info)
{
    if (!info)
        return E_POINTER;
    lstrcpynW(info->achName, name, sizeof(info->achName) / sizeof(info->achName[0]));
    info->pGraph = graph;
    if (graph)
        graph->AddRef();
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::JoinFilterGraph(IFilterGraph *newGraph, LPCWSTR newName)
{
    graph = newGraph;
    name[0] = 0;
    if (newName)
        lstrcpynW(name, newName, sizeof(name) / sizeof(name[0]));
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::QueryVendorInfo(LPWSTR *) { return E_NOTIMPL; }

// Takes the reader; the filter answers for it from now on, also when it cannot be made.
HRESULT CreateSourceFilter(IMFSourceReader *reader, SourceFilter **result)
{
    *result = NULL;
    SourceFilter *filter = new (std::nothrow) SourceFilter();
    if (!filter) {
        reader->Release();
        return E_OUTOFMEMORY;
    }
    filter->refs = 1;
    InitializeCriticalSection(&filter->lock);
    filter->reader = reader;
    filter->timeline.state = State_Stopped;
    filter->timeline.rate = 1.0;
    filter->lastSeekPin = -1;
    HRESULT hr = ChooseSourceStreams(filter);
    if (FAILED(hr)) {
        filter->Release();
        return hr;
    }
    filter->timeline.end = filter->duration;
    filter->rowPixels = filter->frame.shownWidth;
    *result = filter;
    return S_OK;
}

void SetSourceStop(SourceFilter *filter, REFERENCE_TIME stop)
{
    EnterCriticalSection(&filter->lock);
    filter->timeline.end = stop;
    LeaveCriticalSection(&filter->lock);
}

// The renderers are flushed while the thread lets go of them, so that what they hold of the old
// segment is dropped; the thread waits until the change is made.
static void HoldStreaming(SourceFilter *filter)
{
    EnterCriticalSection(&filter->lock);
    filter->flushing = true;
    LeaveCriticalSection(&filter->lock);
    SetEvent(filter->wake);
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].peer)
            filter->pins[i].peer->BeginFlush();
    WaitForSingleObject(filter->parked, kParkWaitMs);
    for (int i = 0; i < filter->pinCount; i++)
        if (filter->pins[i].peer)
            filter->pins[i].peer->EndFlush();
}

// Under the lock, after the change: the reader moves to the timeline's new segment.
static void ResumeStreaming(SourceFilter *filter)
{
    filter->seekPending = true;
    filter->flushing = false;
    ResetEvent(filter->cued);
    LeaveCriticalSection(&filter->lock);
    SetEvent(filter->resume);
}

// Both pins are asked for every seek; the reader is moved once. A stopped filter only notes the place.
void SeekSourceFilter(SourceFilter *filter, const SourcePin *pin, REFERENCE_TIME target)
{
    int asking = (int)(pin - filter->pins);
    EnterCriticalSection(&filter->lock);
    bool twin = filter->lastSeekPin >= 0 && filter->lastSeekPin != asking && filter->timeline.segmentStart == target;
    filter->lastSeekPin = twin ? -1 : asking;
    bool streaming = filter->timeline.state != State_Stopped;
    if (twin || !streaming) {
        if (!twin) {
            TimelineSeek(&filter->timeline, target);
            filter->seekPending = true;
        }
        LeaveCriticalSection(&filter->lock);
        return;
    }
    LeaveCriticalSection(&filter->lock);
    HoldStreaming(filter);
    EnterCriticalSection(&filter->lock);
    TimelineSeek(&filter->timeline, target);
    ResumeStreaming(filter);
}

// What the renderers hold was made for the old rate: they are flushed, and the stream goes on from
// the place playing now, a moment later in stream time so that the new sound reaches them in time.
void SetSourceRate(SourceFilter *filter, double rate)
{
    EnterCriticalSection(&filter->lock);
    bool streaming = filter->timeline.state != State_Stopped;
    bool same = filter->timeline.rate == rate;
    LeaveCriticalSection(&filter->lock);
    if (same)
        return;
    if (streaming)
        HoldStreaming(filter);
    REFERENCE_TIME now = Now(filter);
    EnterCriticalSection(&filter->lock);
    TimelineRate(&filter->timeline, rate, now, streaming ? kRateLatency : 0);
    if (streaming) {
        ResumeStreaming(filter);
        return;
    }
    filter->seekPending = true;
    LeaveCriticalSection(&filter->lock);
}

REFERENCE_TIME SourceFilterPlace(SourceFilter *filter)
{
    REFERENCE_TIME now = Now(filter);
    EnterCriticalSection(&filter->lock);
    REFERENCE_TIME place = TimelinePlace(&filter->timeline, now);
    LeaveCriticalSection(&filter->lock);
    return place;
}

// The player's own source for a clip that Media Foundation reads, before any graph is touched.
HRESULT OpenOwnSource(const WCHAR *path, IBaseFilter **source)
{
    *source = NULL;
    IMFSourceReader *reader = NULL;
    SourceFilter *filter = NULL;
    HRESULT hr = CreateSourceReader(path, &reader);
    if (FAILED(hr) || FAILED(hr = CreateSourceFilter(reader, &filter)))
        return hr;
    *source = filter;
    return S_OK;
}

// Each pin into the graph's own renderers. On failure the filter leaves the graph again.
HRESULT RenderOwnSource(IGraphBuilder *graph, IBaseFilter *source)
{
    SourceFilter *filter = static_cast<SourceFilter *>(source);
    HRESULT hr = graph->AddFilter(filter, L"Lumetrone source");
    if (FAILED(hr))
        return hr;
    for (int i = 0; i < filter->pinCount && SUCCEEDED(hr); i++)
        hr = graph->Render(static_cast<IPin *>(&filter->pins[i]));
    if (FAILED(hr))
        graph->RemoveFilter(filter);
    return hr;
}

REFERENCE_TIME OwnSourcePlace(IBaseFilter *source)
{
    return SourceFilterPlace(static_cast<SourceFilter *>(source));
}

// Until the first sample is on its way, a run would start the clock before the renderer holds any
// sound, and the first words would be lost.
void WaitForOwnSourceCue(IBaseFilter *source, DWORD timeout)
{
    SourceFilter *filter = static_cast<SourceFilter *>(source);
    if (filter->cued)
        WaitForSingleObject(filter->cued, timeout);
}

void SetOwnSourceRate(IBaseFilter *source, double rate)
{
    SetSourceRate(static_cast<SourceFilter *>(source), rate);
}
