/* Stand-in for the DirectShow header: the filter graph's interfaces, each with only the
   methods the player calls, served by the scripted filter graph in platform/filter_graph.cpp;
   those the player's own source filter implements, with every method it overrides. */
#pragma once

#include <windows.h>

typedef LONGLONG REFERENCE_TIME;
typedef LONG_PTR OAHWND;
typedef long OAFilterState;
enum FILTER_STATE { State_Stopped = 0, State_Paused = 1, State_Running = 2 };
#define OATRUE  (-1)
#define OAFALSE (0)

#define EC_COMPLETE        0x01
#define EC_ERRORABORT      0x03
#define EC_CLOCK_CHANGED   0x0D
#define EC_END_OF_SEGMENT  0x1C
#define VFW_S_STATE_INTERMEDIATE ((HRESULT)0x00040237L)
#define VFW_E_ALREADY_CONNECTED  ((HRESULT)0x80040204L)
#define VFW_E_NOT_CONNECTED      ((HRESULT)0x80040209L)
#define VFW_E_NOT_FOUND          ((HRESULT)0x80040216L)
#define VFW_E_NOT_STOPPED        ((HRESULT)0x80040224L)
#define VFW_E_TYPE_NOT_ACCEPTED  ((HRESULT)0x8004022AL)

enum AM_SEEKING_SEEKING_FLAGS {
    AM_SEEKING_NoPositioning = 0,
    AM_SEEKING_AbsolutePositioning = 0x1,
    AM_SEEKING_RelativePositioning = 0x2,
    AM_SEEKING_IncrementalPositioning = 0x3,
    AM_SEEKING_PositioningBitsMask = 0x3,
    AM_SEEKING_SeekToKeyFrame = 0x4,
    AM_SEEKING_ReturnTime = 0x8,
    AM_SEEKING_Segment = 0x10,
    AM_SEEKING_NoFlush = 0x20,
};

enum AM_SEEKING_SEEKING_CAPABILITIES {
    AM_SEEKING_CanSeekAbsolute = 0x1,
    AM_SEEKING_CanSeekForwards = 0x2,
    AM_SEEKING_CanSeekBackwards = 0x4,
    AM_SEEKING_CanGetCurrentPos = 0x8,
    AM_SEEKING_CanGetStopPos = 0x10,
    AM_SEEKING_CanGetDuration = 0x20,
};

typedef struct _AMMediaType {
    GUID majortype, subtype;
    BOOL bFixedSizeSamples, bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown *pUnk;
    ULONG cbFormat;
    BYTE *pbFormat;
} AM_MEDIA_TYPE;
enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };
struct IBaseFilter;
struct IFilterGraph;
struct IReferenceClock;
typedef struct _PinInfo { IBaseFilter *pFilter; PIN_DIRECTION dir; WCHAR achName[128]; } PIN_INFO;
typedef struct _FilterInfo { WCHAR achName[128]; IFilterGraph *pGraph; } FILTER_INFO;
typedef struct _AllocatorProperties { long cBuffers, cbBuffer, cbAlign, cbPrefix; } ALLOCATOR_PROPERTIES;

struct IEnumMediaTypes : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, AM_MEDIA_TYPE **types, ULONG *fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumMediaTypes **copy) = 0;
};
struct IPin : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Connect(IPin *receiver, const AM_MEDIA_TYPE *type) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin *connector, const AM_MEDIA_TYPE *type) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectedTo(IPin **pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE *type) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO *info) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION *direction) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryId(LPWSTR *id) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE *type) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes **enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin **pins, ULONG *count) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndOfStream() = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginFlush() = 0;
    virtual HRESULT STDMETHODCALLTYPE EndFlush() = 0;
    virtual HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};
