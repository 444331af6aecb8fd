// The player's own source filter: a clip read by Media Foundation's source reader, pushed into
// the graph's own renderers as 16-bit PCM and RGB32. The objects the graph calls back, their
// shared state and the streaming thread that feeds them.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <mfidl.h>
#include <mfreadwrite.h>
#include <mmreg.h>
#include <amvideo.h>

#include "engine/source_filter/downmix.h"
#include "engine/source_filter/level.h"
#include "engine/source_filter/pixels.h"
#include "engine/source_filter/stretch.h"
#include "engine/source_filter/timeline.h"

struct SourceFilter;

// Frames of stretched sound made at a time.
static const DWORD kStretchedFrames = 4096;

enum PinKind { AudioPin = 0, VideoPin = 1 };

struct SourcePin final : IPin, IMediaSeeking {
    // IUnknown, shared by both faces: QueryInterface answers IUnknown, IPin and IMediaSeeking
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IPin, an output pin
    HRESULT STDMETHODCALLTYPE Connect(IPin *receiver, const AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin *connector, const AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE Disconnect() override;
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin **pin) override;
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO *info) override;
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION *direction) override;
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR *id) override;
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE *type) override;
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes **enumerator) override;
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin **pins, ULONG *count) override;
    HRESULT STDMETHODCALLTYPE EndOfStream() override;
    HRESULT STDMETHODCALLTYPE BeginFlush() override;
    HRESULT STDMETHODCALLTYPE EndFlush() override;
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    // IMediaSeeking, in media time only
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD *capabilities) override;
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD *capabilities) override;
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID *format) override;
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID *format) override;
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID *format) override;
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID *format) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID *format) override;
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG *duration) override;
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG *stop) override;
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG *current) override;
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG *target, const GUID *targetFormat, LONGLONG source,
                                                const GUID *sourceFormat) override;
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG *current, DWORD currentFlags, LONGLONG *stop, DWORD stopFlags) override;
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG *current, LONGLONG *stop) override;
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG *earliest, LONGLONG *latest) override;
    HRESULT STDMETHODCALLTYPE SetRate(double rate) override;
    HRESULT STDMETHODCALLTYPE GetRate(double *rate) override;
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG *preroll) override;

    SourceFilter   *filter;      // owner: the pin counts its references on the filter
    PinKind         kind;
    DWORD           stream;      // the reader's index of the stream this pin carries
    AM_MEDIA_TYPE   type;        // the one type offered; its format block is below
    union {
        WAVEFORMATEX         wave;      // the sound as it goes out
        WAVEFORMATEXTENSIBLE speakers;  // the same with its speakers named, for more than two channels
    };
    VIDEOINFOHEADER video;
    WORD            decodedChannels; // the sound as the reader gives it, its channels in the order of
    DWORD           layout;          // these speakers (SPEAKER_ bits)
    Downmix         downmix;     // the decoded channels mixed to stereo for a renderer that takes no more
    IPin           *peer;        // the connected renderer's pin, or NULL
    IMemInputPin   *input;       // the same pin, for samples
    IMemAllocator  *allocator;   // the buffers agreed with it
    // The pin's streaming thread and what it streams. The thread holds streamingLock across each
    // read and delivery, so that a flush, once it holds the lock, knows the thread has let go.
    HANDLE           thread;
    HANDLE           wake;        // set when an idle thread has something to do again
    CRITICAL_SECTION streamingLock;
    // Below, under the filter's lock
    bool            flushing;    // a seek is flushing the renderer: nothing goes out
    bool            ended;       // the stream's end (or the stop position) has gone out, or the read failed
    // Below, the thread's own while it holds streamingLock; set by a flush while it holds it instead
    Timeline        segment;     // the timeline as the segment started: its start, anchor and rate
    bool            discontinuity; // the next sample follows a seek
    bool            soundStarted;  // the stretched sound's first stream time is known
    REFERENCE_TIME  soundBase;   // stream time of the segment's first stretched frame
    LONGLONG        soundFrames; // stretched frames sent since then, counted so that no rounding adds up
    REFERENCE_TIME  readUpTo;    // media time up to which the stream has gone out
};

