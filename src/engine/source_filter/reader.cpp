// What the source reader gives: the default audio and video stream, decoded to forms the
// pins can carry, and the clip's duration.
#include "engine/source_filter/source_filter.h"
#include "engine/source_filter/media_types.h"

#include <mfapi.h>
#include <mferror.h>
#include <stdlib.h>

static const DWORD kMaxStreams = 64;
static const UINT32 kMaxChannels = kMaxSpeakers;
static const UINT32 kMaxRate = 384000;
static const UINT32 kMaxSide = 16384;
static const LONG kHdLines = 720;

// The decoders' forms that the converter reads, the cheapest to convert first.
static const GUID *const kDecodedVideo[] = {&MFVideoFormat_NV12, &MFVideoFormat_YV12, &MFVideoFormat_IYUV,
                                            &MFVideoFormat_YUY2};

// The file's default stream of each kind is the one the reader has selected as it opens (a film's
// first language, not its commentary); where none is, the first.
void FindStreams(IMFSourceReader *reader, DWORD *audio, DWORD *video)
{
    DWORD first[2] = {kNoStream, kNoStream}, chosen[2] = {kNoStream, kNoStream};
    for (DWORD stream = 0; stream < kMaxStreams; stream++) {
        IMFMediaType *type = NULL;
        HRESULT hr = reader->GetNativeMediaType(stream, 0, &type);
        if (hr == MF_E_INVALIDSTREAMNUMBER)
            break;
        if (FAILED(hr))
            continue;
        GUID major = GUID_NULL;
        type->GetMajorType(&major);
        type->Release();
        int kind = IsEqualGUID(major, MFMediaType_Audio) ? AudioPin : IsEqualGUID(major, MFMediaType_Video) ? VideoPin : -1;
        BOOL selected = FALSE;
        if (kind < 0)
            continue;
        if (first[kind] == kNoStream)
            first[kind] = stream;
        if (chosen[kind] == kNoStream && SUCCEEDED(reader->GetStreamSelection(stream, &selected)) && selected)
            chosen[kind] = stream;
    }
    *audio = chosen[AudioPin] != kNoStream ? chosen[AudioPin] : first[AudioPin];
    *video = chosen[VideoPin] != kNoStream ? chosen[VideoPin] : first[VideoPin];
}

HRESULT AskForType(IMFSourceReader *reader, DWORD stream, const GUID &major, const GUID &subtype, UINT32 bits)
{
    IMFMediaType *type = NULL;
    HRESULT hr = CreateMediaType(&type);
    if (FAILED(hr))
        return hr;
    type->SetGUID(MF_MT_MAJOR_TYPE, major);
    type->SetGUID(MF_MT_SUBTYPE, subtype);
    if (IsEqualGUID(major, MFMediaType_Audio))
        type->SetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, bits);
    hr = reader->SetCurrentMediaType(stream, NULL, type);
    type->Release();
    return hr;
}

static SourcePin *AddPin(SourceFilter *filter, PinKind kind, DWORD stream)
{
    SourcePin *pin = &filter->pins[filter->pinCount++];
    pin->filter = filter;
    pin->kind = kind;
    pin->stream = stream;
    return pin;
}

HRESULT AddSoundPin(SourceFilter *filter, DWORD stream, WORD channels, DWORD rate, DWORD mask)
{
    if (channels < 1 || channels > kMaxChannels || rate < 1 || rate > kMaxRate)
        return MF_E_INVALIDMEDIATYPE;
    DWORD layout = SpeakerLayout(channels, mask);
    // Made now, so that a clip whose stretch cannot be had goes to the engine's own graph.
    filter->stretched = (short *)malloc(kStretchedFrames * channels * sizeof(short));
    if (!filter->stretched || !StartStretch(&filter->stretch, channels, rate, layout))
        return E_OUTOFMEMORY;
    SourcePin *pin = AddPin(filter, AudioPin, stream);
    pin->decodedChannels = channels;
    pin->layout = layout;
    AudioMediaType(&pin->type, &pin->speakers, channels, rate, layout);
    return S_OK;
}

static HRESULT ChooseAudio(SourceFilter *filter, DWORD stream)
{
    HRESULT hr = AskForType(filter->reader, stream, MFMediaType_Audio, MFAudioFormat_PCM, 16);
    IMFMediaType *type = NULL;
    if (FAILED(hr) || FAILED(hr = filter->reader->GetCurrentMediaType(stream, &type)))
        return hr;
    UINT32 channels = 0, rate = 0, bits = 0, mask = 0;
    type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    if (FAILED(type->GetUINT32(MF_MT_AUDIO_CHANNEL_MASK, &mask)))
        mask = 0;
    type->Release();
    if (channels > kMaxChannels || bits != 16)
        return MF_E_INVALIDMEDIATYPE;
    return AddSoundPin(filter, stream, (WORD)channels, rate, mask);
}

// The picture is the frame less the decoder's padding, when the decoder says where that is.
static void FindPicture(IMFMediaType *type, FrameLayout *layout)
{
    layout->left = layout->top = 0;
    layout->shownWidth = layout->width;
    layout->shownHeight = layout->height;
    MFVideoArea area;
    if (FAILED(type->GetBlob(MF_MT_MINIMUM_DISPLAY_APERTURE, (UINT8 *)&area, sizeof(area), NULL)))
        return;
    LONG left = area.OffsetX.value & ~1, top = area.OffsetY.value & ~1;
    if (left < 0 || top < 0 || area.Area.cx < 1 || area.Area.cy < 1 || left + area.Area.cx > layout->width ||
        top + area.Area.cy > layout->height)
        return;
    layout->left = left;
    layout->top = top;
    layout->shownWidth = area.Area.cx;
    layout->shownHeight = area.Area.cy;
}

