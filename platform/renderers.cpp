/* What the scripted graph puts behind a source's pins: a renderer input pin per pin, that logs what
   the source sends it and holds no sample; the platform's memory allocator; and the graph's clock,
   which stands still until a test moves it. Streaming threads call here, so all is under one lock. */
#include "internal.h"

#include <amvideo.h>
#include <gtest/gtest.h>
#include <mmreg.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

const HRESULT kNoAllocator = static_cast<HRESULT>(0x8004020Au);
const HRESULT kNotCommitted = static_cast<HRESULT>(0x80040211u);
const auto kLogWait = std::chrono::seconds(5);

struct Renderers {
    std::vector<std::string> log;
    REFERENCE_TIME now;
} g;
std::mutex gLock;
std::condition_variable gLogged;

std::string Span(REFERENCE_TIME start, REFERENCE_TIME stop) { return std::to_string(start) + "," + std::to_string(stop); }

template <typename Interface>
struct Counted : standin::CountedObject<Interface> {
    HRESULT Unexpected(const char *method)
    {
        ADD_FAILURE() << method << " is not expected here";
        return E_NOTIMPL;
    }
};

struct Allocator;

struct MediaSample final : IMediaSample {
    Allocator *allocator;
    LONG references = 0;
    std::vector<BYTE> data;
    long length = 0;
    REFERENCE_TIME start = 0, stop = 0;
    bool timed = false, discontinuity = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override
    {
        ADD_FAILURE() << "QueryInterface on a media sample";
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references); }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetPointer(BYTE **buffer) override
    {
        *buffer = data.data();
        return S_OK;
    }
    long STDMETHODCALLTYPE GetSize() override { return static_cast<long>(data.size()); }
    HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME *from, REFERENCE_TIME *to) override
    {
        timed = from && to;
        start = from ? *from : 0;
        stop = to ? *to : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL value) override
    {
        discontinuity = value != FALSE;
        return S_OK;
    }
    // The renderers here never ask for other buffers.
    HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE **type) override
    {
        *type = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE SetActualDataLength(long value) override
    {
        if (value < 0 || value > GetSize())
            return E_INVALIDARG;
        length = value;
        return S_OK;
    }
};

// Its samples go back to it at their last release; each holds it while out.
struct Allocator final : Counted<IMemAllocator> {
    ALLOCATOR_PROPERTIES properties = {};
    bool committed = false;
    std::vector<std::unique_ptr<MediaSample>> samples;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override
    {
        *object = nullptr;
        return Unexpected("IMemAllocator::QueryInterface");
    }
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES *wanted, ALLOCATOR_PROPERTIES *actual) override
    {
        std::lock_guard<std::mutex> hold(gLock);
        EXPECT_GT(wanted->cBuffers, 0);
        EXPECT_GT(wanted->cbBuffer, 0);
        properties = *actual = *wanted;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit() override
    {
        std::lock_guard<std::mutex> hold(gLock);
        committed = true;
        while (samples.size() < static_cast<size_t>(properties.cBuffers)) {
            samples.push_back(std::make_unique<MediaSample>());
            samples.back()->allocator = this;
            samples.back()->data.assign(static_cast<size_t>(properties.cbBuffer), 0);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Decommit() override
    {
        std::lock_guard<std::mutex> hold(gLock);
        committed = false;
        return S_OK;
    }
    // The renderers here hold no sample, so one is always free while the source holds none.
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample **sample, REFERENCE_TIME *, REFERENCE_TIME *, DWORD) override
    {
        std::lock_guard<std::mutex> hold(gLock);
        *sample = nullptr;
        if (!committed)
            return kNotCommitted;
        for (const auto &free : samples) {
            if (__atomic_load_n(&free->references, __ATOMIC_SEQ_CST) == 0) {
                free->references = 1;
                free->length = 0;
                free->timed = free->discontinuity = false;
                *sample = free.get();
                AddRef();
                return S_OK;
            }
        }
        ADD_FAILURE() << "every sample is out, yet the renderers hold none";
        return E_FAIL;
    }
};

ULONG MediaSample::Release()
{
    LONG left = InterlockedDecrement(&references);
    EXPECT_GE(left, 0) << "a sample released more often than it was obtained";
    if (left == 0)
        allocator->Release();
    return left;
}

struct Clock final : Counted<IReferenceClock> {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override
    {
        *object = nullptr;
        return Unexpected("IReferenceClock::QueryInterface");
    }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME *time) override
    {
        std::lock_guard<std::mutex> hold(gLock);
        *time = g.now;
        return S_OK;
    }
};

// Named after what it renders once it is connected: "sound" or "picture".
struct Renderer final : Counted<IPin>, IMemInputPin {
    std::string name = "renderer";
    IPin *connected = nullptr;
    AM_MEDIA_TYPE type = {};
    std::vector<BYTE> format;
    IMemAllocator *allocator = nullptr;

