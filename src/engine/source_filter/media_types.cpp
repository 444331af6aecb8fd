// Media types as the renderers take them: complete, fixed-size samples, no compression.
#include "engine/source_filter/media_types.h"

#include <string.h>

void AudioMediaType(AM_MEDIA_TYPE *type, WAVEFORMATEXTENSIBLE *format, WORD channels, DWORD rate, DWORD layout)
{
    ZeroMemory(format, sizeof(*format));
    WAVEFORMATEX *wave = &format->Format;
    wave->wFormatTag = WAVE_FORMAT_PCM;
    wave->nChannels = channels;
    wave->nSamplesPerSec = rate;
    wave->wBitsPerSample = 16;
    wave->nBlockAlign = (WORD)(channels * 2);
    wave->nAvgBytesPerSec = rate * wave->nBlockAlign;
    ULONG size = sizeof(*wave);
    if (channels > 2) {
        wave->wFormatTag = WAVE_FORMAT_EXTENSIBLE;
        wave->cbSize = sizeof(*format) - sizeof(*wave);
        format->Samples.wValidBitsPerSample = 16;
        format->dwChannelMask = layout;
        format->SubFormat = MEDIASUBTYPE_PCM;  // the same GUID as KSDATAFORMAT_SUBTYPE_PCM
        size = sizeof(*format);
    }
    ZeroMemory(type, sizeof(*type));
    type->majortype = MEDIATYPE_Audio;
    type->subtype = MEDIASUBTYPE_PCM;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = wave->nBlockAlign;
    type->formattype = FORMAT_WaveFormatEx;
    type->cbFormat = size;
    type->pbFormat = (BYTE *)format;
}

void VideoMediaType(AM_MEDIA_TYPE *type, VIDEOINFOHEADER *format, LONG width, LONG height, REFERENCE_TIME frameTime)
{
    ZeroMemory(format, sizeof(*format));
    format->AvgTimePerFrame = frameTime;
    BITMAPINFOHEADER *bitmap = &format->bmiHeader;
    bitmap->biSize = sizeof(*bitmap);
    bitmap->biWidth = width;
    bitmap->biHeight = height;
    bitmap->biPlanes = 1;
    bitmap->biBitCount = 32;
    bitmap->biCompression = BI_RGB;
    bitmap->biSizeImage = (DWORD)width * (DWORD)height * 4;
    ZeroMemory(type, sizeof(*type));
    type->majortype = MEDIATYPE_Video;
    type->subtype = MEDIASUBTYPE_RGB32;
    type->bFixedSizeSamples = TRUE;
    type->lSampleSize = bitmap->biSizeImage;
    type->formattype = FORMAT_VideoInfo;
    type->cbFormat = sizeof(*format);
    type->pbFormat = (BYTE *)format;
}

HRESULT CopyOfMediaType(AM_MEDIA_TYPE *copy, const AM_MEDIA_TYPE *type)
{
    *copy = *type;
    copy->pUnk = NULL;
    copy->pbFormat = (BYTE *)CoTaskMemAlloc(type->cbFormat);
    if (!copy->pbFormat) {
        copy->cbFormat = 0;
        return E_OUTOFMEMORY;
    }
    memcpy(copy->pbFormat, type->pbFormat, type->cbFormat);
    return S_OK;
}

static bool Matches(const GUID &offered, const GUID &asked)
{
    return IsEqualGUID(asked, GUID_NULL) || IsEqualGUID(asked, offered);
}

bool MatchesMediaType(const AM_MEDIA_TYPE *offered, const AM_MEDIA_TYPE *asked)
{
    if (!Matches(offered->majortype, asked->majortype) || !Matches(offered->subtype, asked->subtype) ||
        !Matches(offered->formattype, asked->formattype))
        return false;
    return IsEqualGUID(asked->formattype, GUID_NULL) ||
           (asked->cbFormat == offered->cbFormat && asked->pbFormat &&
            memcmp(asked->pbFormat, offered->pbFormat, offered->cbFormat) == 0);
}
