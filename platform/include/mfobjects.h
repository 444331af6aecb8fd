/* Stand-in for Media Foundation's objects, each with only the methods the player calls; the scripted
   reader (platform/source_reader.cpp) hands out media types alone, as nothing reads samples natively. */
#pragma once

#include <windows.h>

#define MF_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}

typedef unsigned short VARTYPE;
enum VARENUM { VT_EMPTY = 0, VT_I8 = 20, VT_UI8 = 21 };
typedef struct tagPROPVARIANT {
    VARTYPE vt;
    WORD wReserved1, wReserved2, wReserved3;
    union { LARGE_INTEGER hVal; ULARGE_INTEGER uhVal; };
} PROPVARIANT;
typedef const PROPVARIANT &REFPROPVARIANT;
inline void PropVariantInit(PROPVARIANT *value) { memset(value, 0, sizeof(*value)); }
HRESULT PropVariantClear(PROPVARIANT *value);

typedef struct _MFOffset { WORD fract; short value; } MFOffset;
typedef struct _MFVideoArea { MFOffset OffsetX, OffsetY; SIZE Area; } MFVideoArea;

struct IMFAttributes : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetUINT32(REFGUID key, UINT32 *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUINT64(REFGUID key, UINT64 *value) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBlob(REFGUID key, UINT8 *buffer, UINT32 bufferSize, UINT32 *blobSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetUINT32(REFGUID key, UINT32 value) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGUID(REFGUID key, REFGUID value) = 0;
};
struct IMFMediaType : IMFAttributes {
    virtual HRESULT STDMETHODCALLTYPE GetMajorType(GUID *major) = 0;
};
struct IMFMediaBuffer : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Lock(BYTE **data, DWORD *maxLength, DWORD *currentLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unlock() = 0;
};
struct IMFSample : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSampleDuration(LONGLONG *duration) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConvertToContiguousBuffer(IMFMediaBuffer **buffer) = 0;
};
