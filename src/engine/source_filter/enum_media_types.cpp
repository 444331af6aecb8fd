// A pin's one media type, handed out as a copy the caller frees.
#include "engine/source_filter/source_filter.h"
#include "engine/source_filter/media_types.h"

#include <new>

struct MediaTypeEnumerator final : IEnumMediaTypes {
    LONG       refs;
    SourcePin *pin;       // held through its filter
    ULONG      position;  // 0 before the type is handed out, 1 after

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumMediaTypes)) {
            *object = NULL;
            return E_NOINTERFACE;
        }
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0) {
            pin->Release();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE **types, ULONG *fetched) override
    {
        if (!types || (count > 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        if (count > 0 && position == 0) {
            AM_MEDIA_TYPE *copy = (AM_MEDIA_TYPE *)CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE));
            if (!copy)
                return E_OUTOFMEMORY;
            if (FAILED(CopyOfMediaType(copy, &pin->type))) {
                CoTaskMemFree(copy);
                return E_OUTOFMEMORY;
            }
            types[given++] = copy;
            position = 1;
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        ULONG left = 1 - position;
        position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes **copy) override
    {
        if (!copy)
            return E_POINTER;
        return CreateMediaTypeEnumerator(pin, position, copy);
    }
};

HRESULT CreateMediaTypeEnumerator(SourcePin *pin, ULONG position, IEnumMediaTypes **enumerator)
{
    MediaTypeEnumerator *types = new (std::nothrow) MediaTypeEnumerator();
    *enumerator = types;
    if (!types)
        return E_OUTOFMEMORY;
    types->refs = 1;
    types->pin = pin;
    types->position = position;
    pin->AddRef();
    return S_OK;
}