// The decoder may leave out of its type what the container said of the stream.
static bool Says(IMFMediaType *type, IMFMediaType *native, REFGUID key, UINT32 *value)
{
    return SUCCEEDED(type->GetUINT32(key, value)) || (native && SUCCEEDED(native->GetUINT32(key, value)));
}

void ReadPictureForm(IMFMediaType *type, IMFMediaType *native, FrameLayout *layout)
{
    FindPicture(type, layout);
    // A stream that does not say is taken by its size, as HD video is made in BT.709.
    UINT32 matrix = 0;
    layout->bt709 = SUCCEEDED(type->GetUINT32(MF_MT_YUV_MATRIX, &matrix)) ? matrix == MFVideoTransferMatrix_BT709
                                                                          : layout->shownHeight >= kHdLines;
    // Video is in studio range unless its type says it is in full range, as JPEG's frames are.
    UINT32 range = 0;
    layout->fullRange = Says(type, native, MF_MT_VIDEO_NOMINAL_RANGE, &range) && range == MFNominalRange_0_255;
    // A phone held upright records its frames on their side and says how far they were turned
    // (counter-clockwise): the picture is turned back as far.
    UINT32 rotation = 0;
    layout->rotation = Says(type, native, MF_MT_VIDEO_ROTATION, &rotation) &&
                               (rotation == 90 || rotation == 180 || rotation == 270)
                           ? (int)rotation
                           : 0;
}

static HRESULT ChooseVideo(SourceFilter *filter, DWORD stream)
{
    HRESULT hr = E_FAIL;
    FrameLayout *layout = &filter->frame;
    for (const GUID *subtype : kDecodedVideo) {
        if (SUCCEEDED(hr = AskForType(filter->reader, stream, MFMediaType_Video, *subtype, 0))) {
            layout->subtype = *subtype;
            break;
        }
    }
    IMFMediaType *type = NULL;
    if (FAILED(hr) || FAILED(hr = filter->reader->GetCurrentMediaType(stream, &type)))
        return hr;
    UINT64 size = 0, rate = 0;
    UINT32 stride = 0;
    type->GetUINT64(MF_MT_FRAME_SIZE, &size);
    type->GetUINT64(MF_MT_FRAME_RATE, &rate);
    layout->width = (LONG)(size >> 32);
    layout->height = (LONG)(UINT32)size;
    layout->stride = SUCCEEDED(type->GetUINT32(MF_MT_DEFAULT_STRIDE, &stride)) && (LONG)stride > 0 ? (LONG)stride : 0;
    IMFMediaType *native = NULL;
    if (FAILED(filter->reader->GetNativeMediaType(stream, 0, &native)))
        native = NULL;
    ReadPictureForm(type, native, layout);
    if (native)
        native->Release();
    type->Release();
    if (layout->width < 1 || layout->height < 1 || (UINT32)layout->width > kMaxSide || (UINT32)layout->height > kMaxSide)
        return MF_E_INVALIDMEDIATYPE;
    UINT32 frames = (UINT32)(rate >> 32), seconds = (UINT32)rate;
    REFERENCE_TIME frameTime = frames ? (REFERENCE_TIME)seconds * 10000000 / frames : 0;
    SourcePin *pin = AddPin(filter, VideoPin, stream);
    VideoMediaType(&pin->type, &pin->video, UprightWidth(layout), UprightHeight(layout), frameTime);
    return S_OK;
}

static REFERENCE_TIME Duration(IMFSourceReader *reader)
{
    PROPVARIANT value;
    PropVariantInit(&value);
    REFERENCE_TIME duration = 0;
    if (SUCCEEDED(reader->GetPresentationAttribute(MF_SOURCE_READER_MEDIASOURCE, MF_PD_DURATION, &value)) &&
        value.vt == VT_UI8 && value.uhVal.QuadPart < (ULONGLONG)MAXLONGLONG)
        duration = (REFERENCE_TIME)value.uhVal.QuadPart;
    PropVariantClear(&value);
    return duration;
}

// A stream that is there but cannot be decoded fails the whole clip, so that it goes to the
// platform's own graph rather than play without its sound or its picture.
HRESULT ChooseSourceStreams(SourceFilter *filter)
{
    DWORD audio, video;
    FindStreams(filter->reader, &audio, &video);
    if (audio == kNoStream && video == kNoStream)
        return MF_E_INVALIDSTREAMNUMBER;
    HRESULT hr = filter->reader->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE);
    if (SUCCEEDED(hr) && audio != kNoStream && SUCCEEDED(hr = filter->reader->SetStreamSelection(audio, TRUE)))
        hr = ChooseAudio(filter, audio);
    if (SUCCEEDED(hr) && video != kNoStream && SUCCEEDED(hr = filter->reader->SetStreamSelection(video, TRUE)))
        hr = ChooseVideo(filter, video);
    if (FAILED(hr))
        return hr;
    filter->duration = Duration(filter->reader);
    return S_OK;
}

bool LockSampleBytes(IMFSample *sample, IMFMediaBuffer **buffer, BYTE **data, DWORD *length)
{
    *buffer = NULL;
    if (FAILED(sample->ConvertToContiguousBuffer(buffer)))
        return false;
    if (FAILED((*buffer)->Lock(data, NULL, length))) {
        (*buffer)->Release();
        *buffer = NULL;
        return false;
    }
    return true;
}