    void Log(const std::string &call) { standin::LogSource(name + " " + call); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IMemInputPin))
            *object = static_cast<IMemInputPin *>(this);
        else if (IsEqualIID(iid, IID_IPin) || IsEqualIID(iid, IID_IUnknown))
            *object = static_cast<IPin *>(this);
        else
            return Unexpected("a renderer pin's QueryInterface for another interface");
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Counted<IPin>::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Counted<IPin>::Release(); }

    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin *connector, const AM_MEDIA_TYPE *offered) override
    {
        if (connected)
            return VFW_E_ALREADY_CONNECTED;
        bool sound = IsEqualGUID(offered->majortype, MEDIATYPE_Audio) && IsEqualGUID(offered->subtype, MEDIASUBTYPE_PCM) &&
                     IsEqualGUID(offered->formattype, FORMAT_WaveFormatEx) && offered->cbFormat >= sizeof(WAVEFORMATEX);
        bool picture = IsEqualGUID(offered->majortype, MEDIATYPE_Video) &&
                       IsEqualGUID(offered->subtype, MEDIASUBTYPE_RGB32) &&
                       IsEqualGUID(offered->formattype, FORMAT_VideoInfo) && offered->cbFormat >= sizeof(VIDEOINFOHEADER);
        if (!sound && !picture) {
            Log("ReceiveConnection refused");
            return VFW_E_TYPE_NOT_ACCEPTED;
        }
        name = sound ? "sound" : "picture";
        type = *offered;
        format.assign(offered->pbFormat, offered->pbFormat + offered->cbFormat);
        type.pbFormat = format.data();
        connected = connector;
        connected->AddRef();
        if (sound) {
            const WAVEFORMATEX *wave = reinterpret_cast<const WAVEFORMATEX *>(format.data());
            Log("ReceiveConnection " + std::to_string(wave->nChannels) + "x" + std::to_string(wave->nSamplesPerSec) +
                " Hz " + std::to_string(wave->wBitsPerSample) + " bits, " + std::to_string(offered->lSampleSize) + " a frame");
        } else {
            const BITMAPINFOHEADER &bitmap = reinterpret_cast<const VIDEOINFOHEADER *>(format.data())->bmiHeader;
            Log("ReceiveConnection " + std::to_string(bitmap.biWidth) + "x" + std::to_string(bitmap.biHeight) + " " +
                std::to_string(bitmap.biBitCount) + " bits, " + std::to_string(offered->lSampleSize) + " a frame");
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        if (!connected)
            return S_FALSE;
        connected->Release();
        connected = nullptr;
        if (allocator)
            allocator->Release();
        allocator = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE *copy) override
    {
        if (!connected)
            return VFW_E_NOT_CONNECTED;
        *copy = type;
        copy->pbFormat = static_cast<BYTE *>(CoTaskMemAlloc(format.size()));
        memcpy(copy->pbFormat, format.data(), format.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { Log("EndOfStream"); return S_OK; }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { Log("BeginFlush"); return S_OK; }
    HRESULT STDMETHODCALLTYPE EndFlush() override { Log("EndFlush"); return S_OK; }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override
    {
        EXPECT_EQ(rate, 1.0);
        Log("NewSegment " + Span(start, stop));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator **offered) override
    {
        *offered = nullptr;
        return kNoAllocator;
    }
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator *agreed, BOOL) override
    {
        agreed->AddRef();
        if (allocator)
            allocator->Release();
        allocator = agreed;
        const ALLOCATOR_PROPERTIES &properties = static_cast<Allocator *>(agreed)->properties;
        Log("NotifyAllocator " + std::to_string(properties.cBuffers) + "x" + std::to_string(properties.cbBuffer));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample *received) override
    {
        const MediaSample *sample = static_cast<MediaSample *>(received);
        EXPECT_TRUE(sample->timed) << name << " sample without times";
        EXPECT_EQ(sample->allocator, allocator) << name << " sample from another allocator";
        Log("Receive " + Span(sample->start, sample->stop) + " " + std::to_string(sample->length) +
            (sample->discontinuity ? " discontinuity" : ""));
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Connect(IPin *, const AM_MEDIA_TYPE *) override { return Unexpected("IPin::Connect"); }
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin **) override { return Unexpected("IPin::ConnectedTo"); }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO *) override { return Unexpected("IPin::QueryPinInfo"); }
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION *) override { return Unexpected("IPin::QueryDirection"); }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR *) override { return Unexpected("IPin::QueryId"); }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE *) override { return Unexpected("IPin::QueryAccept"); }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes **) override { return Unexpected("IPin::EnumMediaTypes"); }
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin **, ULONG *) override
    {
        return Unexpected("IPin::QueryInternalConnections");
    }
};

}  // namespace

namespace standin {

int gLiveSourceObjects;

void ResetRenderers()
{
    std::lock_guard<std::mutex> hold(gLock);
    g = {};
    gLiveSourceObjects = 0;
}

void LogSource(const std::string &entry)
{
    std::lock_guard<std::mutex> hold(gLock);
    g.log.push_back(entry);
    gLogged.notify_all();
}

std::vector<std::string> SourceLog()
{
    std::lock_guard<std::mutex> hold(gLock);
    return g.log;
}

bool WaitForSourceLog(const std::string &entry, int occurrences)
{
    std::unique_lock<std::mutex> hold(gLock);
    return gLogged.wait_for(hold, kLogWait, [&] { return std::count(g.log.begin(), g.log.end(), entry) >= occurrences; });
}

void AdvanceReferenceClock(REFERENCE_TIME by)
{
    std::lock_guard<std::mutex> hold(gLock);
    g.now += by;
}

int LiveSourceObjects() { return __atomic_load_n(&gLiveSourceObjects, __ATOMIC_SEQ_CST); }

IReferenceClock *NewClock() { return new Clock(); }

IPin *ConnectRenderer(IPin *output, HRESULT *status)
{
    Renderer *renderer = new Renderer();
    *status = output->Connect(renderer, nullptr);
    if (SUCCEEDED(*status))
        return renderer;
    renderer->Release();
    return nullptr;
}

HRESULT CreateMemoryAllocator(REFIID iid, void **object)
{
    EXPECT_TRUE(IsEqualIID(iid, IID_IMemAllocator));
    *object = static_cast<IMemAllocator *>(new Allocator());
    return S_OK;
}

}  // namespace standin
