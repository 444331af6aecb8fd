// The filter object: its state changes, its clock, its pins, and the place it keeps.
#include "engine/source_filter/source_filter.h"

#include <new>
#include <stdlib.h>
#include <string.h>

// Not registered anywhere: the graph only asks, and never creates the filter itself.
static const CLSID kSourceFilterClass = {0x4c756d65, 0x7472, 0x6f6e, {0x8e, 0x53, 0x6f, 0x75, 0x72, 0x63, 0x65, 0x01}};

REFERENCE_TIME FilterTime(SourceFilter *filter)
{
    REFERENCE_TIME now = 0;
    if (filter->clock)
        filter->clock->GetTime(&now);
    return now;
}

static bool Streaming(SourceFilter *filter)
{
    EnterCriticalSection(&filter->lock);
    bool streaming = filter->timeline.state != State_Stopped;
    LeaveCriticalSection(&filter->lock);
    return streaming;
}

// The graph has let go: the threads end if the graph did not stop them, and the connections go.
static void DestroySourceFilter(SourceFilter *filter)
{
    if (Streaming(filter))
        StopStreaming(filter);
    for (SourcePin &pin : filter->pins) {
        ReleaseSourcePin(&pin);
        if (pin.wake)
            CloseHandle(pin.wake);
        DeleteCriticalSection(&pin.streamingLock);
    }
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
    if (Streaming(this))
        StopStreaming(this);
    REFERENCE_TIME now = FilterTime(this);
    EnterCriticalSection(&lock);
    TimelineStop(&timeline, now);
    LeaveCriticalSection(&lock);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::Pause()
{
    if (!Streaming(this)) {
        HRESULT hr = StartStreaming(this);
        if (FAILED(hr))
            return hr;
    }
    REFERENCE_TIME now = FilterTime(this);
    EnterCriticalSection(&lock);
    TimelinePause(&timeline, now);
    LeaveCriticalSection(&lock);
    return S_OK;
}
HRESULT STDMETHODCALLTYPE SourceFilter::Run(REFERENCE_TIME start)
{
    if (!Streaming(this)) {
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
    EnterCriticalSection(&lock);
    *state = timeline.state;
    LeaveCriticalSection(&lock);
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
    for (SourcePin &pin : filter->pins)
        InitializeCriticalSection(&pin.streamingLock);
    HRESULT hr = ChooseSourceStreams(filter);
    if (FAILED(hr)) {
        filter->Release();
        return hr;
    }
    filter->timeline.end = filter->duration;
    for (int i = 0; i < filter->pinCount; i++) {
        if (!(filter->pins[i].wake = CreateEventW(NULL, FALSE, FALSE, NULL))) {
            filter->Release();
            return E_OUTOFMEMORY;
        }
    }
    *result = filter;
    return S_OK;
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

void SetOwnSourceRate(IBaseFilter *source, IMediaSeeking *graph, double rate)
{
    SourceFilter *filter = static_cast<SourceFilter *>(source);
    LONGLONG place = SourceFilterPlace(filter);
    if (SetSourceRate(filter, rate))
        graph->SetPositions(&place, AM_SEEKING_AbsolutePositioning, NULL, AM_SEEKING_NoPositioning);
}

void SetOwnSourceLevelling(IBaseFilter *source, bool on)
{
    SourceFilter *filter = static_cast<SourceFilter *>(source);
    EnterCriticalSection(&filter->lock);
    filter->levelling = on;
    LeaveCriticalSection(&filter->lock);
}

void SetOwnSourceSide(IBaseFilter *source, int side)
{
    SourceFilter *filter = static_cast<SourceFilter *>(source);
    EnterCriticalSection(&filter->lock);
    filter->side = side == LeftSide || side == RightSide ? (SideHeard)side : BothSides;
    LeaveCriticalSection(&filter->lock);
}
