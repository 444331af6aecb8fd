// An output pin: one media type, its connection and buffers, and the seeking that the graph
// hands it through its renderer.
#include "engine/source_filter/source_filter.h"
#include "engine/source_filter/media_types.h"

#include <string.h>

// About a second of sound in tenths, and a few frames, so that neither stream waits on its buffers
// while the other is being read.
static const long kAudioBuffers = 10;
static const long kVideoBuffers = 3;

static const DWORD kSeekingCapabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards |
                                          AM_SEEKING_CanSeekBackwards | AM_SEEKING_CanGetCurrentPos |
                                          AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;

const WCHAR *PinName(const SourcePin *pin)
{
    return pin->kind == AudioPin ? L"Audio" : L"Video";
}

HRESULT STDMETHODCALLTYPE SourcePin::QueryInterface(REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = NULL;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IPin))
        *object = static_cast<IPin *>(this);
    else if (IsEqualIID(iid, IID_IMediaSeeking))
        *object = static_cast<IMediaSeeking *>(this);
    else
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE SourcePin::AddRef() { return filter->AddRef(); }
ULONG STDMETHODCALLTYPE SourcePin::Release() { return filter->Release(); }

// The renderer's own buffers when it offers them, else the platform's memory allocator.
static HRESULT AgreeOnBuffers(SourcePin *pin)
{
    ALLOCATOR_PROPERTIES wanted = {};
    wanted.cbAlign = 1;
    if (pin->kind == AudioPin) {
        DWORD tenth = pin->wave.nAvgBytesPerSec / 10;
        wanted.cBuffers = kAudioBuffers;
        wanted.cbBuffer = (long)(tenth - tenth % pin->wave.nBlockAlign);
        if (wanted.cbBuffer < pin->wave.nBlockAlign)
            wanted.cbBuffer = pin->wave.nBlockAlign;
    } else {
        wanted.cBuffers = kVideoBuffers;
        wanted.cbBuffer = (long)pin->type.lSampleSize;
    }
    IMemAllocator *allocator = NULL;
    HRESULT hr = pin->input->GetAllocator(&allocator);
    if (FAILED(hr))
        hr = CoCreateInstance(CLSID_MemoryAllocator, NULL, CLSCTX_INPROC_SERVER, IID_IMemAllocator, (void **)&allocator);
    if (FAILED(hr))
        return hr;
    ALLOCATOR_PROPERTIES actual;
    if (FAILED(hr = allocator->SetProperties(&wanted, &actual)) || FAILED(hr = pin->input->NotifyAllocator(allocator, FALSE))) {
        allocator->Release();
        return hr;
    }
    pin->allocator = allocator;
    return S_OK;
}

// The sound as decoded or, for a renderer that takes no more than two channels, mixed to stereo.
static void OfferSound(SourcePin *pin, bool mixed)
{
    DWORD rate = pin->wave.nSamplesPerSec;
    pin->downmix.channels = 0;
    if (mixed && StartDownmix(&pin->downmix, pin->decodedChannels, pin->layout))
        AudioMediaType(&pin->type, &pin->speakers, 2, rate, kStereoSpeakers);
    else
        AudioMediaType(&pin->type, &pin->speakers, pin->decodedChannels, rate, pin->layout);
}

static HRESULT Offer(SourcePin *pin, IPin *receiver, const AM_MEDIA_TYPE *asked)
{
    if (asked && !MatchesMediaType(&pin->type, asked))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return receiver->ReceiveConnection(pin, &pin->type);
}

// Every channel decoded first; a renderer that refuses them is offered them mixed to stereo.
static HRESULT AgreeOnType(SourcePin *pin, IPin *receiver, const AM_MEDIA_TYPE *asked)
{
    if (pin->kind != AudioPin)
        return Offer(pin, receiver, asked);
    OfferSound(pin, false);
    HRESULT hr = Offer(pin, receiver, asked);
    if (FAILED(hr) && pin->decodedChannels > 2) {
        OfferSound(pin, true);
        if (FAILED(hr = Offer(pin, receiver, asked)))
            OfferSound(pin, false);
    }
    return hr;
}

