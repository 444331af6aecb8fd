/* Stand-in for Media Foundation's source reader, with only the methods the player calls; a test
   scripts the clips it opens (standin.h), and every other path fails as an unknown byte stream. */
#pragma once

#include <mfobjects.h>

#define MF_SOURCE_READER_ALL_STREAMS 0xFFFFFFFEu
#define MF_SOURCE_READER_MEDIASOURCE 0xFFFFFFFFu
#define MF_SOURCE_READERF_ERROR       0x1
#define MF_SOURCE_READERF_ENDOFSTREAM 0x2
#define MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED 0x20

struct IMFSourceReader : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetStreamSelection(DWORD stream, BOOL *selected) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStreamSelection(DWORD stream, BOOL selected) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNativeMediaType(DWORD stream, DWORD index, IMFMediaType **type) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentMediaType(DWORD stream, IMFMediaType **type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCurrentMediaType(DWORD stream, DWORD *reserved, IMFMediaType *type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetCurrentPosition(REFGUID format, REFPROPVARIANT position) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReadSample(DWORD stream, DWORD control, DWORD *actualStream, DWORD *flags,
                                                 LONGLONG *timestamp, IMFSample **sample) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPresentationAttribute(DWORD stream, REFGUID attribute, PROPVARIANT *value) = 0;
};

HRESULT MFCreateSourceReaderFromURL(LPCWSTR url, IMFAttributes *attributes, IMFSourceReader **reader);
