/* The scripted source reader: clips registered by path with their streams, and media types as
   attribute stores. It answers what the player's source asks as it opens a clip; reading and
   seeking are for Wine's graph (tests/graph/) and fail here. Every object counts itself while it
   lives, so that a test fails on one the player keeps. */
#include "internal.h"

#include <gtest/gtest.h>
#include <mferror.h>
#include <mfidl.h>
#include <mfreadwrite.h>

#include <map>
#include <vector>

namespace {

const HRESULT kAttributeNotFound = static_cast<HRESULT>(0xC00D36E6u);
const HRESULT kNoMoreTypes = static_cast<HRESULT>(0xC00D36B9u);

struct Readers {
    std::map<std::string, standin::ReaderClip> clips;
    int startups;
    int live;   // objects not yet released for the last time
} g;

// Deleted at its last release; never asked for another interface.
template <typename Interface>
struct Counted : Interface {
    LONG references = 1;
    Counted() { g.live++; }
    virtual ~Counted() { g.live--; }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = --references;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override
    {
        ADD_FAILURE() << "QueryInterface on a reader's object";
        *object = nullptr;
        return E_NOINTERFACE;
    }
};

std::string Key(const GUID &guid) { return std::string(reinterpret_cast<const char *>(&guid), sizeof(guid)); }

struct MediaType : Counted<IMFMediaType> {
    std::map<std::string, UINT64> numbers;
    std::map<std::string, GUID> guids;

    HRESULT STDMETHODCALLTYPE GetUINT32(REFGUID key, UINT32 *value) override
    {
        UINT64 wide = 0;
        HRESULT status = GetUINT64(key, &wide);
        *value = static_cast<UINT32>(wide);
        return status;
    }
    HRESULT STDMETHODCALLTYPE GetUINT64(REFGUID key, UINT64 *value) override
    {
        auto found = numbers.find(Key(key));
        if (found == numbers.end())
            return kAttributeNotFound;
        *value = found->second;
        return S_OK;
    }
    // No decoder here says where the picture lies inside its frame.
    HRESULT STDMETHODCALLTYPE GetBlob(REFGUID, UINT8 *, UINT32, UINT32 *) override { return kAttributeNotFound; }
    HRESULT STDMETHODCALLTYPE SetUINT32(REFGUID key, UINT32 value) override
    {
        numbers[Key(key)] = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID key, REFGUID value) override
    {
        guids[Key(key)] = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMajorType(GUID *major) override
    {
        auto found = guids.find(Key(MF_MT_MAJOR_TYPE));
        if (found == guids.end())
            return kAttributeNotFound;
        *major = found->second;
        return S_OK;
    }
    GUID Guid(const GUID &key) { return guids.count(Key(key)) ? guids[Key(key)] : GUID_NULL; }
};

HRESULT Unread(const char *method)
{
    ADD_FAILURE() << "IMFSourceReader::" << method << " natively, where nothing streams";
    return E_NOTIMPL;
}

struct Reader : Counted<IMFSourceReader> {
    standin::ReaderClip clip;
    std::vector<bool> typed;

