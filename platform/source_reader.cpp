/* The scripted source reader: clips registered by path with their streams and reads, media types
   as attribute stores, and samples of zeroed bytes. Every object counts itself while it lives, so
   that a test fails on one the player keeps. */
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
} g;

// The reader's objects are never asked for another interface.
template <typename Interface>
struct Counted : standin::CountedObject<Interface> {
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
    std::map<std::string, std::string> blobs;

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
    HRESULT STDMETHODCALLTYPE GetBlob(REFGUID key, UINT8 *buffer, UINT32 size, UINT32 *blobSize) override
    {
        auto found = blobs.find(Key(key));
        if (found == blobs.end())
            return kAttributeNotFound;
        if (found->second.size() > size)
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        memcpy(buffer, found->second.data(), found->second.size());
        if (blobSize)
            *blobSize = static_cast<UINT32>(found->second.size());
        return S_OK;
    }
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

struct Buffer : Counted<IMFMediaBuffer> {
    std::vector<BYTE> data;
    bool locked = false;
    HRESULT STDMETHODCALLTYPE Lock(BYTE **start, DWORD *maxLength, DWORD *length) override
    {
        EXPECT_FALSE(locked) << "a buffer locked twice";
        locked = true;
        *start = data.data();
        if (maxLength)
            *maxLength = static_cast<DWORD>(data.size());
        if (length)
            *length = static_cast<DWORD>(data.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unlock() override
    {
        EXPECT_TRUE(locked) << "a buffer unlocked that was not locked";
        locked = false;
        return S_OK;
    }
};

struct Sample : Counted<IMFSample> {
    REFERENCE_TIME duration;
    DWORD bytes;
    HRESULT STDMETHODCALLTYPE GetSampleDuration(LONGLONG *value) override
    {
        *value = duration;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ConvertToContiguousBuffer(IMFMediaBuffer **buffer) override
    {
        Buffer *contiguous = new Buffer();
        contiguous->data.assign(bytes, 0);
        *buffer = contiguous;
        return S_OK;
    }
};

// Touched by the thread that opens the clip, then by the streaming thread alone.
struct Reader : Counted<IMFSourceReader> {
    standin::ReaderClip clip;
    std::vector<bool> selected, typed, ended;
    size_t next = 0;

    bool Known(DWORD stream) { return stream < clip.streams.size(); }
    HRESULT STDMETHODCALLTYPE SetStreamSelection(DWORD stream, BOOL select) override
    {
        if (stream == MF_SOURCE_READER_ALL_STREAMS)
            selected.assign(clip.streams.size(), select != FALSE);
        else if (Known(stream))
            selected[stream] = select != FALSE;
        else
            return MF_E_INVALIDSTREAMNUMBER;
        return S_OK;
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
    // The decoder gives a stream's own form (PCM, or its one subtype) and no other.
    HRESULT STDMETHODCALLTYPE SetCurrentMediaType(DWORD stream, DWORD *reserved, IMFMediaType *asked) override
    {
        EXPECT_EQ(reserved, nullptr);
        if (!Known(stream))
            return MF_E_INVALIDSTREAMNUMBER;
        const standin::ReaderStream &s = clip.streams[stream];
        MediaType *type = static_cast<MediaType *>(asked);
        bool form = s.video ? IsEqualGUID(type->Guid(MF_MT_SUBTYPE), s.subtype)
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
        const standin::ReaderStream &s = clip.streams[stream];
        MediaType *type = new MediaType();
        if (s.video) {
            type->numbers[Key(MF_MT_FRAME_SIZE)] = static_cast<UINT64>(s.width) << 32 | static_cast<UINT32>(s.height);
            type->numbers[Key(MF_MT_FRAME_RATE)] = static_cast<UINT64>(s.framesPerSecond) << 32 | 1;
            if (s.stride)
                type->SetUINT32(MF_MT_DEFAULT_STRIDE, static_cast<UINT32>(s.stride));
            MFVideoArea area = {{0, static_cast<short>(s.left)}, {0, static_cast<short>(s.top)}, {s.shownWidth, s.shownHeight}};
            if (s.aperture)
                type->blobs[Key(MF_MT_MINIMUM_DISPLAY_APERTURE)] = std::string(reinterpret_cast<const char *>(&area), sizeof(area));
        } else {
            type->SetUINT32(MF_MT_AUDIO_NUM_CHANNELS, s.channels);
            type->SetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, s.rate);
            type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, 16);
        }
        *result = type;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCurrentPosition(REFGUID format, REFPROPVARIANT place) override
    {
        EXPECT_TRUE(IsEqualGUID(format, GUID_NULL));
        EXPECT_EQ(place.vt, VT_I8);
        standin::LogSource("SetCurrentPosition " + std::to_string(place.hVal.QuadPart));
        for (next = 0; next < clip.reads.size() && clip.reads[next].time < place.hVal.QuadPart; next++) {
        }
        ended.assign(clip.streams.size(), false);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReadSample(DWORD stream, DWORD control, DWORD *actual, DWORD *flags, LONGLONG *time,
                                         IMFSample **sample) override
    {
        EXPECT_EQ(stream, MF_SOURCE_READER_ANY_STREAM);
        EXPECT_EQ(control, 0u);
        *sample = nullptr;
        while (next < clip.reads.size() && !selected[clip.reads[next].stream])
            next++;
        if (next == clip.reads.size()) {
            DWORD open = 0;
            while (open < clip.streams.size() && (!selected[open] || ended[open]))
                open++;
            EXPECT_LT(open, clip.streams.size()) << "a read after the end of every stream";
            if (open < clip.streams.size())
                ended[open] = true;
            *actual = open;
            *flags = MF_SOURCE_READERF_ENDOFSTREAM;
            *time = 0;
            return S_OK;
        }
        const standin::ReaderRead &read = clip.reads[next++];
        *actual = read.stream;
        *flags = read.flags;
        *time = read.time;
        if (read.bytes) {
            Sample *made = new Sample();
            made->duration = read.duration;
            made->bytes = read.bytes;
            *sample = made;
        }
        return read.status;
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
    size_t streams = made->clip.streams.size();
    made->selected.assign(streams, true);
    made->typed.assign(streams, false);
    made->ended.assign(streams, false);
    *reader = made;
    return S_OK;
}

HRESULT PropVariantClear(PROPVARIANT *value)
{
    PropVariantInit(value);
    return S_OK;
}