struct SourceFilter final : IBaseFilter {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID *id) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE Pause() override;
    HRESULT STDMETHODCALLTYPE Run(REFERENCE_TIME start) override;
    HRESULT STDMETHODCALLTYPE GetState(DWORD timeout, FILTER_STATE *state) override;
    HRESULT STDMETHODCALLTYPE SetSyncSource(IReferenceClock *clock) override;
    HRESULT STDMETHODCALLTYPE GetSyncSource(IReferenceClock **clock) override;
    HRESULT STDMETHODCALLTYPE EnumPins(IEnumPins **enumerator) override;
    HRESULT STDMETHODCALLTYPE FindPin(LPCWSTR id, IPin **pin) override;
    HRESULT STDMETHODCALLTYPE QueryFilterInfo(FILTER_INFO *info) override;
    HRESULT STDMETHODCALLTYPE JoinFilterGraph(IFilterGraph *graph, LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE QueryVendorInfo(LPWSTR *info) override;

    LONG              refs;
    CRITICAL_SECTION  lock;       // guards the state, the clock, the timeline and the pins' flags
    IFilterGraph     *graph;      // the graph that holds the filter; not counted, as the graph holds it
    WCHAR             name[128];
    IReferenceClock  *clock;
    IMFSourceReader  *reader;     // read by the pins' threads, each its own stream; sought only while they let go
    SourcePin         pins[2];
    int               pinCount;
    REFERENCE_TIME    duration;
    Stretch           stretch;    // the sound at another rate than normal: the audio pin's thread's
    short            *stretched;  // kStretchedFrames of its output
    Leveller          level;      // the voices levelled before the stretch: the audio pin's thread's
    bool              levelling;  // the player asks for the level; the thread follows at its next delivery
    SideHeard         side;       // the front side the player asks to hear, or both
    Timeline          timeline;   // the place, and in its end the stop position, honoured to the sample
    FrameLayout       frame;      // the video stream's decoded frames
    LONG              rowPixels;  // pixels a row of the renderer's video buffers, which may ask for a wider row
    bool              topDown;    // the renderer asked for the rows top-down
    int               lastSeekPin; // the pin that asked for the last seek, so that its twin's request is not done twice
    bool              quit;       // the streaming threads are to end
    bool              readFailed; // the segment could not be read on, and the graph has been told
};

// filter.cpp
HRESULT CreateSourceFilter(IMFSourceReader *reader, SourceFilter **filter);
REFERENCE_TIME FilterTime(SourceFilter *filter);
// seeking.cpp: the one seeking object that both pins' IMediaSeeking forward to
HRESULT SetSourcePositions(SourceFilter *filter, const SourcePin *pin, LONGLONG *current, DWORD currentFlags,
                           LONGLONG *stop, DWORD stopFlags);
REFERENCE_TIME SourceStopPosition(SourceFilter *filter);
bool    SetSourceRate(SourceFilter *filter, double rate);
REFERENCE_TIME SourceFilterPlace(SourceFilter *filter);
// The reader to timeline.segmentStart; then every pin's new segment from the timeline, and the
// renderers told of it. The pins' threads are held or not yet started.
HRESULT MoveReader(SourceFilter *filter);
void    StartSegments(SourceFilter *filter);
void    SendNewSegments(SourceFilter *filter);
// pin.cpp
const WCHAR *PinName(const SourcePin *pin);
void    ReleaseSourcePin(SourcePin *pin);
// enum_pins.cpp, enum_media_types.cpp
HRESULT CreatePinEnumerator(SourceFilter *filter, ULONG position, IEnumPins **enumerator);
HRESULT CreateMediaTypeEnumerator(SourcePin *pin, ULONG position, IEnumMediaTypes **enumerator);
// media_foundation.cpp: the two calls the source makes of Media Foundation, which may be missing
HRESULT CreateSourceReader(const WCHAR *path, IMFSourceReader **reader);
HRESULT CreateMediaType(IMFMediaType **type);
// reader.cpp: the pins' streams and types, and the clip's duration
HRESULT ChooseSourceStreams(SourceFilter *filter);
// The file's default stream of each kind, as the reader selected it at its open, else the first of
// its kind; kNoStream where it has none.
static const DWORD kNoStream = 0xFFFFFFFF;
void    FindStreams(IMFSourceReader *reader, DWORD *audio, DWORD *video);
// A stream's decoded form asked of the reader; bits: a sound sample's (a picture's form has none).
HRESULT AskForType(IMFSourceReader *reader, DWORD stream, const GUID &major, const GUID &subtype, UINT32 bits);
// A sample's bytes in one piece, locked; the caller unlocks and releases the buffer.
bool    LockSampleBytes(IMFSample *sample, IMFMediaBuffer **buffer, BYTE **data, DWORD *length);
// What a decoded video type says of its picture beyond its size: where it lies in the frame (the
// frame's width and height already in the layout), its colours, its range and its rotation; the
// last two, where it does not say them, as the stream's native type (NULL: none) says them.
void    ReadPictureForm(IMFMediaType *type, IMFMediaType *native, FrameLayout *layout);
// The sound pin for a stream decoded so, mask as the decoder names its speakers (0 when it does not).
HRESULT AddSoundPin(SourceFilter *filter, DWORD stream, WORD channels, DWORD rate, DWORD mask);
// streaming.cpp: a thread for each connected pin, from Pause to Stop
HRESULT StartStreaming(SourceFilter *filter);
void    StopStreaming(SourceFilter *filter);
void    WakeStreaming(SourcePin *pin);