// The stretch and the level work on the sound that goes out, mixed or not.
static HRESULT FitStretch(SourcePin *pin)
{
    Stretch *stretch = &pin->filter->stretch;
    if (pin->kind != AudioPin)
        return S_OK;
    StartLevel(&pin->filter->level, pin->wave.nChannels, pin->wave.nSamplesPerSec);
    if (stretch->channels == pin->wave.nChannels)
        return S_OK;
    DWORD layout = pin->downmix.channels ? kStereoSpeakers : pin->layout;
    EndStretch(stretch);
    return StartStretch(stretch, pin->wave.nChannels, pin->wave.nSamplesPerSec, layout) ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE SourcePin::Connect(IPin *receiver, const AM_MEDIA_TYPE *asked)
{
    if (!receiver)
        return E_POINTER;
    if (peer)
        return VFW_E_ALREADY_CONNECTED;
    if (filter->timeline.state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    HRESULT hr = AgreeOnType(this, receiver, asked);
    if (FAILED(hr))
        return hr;
    if (SUCCEEDED(hr = FitStretch(this)) &&
        SUCCEEDED(hr = receiver->QueryInterface(IID_IMemInputPin, (void **)&input)) && SUCCEEDED(hr = AgreeOnBuffers(this))) {
        peer = receiver;
        peer->AddRef();
        return S_OK;
    }
    if (input) {
        input->Release();
        input = NULL;
    }
    receiver->Disconnect();
    return hr;
}

HRESULT STDMETHODCALLTYPE SourcePin::ReceiveConnection(IPin *, const AM_MEDIA_TYPE *) { return E_UNEXPECTED; }

void ReleaseSourcePin(SourcePin *pin)
{
    if (pin->allocator)
        pin->allocator->Release();
    if (pin->input)
        pin->input->Release();
    if (pin->peer)
        pin->peer->Release();
    pin->allocator = NULL;
    pin->input = NULL;
    pin->peer = NULL;
}

HRESULT STDMETHODCALLTYPE SourcePin::Disconnect()
{
    if (!peer)
        return S_FALSE;
    if (filter->timeline.state != State_Stopped)
        return VFW_E_NOT_STOPPED;
    ReleaseSourcePin(this);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::ConnectedTo(IPin **pin)
{
    if (!pin)
        return E_POINTER;
    *pin = peer;
    if (!peer)
        return VFW_E_NOT_CONNECTED;
    peer->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::ConnectionMediaType(AM_MEDIA_TYPE *copy)
{
    if (!copy)
        return E_POINTER;
    if (!peer) {
        ZeroMemory(copy, sizeof(*copy));
        return VFW_E_NOT_CONNECTED;
    }
    return CopyOfMediaType(copy, &type);
}

HRESULT STDMETHODCALLTYPE SourcePin::QueryPinInfo(PIN_INFO *info)
{
    if (!info)
        return E_POINTER;
    info->pFilter = filter;
    filter->AddRef();
    info->dir = PINDIR_OUTPUT;
    lstrcpynW(info->achName, PinName(this), sizeof(info->achName) / sizeof(info->achName[0]));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::QueryDirection(PIN_DIRECTION *direction)
{
    if (!direction)
        return E_POINTER;
    *direction = PINDIR_OUTPUT;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::QueryId(LPWSTR *id)
{
    if (!id)
        return E_POINTER;
    size_t bytes = (wcslen(PinName(this)) + 1) * sizeof(WCHAR);
    *id = (LPWSTR)CoTaskMemAlloc(bytes);
    if (!*id)
        return E_OUTOFMEMORY;
    memcpy(*id, PinName(this), bytes);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::QueryAccept(const AM_MEDIA_TYPE *asked)
{
    if (!asked)
        return E_POINTER;
    return MatchesMediaType(&type, asked) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE SourcePin::EnumMediaTypes(IEnumMediaTypes **enumerator)
{
    if (!enumerator)
        return E_POINTER;
    return CreateMediaTypeEnumerator(this, 0, enumerator);
}

HRESULT STDMETHODCALLTYPE SourcePin::QueryInternalConnections(IPin **, ULONG *) { return E_NOTIMPL; }

// What only an input pin is asked.
HRESULT STDMETHODCALLTYPE SourcePin::EndOfStream() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE SourcePin::BeginFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE SourcePin::EndFlush() { return E_UNEXPECTED; }
HRESULT STDMETHODCALLTYPE SourcePin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE SourcePin::GetCapabilities(DWORD *capabilities)
{
    if (!capabilities)
        return E_POINTER;
    *capabilities = kSeekingCapabilities;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::CheckCapabilities(DWORD *capabilities)
{
    if (!capabilities)
        return E_POINTER;
    DWORD asked = *capabilities;
    *capabilities &= kSeekingCapabilities;
    if (*capabilities == asked)
        return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

static bool IsMediaTime(const GUID *format)
{
    return !format || IsEqualGUID(*format, TIME_FORMAT_MEDIA_TIME);
}

HRESULT STDMETHODCALLTYPE SourcePin::IsFormatSupported(const GUID *format)
{
    if (!format)
        return E_POINTER;
    return IsMediaTime(format) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE SourcePin::QueryPreferredFormat(GUID *format) { return GetTimeFormat(format); }

HRESULT STDMETHODCALLTYPE SourcePin::GetTimeFormat(GUID *format)
{
    if (!format)
        return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::IsUsingTimeFormat(const GUID *format)
{
    if (!format)
        return E_POINTER;
    return IsMediaTime(format) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE SourcePin::SetTimeFormat(const GUID *format)
{
    if (!format)
        return E_POINTER;
    return IsMediaTime(format) ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE SourcePin::GetDuration(LONGLONG *duration)
{
    if (!duration)
        return E_POINTER;
    EnterCriticalSection(&filter->lock);
    *duration = filter->duration;
    LeaveCriticalSection(&filter->lock);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::GetStopPosition(LONGLONG *stop)
{
    if (!stop)
        return E_POINTER;
    *stop = SourceStopPosition(filter);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::GetCurrentPosition(LONGLONG *current)
{
    if (!current)
        return E_POINTER;
    *current = SourceFilterPlace(filter);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::ConvertTimeFormat(LONGLONG *target, const GUID *targetFormat, LONGLONG source,
                                                       const GUID *sourceFormat)
{
    if (!target)
        return E_POINTER;
    if (!IsMediaTime(targetFormat) || !IsMediaTime(sourceFormat))
        return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::SetPositions(LONGLONG *current, DWORD currentFlags, LONGLONG *stop, DWORD stopFlags)
{
    return SetSourcePositions(filter, this, current, currentFlags, stop, stopFlags);
}

HRESULT STDMETHODCALLTYPE SourcePin::GetPositions(LONGLONG *current, LONGLONG *stop)
{
    if (current)
        GetCurrentPosition(current);
    if (stop)
        GetStopPosition(stop);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::GetAvailable(LONGLONG *earliest, LONGLONG *latest)
{
    if (earliest)
        *earliest = 0;
    if (latest)
        GetDuration(latest);
    return S_OK;
}

// The stream is made for normal speed only.
HRESULT STDMETHODCALLTYPE SourcePin::SetRate(double rate) { return rate == 1.0 ? S_OK : E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE SourcePin::GetRate(double *rate)
{
    if (!rate)
        return E_POINTER;
    *rate = 1.0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE SourcePin::GetPreroll(LONGLONG *preroll)
{
    if (!preroll)
        return E_POINTER;
    *preroll = 0;
    return S_OK;
}
