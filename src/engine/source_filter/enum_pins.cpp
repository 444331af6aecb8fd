// The filter's pins, one after another, for the graph that renders them.
#include "engine/source_filter/source_filter.h"

#include <new>

struct PinEnumerator final : IEnumPins {
    LONG          refs;
    SourceFilter *filter;    // held: its pins live as long as it does
    ULONG         position;  // the next pin handed out

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IEnumPins)) {
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
            filter->Release();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin **pins, ULONG *fetched) override
    {
        if (!pins || (count > 1 && !fetched))
            return E_POINTER;
        ULONG given = 0;
        while (given < count && position < (ULONG)filter->pinCount) {
            pins[given] = static_cast<IPin *>(&filter->pins[position++]);
            pins[given++]->AddRef();
        }
        if (fetched)
            *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        ULONG left = (ULONG)filter->pinCount - position;
        position += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        position = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumPins **copy) override
    {
        if (!copy)
            return E_POINTER;
        return CreatePinEnumerator(filter, position, copy);
    }
};

HRESULT CreatePinEnumerator(SourceFilter *filter, ULONG position, IEnumPins **enumerator)
{
    PinEnumerator *pins = new (std::nothrow) PinEnumerator();
    *enumerator = pins;
    if (!pins)
        return E_OUTOFMEMORY;
    pins->refs = 1;
    pins->filter = filter;
    pins->position = position;
    filter->AddRef();
    return S_OK;
}