struct IEnumPins : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IPin **pins, ULONG *fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumPins **copy) = 0;
};
struct IReferenceClock : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME *time) = 0;
};
struct IPersist : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID *id) = 0;
};
struct IMediaFilter : IPersist {
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Pause() = 0;
    virtual HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE *state) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock *clock) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock **clock) = 0;
};
struct IBaseFilter : IMediaFilter {
    virtual HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins **enumerator) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin **pin) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO *info) = 0;
    virtual HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph *graph, LPCWSTR name) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR *info) = 0;
};
struct IMediaSample : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPointer(BYTE **buffer) = 0;
    virtual long STDMETHODCALLTYPE GetSize() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTime(REFERENCE_TIME *start, REFERENCE_TIME *end) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSyncPoint(BOOL syncPoint) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDiscontinuity(BOOL discontinuity) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE **type) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetActualDataLength(long length) = 0;
};
struct IMemAllocator : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES *wanted, ALLOCATOR_PROPERTIES *actual) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
    virtual HRESULT STDMETHODCALLTYPE Decommit() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample **sample, REFERENCE_TIME *start, REFERENCE_TIME *end,
                                                DWORD flags) = 0;
};
struct IMemInputPin : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator **allocator) = 0;
    virtual HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator *allocator, BOOL readOnly) = 0;
    virtual HRESULT STDMETHODCALLTYPE Receive(IMediaSample *sample) = 0;
};
struct IFilterGraph : IUnknown {
    virtual HRESULT AddFilter(IBaseFilter *filter, LPCWSTR name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter *filter) = 0;
};
struct IMediaEventSink : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Notify(long code, LONG_PTR param1, LONG_PTR param2) = 0;
};
struct IGraphBuilder : IFilterGraph {
    virtual HRESULT Render(IPin *output) = 0;
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
};
struct IMediaControl : IUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG timeout, OAFilterState *state) = 0;
};
struct IMediaEventEx : IUnknown {
    virtual HRESULT GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long timeout) = 0;
    virtual HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) = 0;
    virtual HRESULT SetNotifyWindow(OAHWND hwnd, long message, LONG_PTR instanceData) = 0;
};
struct IMediaSeeking : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD *capabilities) = 0;
    virtual HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD *capabilities) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID *format) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID *format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID *format) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID *format) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID *format) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG *duration) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG *stop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG *position) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG *target, const GUID *targetFormat, LONGLONG source,
                                                        const GUID *sourceFormat) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG *current, DWORD currentFlags, LONGLONG *stop,
                                                   DWORD stopFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG *current, LONGLONG *stop) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG *earliest, LONGLONG *latest) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRate(double rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRate(double *rate) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG *preroll) = 0;
};
struct IVideoWindow : IUnknown {
    virtual HRESULT put_WindowStyle(long style) = 0;
    virtual HRESULT put_Visible(long visible) = 0;
    virtual HRESULT get_Visible(long *visible) = 0;
    virtual HRESULT put_Owner(OAHWND owner) = 0;
    virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
    virtual HRESULT get_MessageDrain(OAHWND *drain) = 0;
    virtual HRESULT get_FullScreenMode(long *mode) = 0;
    virtual HRESULT put_FullScreenMode(long mode) = 0;
    virtual HRESULT SetWindowForeground(long focus) = 0;
    virtual HRESULT NotifyOwnerMessage(OAHWND hwnd, long message, LONG_PTR wParam, LONG_PTR lParam) = 0;
    virtual HRESULT SetWindowPosition(long left, long top, long width, long height) = 0;
};
struct IBasicVideo : IUnknown {
    virtual HRESULT GetVideoSize(long *width, long *height) = 0;
};
struct IBasicAudio : IUnknown {
    virtual HRESULT put_Volume(long volume) = 0;
    virtual HRESULT get_Volume(long *volume) = 0;
};

extern const CLSID CLSID_FilterGraph;
extern const IID IID_IGraphBuilder;
extern const IID IID_IMediaControl;
extern const IID IID_IMediaEventEx;
extern const IID IID_IMediaSeeking;
extern const IID IID_IVideoWindow;
extern const IID IID_IBasicVideo;
extern const IID IID_IBasicAudio;

#define DSHOW_GUID(name, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    inline const GUID name = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}
DSHOW_GUID(IID_IPersist, 0x0000010c, 0x0000, 0x0000, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
DSHOW_GUID(IID_IPin, 0x56a86891, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(IID_IEnumPins, 0x56a86892, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(IID_IBaseFilter, 0x56a86895, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(IID_IMediaFilter, 0x56a86899, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(IID_IMemAllocator, 0x56a8689c, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(IID_IMemInputPin, 0x56a8689d, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(IID_IMediaEventSink, 0x56a868a2, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(IID_IEnumMediaTypes, 0x89c31040, 0x846b, 0x11ce, 0x97, 0xd3, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a);
DSHOW_GUID(CLSID_MemoryAllocator, 0x1e651cc0, 0xb199, 0x11d0, 0x82, 0x12, 0x00, 0xc0, 0x4f, 0xc3, 0x2c, 0x45);
DSHOW_GUID(TIME_FORMAT_MEDIA_TIME, 0x7b785574, 0x8c82, 0x11cf, 0xbc, 0x0c, 0x00, 0xaa, 0x00, 0xac, 0x74, 0xf6);
DSHOW_GUID(MEDIATYPE_Audio, 0x73647561, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71);
DSHOW_GUID(MEDIATYPE_Video, 0x73646976, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71);
DSHOW_GUID(MEDIASUBTYPE_PCM, 0x00000001, 0x0000, 0x0010, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71);
DSHOW_GUID(MEDIASUBTYPE_RGB32, 0xe436eb7e, 0x524f, 0x11ce, 0x9f, 0x53, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70);
DSHOW_GUID(FORMAT_VideoInfo, 0x05589f80, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a);
DSHOW_GUID(FORMAT_WaveFormatEx, 0x05589f81, 0xc356, 0x11ce, 0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a);