    bool Known(DWORD stream) { return stream < clip.streams.size(); }
    HRESULT STDMETHODCALLTYPE GetStreamSelection(DWORD stream, BOOL *selected) override
    {
        *selected = Known(stream) && clip.streams[stream].selected;
        return Known(stream) ? S_OK : MF_E_INVALIDSTREAMNUMBER;
    }
    HRESULT STDMETHODCALLTYPE SetStreamSelection(DWORD stream, BOOL) override
    {
        return stream == MF_SOURCE_READER_ALL_STREAMS || Known(stream) ? S_OK : MF_E_INVALIDSTREAMNUMBER;
    }
    HRESULT STDMETHODCALLTYPE GetNativeMediaType(DWORD stream, DWORD index, IMFMediaType **type) override
    {
        if (!Known(stream))
            return MF_E_INVALIDSTREAMNUMBER;
        if (index > 0)
            return kNoMoreTypes;
        MediaType *native = new MediaType();
        native->SetGUID(MF_MT_MAJOR_TYPE, clip.streams[stream].video ? MFMediaType_Video : MFMediaType_Audio);
        *type = native;
        return S_OK;
    }
    // The decoder gives 16-bit PCM, or NV12, and no other form.
    HRESULT STDMETHODCALLTYPE SetCurrentMediaType(DWORD stream, DWORD *reserved, IMFMediaType *asked) override
    {
        EXPECT_EQ(reserved, nullptr);
        if (!Known(stream))
            return MF_E_INVALIDSTREAMNUMBER;
        const standin::ReaderStream &s = clip.streams[stream];
        MediaType *type = static_cast<MediaType *>(asked);
        bool form = s.video ? IsEqualGUID(type->Guid(MF_MT_SUBTYPE), MFVideoFormat_NV12)
                            : IsEqualGUID(type->Guid(MF_MT_SUBTYPE), MFAudioFormat_PCM) &&
                                  type->numbers[Key(MF_MT_AUDIO_BITS_PER_SAMPLE)] == 16;
        if (!s.decodes || !form || !IsEqualGUID(type->Guid(MF_MT_MAJOR_TYPE), s.video ? MFMediaType_Video : MFMediaType_Audio))
            return MF_E_INVALIDMEDIATYPE;
        typed[stream] = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCurrentMediaType(DWORD stream, IMFMediaType **result) override
    {
        if (!Known(stream))
            return MF_E_INVALIDSTREAMNUMBER;
        EXPECT_TRUE(typed[stream]) << "the current type of a stream never given one";
        MediaType *type = new MediaType();
        if (clip.streams[stream].video) {
            type->numbers[Key(MF_MT_FRAME_SIZE)] = static_cast<UINT64>(640) << 32 | 360;
            type->numbers[Key(MF_MT_FRAME_RATE)] = static_cast<UINT64>(25) << 32 | 1;
        } else {
            type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, 2);
            type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, 48000);
            type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
        }
        *result = type;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(REFGUID, REFPROPVARIANT) override { return Unread("SetCurrentPosition"); }
    HRESULT STDMETHODCALLTYPE ReadSample(DWORD, DWORD, DWORD *, DWORD *, LONGLONG *, IMFSample **) override
    {
        return Unread("ReadSample");
    }
    HRESULT STDMETHODCALLTYPE GetPresentationAttribute(DWORD stream, REFGUID attribute, PROPVARIANT *value) override
    {
        EXPECT_EQ(stream, MF_SOURCE_READER_MEDIASOURCE);
        EXPECT_TRUE(IsEqualGUID(attribute, MF_PD_DURATION));
        value->vt = VT_UI8;
        value->uhVal.QuadPart = static_cast<ULONGLONG>(clip.duration);
        return S_OK;
    }
};

}  // namespace

namespace standin {

void ResetSourceReader() { g = {}; }
void AddReaderClip(const char *path, const ReaderClip &clip) { g.clips[path] = clip; }
int LiveSourceObjects() { return g.live; }

}  // namespace standin

HRESULT MFStartup(ULONG version, DWORD flags)
{
    EXPECT_EQ(version, static_cast<ULONG>(MF_VERSION));
    EXPECT_EQ(flags, static_cast<DWORD>(MFSTARTUP_LITE));
    g.startups++;
    return S_OK;
}

HRESULT MFShutdown()
{
    EXPECT_GT(g.startups, 0) << "MFShutdown without MFStartup";
    g.startups--;
    return S_OK;
}

HRESULT MFCreateMediaType(IMFMediaType **type)
{
    *type = new MediaType();
    return S_OK;
}

HRESULT MFCreateSourceReaderFromURL(LPCWSTR url, IMFAttributes *attributes, IMFSourceReader **reader)
{
    EXPECT_EQ(attributes, nullptr);
    EXPECT_GT(g.startups, 0) << "the reader used before MFStartup";
    *reader = nullptr;
    auto clip = g.clips.find(standin::Utf8Of(url));
    if (clip == g.clips.end())
        return MF_E_UNSUPPORTED_BYTESTREAM_TYPE;
    Reader *made = new Reader();
    made->clip = clip->second;
    made->typed.assign(made->clip.streams.size(), false);
    *reader = made;
    return S_OK;
}

HRESULT PropVariantClear(PROPVARIANT *value)
{
    PropVariantInit(value);
    return S_OK;
}
