/* Stand-in for the DirectShow header: the filter graph's interfaces, each with only the
   methods the player calls, served by the scripted filter graph in platform/filter_graph.cpp. */
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

enum AM_SEEKING_SEEKING_FLAGS {
    AM_SEEKING_NoPositioning = 0,
    AM_SEEKING_AbsolutePositioning = 0x1,
    AM_SEEKING_SeekToKeyFrame = 0x4,
    AM_SEEKING_Segment = 0x10,
    AM_SEEKING_NoFlush = 0x20,
};

struct IGraphBuilder : IUnknown {
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
    virtual HRESULT GetDuration(LONGLONG *duration) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG *position) = 0;
    virtual HRESULT SetPositions(LONGLONG *current, DWORD currentFlags, LONGLONG *stop, DWORD stopFlags) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double *rate) = 0;
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
