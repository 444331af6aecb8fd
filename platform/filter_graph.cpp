/* The scripted filter graph: clips registered by path, every call logged with its arguments,
   injectable statuses, a test-fed event queue that posts the notify message, and a reference
   count per interface that fails the test on a leak or a double release. A filter added to it is
   held and let go as a graph holds its filters, but its pins are never connected: how a source
   streams in a graph is for Wine's own (tests/graph/). */
#include "internal.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <sstream>

const CLSID CLSID_FilterGraph = {0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IGraphBuilder = {0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaControl = {0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaEventEx = {0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IMediaSeeking = {0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
const IID IID_IVideoWindow = {0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IBasicVideo = {0x56A868B5, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
const IID IID_IBasicAudio = {0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

namespace {

struct Event { long code; LONG_PTR param1, param2; };
struct Graph;

// The clips and graphs of a fresh desktop.
struct FilterGraphs {
    std::vector<std::string> calls;
    std::map<std::string, HRESULT> failures, failuresOnce;
    std::map<std::string, standin::Clip> clips;
    std::vector<std::unique_ptr<Graph>> graphs;
    std::vector<std::pair<std::string, std::function<void()>>> callHooks;
} g;

HRESULT Answer(const char *method, HRESULT otherwise = S_OK)
{
    auto once = g.failuresOnce.find(method);
    if (once != g.failuresOnce.end()) {
        HRESULT status = once->second;
        g.failuresOnce.erase(once);
        return status;
    }
    auto always = g.failures.find(method);
    return always != g.failures.end() ? always->second : otherwise;
}

void Log(const std::string &call)
{
    g.calls.push_back(call);
    for (const auto &hook : g.callHooks)
        if (call == hook.first || call.rfind(hook.first + " ", 0) == 0)
            hook.second();
}

std::string Time(const LONGLONG *value) { return value ? std::to_string(*value) : "-"; }

// A call that only reports: logged with its arguments, "Method a,b,c", and answered as injected.
template <typename... Values>
HRESULT Call(const char *method, Values... values)
{
    std::string call = method, separator = " ";
    for (long long value : std::initializer_list<long long>{static_cast<long long>(values)...}) {
        call += separator + std::to_string(value);
        separator = ",";
    }
    Log(call);
    return Answer(method);
}

// A getter: logged, answered as injected, and the value handed out only on success.
template <typename T>
HRESULT Give(const char *method, T *out, T value, HRESULT otherwise = S_OK)
{
    Log(method);
    HRESULT status = Answer(method, otherwise);
    if (SUCCEEDED(status))
        *out = value;
    return status;
}

// A setter: logged with its value, answered as injected, and the value kept only on success.
template <typename T>
HRESULT Take(const char *method, T *field, T value, HRESULT otherwise = S_OK)
{
    Log(std::string(method) + " " + std::to_string(value));
    HRESULT status = Answer(method, otherwise);
    if (SUCCEEDED(status))
        *field = value;
    return status;
}

// IUnknown for one interface of a graph, with that interface's own reference count.
template <typename Interface>
struct Part : Interface {
    Graph *graph = nullptr;
    const char *name = "";
    LONG references = 0;
    HRESULT QueryInterface(REFIID iid, void **object) override;
    ULONG AddRef() override { return static_cast<ULONG>(++references); }
    ULONG Release() override;
    bool Live(const char *method)
    {
        if (references > 0)
            return true;
        ADD_FAILURE() << name << "::" << method << " called on a released interface";
        return false;
    }
};

struct GraphBuilder : Part<IGraphBuilder> {
    HRESULT AddFilter(IBaseFilter *filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter *filter) override;
    HRESULT Render(IPin *output) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
};
struct MediaControl : Part<IMediaControl> {
    HRESULT Run() override { return Change("Run", State_Running); }
    HRESULT Pause() override { return Change("Pause", State_Paused); }
    HRESULT Stop() override { return Change("Stop", State_Stopped); }
    HRESULT GetState(LONG timeout, OAFilterState *state) override;
    HRESULT Change(const char *method, OAFilterState state);
};
struct MediaEvent : Part<IMediaEventEx> {
    HRESULT GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long timeout) override;
    HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) override
    {
        return Call("FreeEventParams", code, param1, param2);
    }
    HRESULT SetNotifyWindow(OAHWND hwnd, long message, LONG_PTR instance) override;
};
HRESULT Unexpected(const char *method)
{
    ADD_FAILURE() << "IMediaSeeking::" << method << " is not expected of the graph";
    return E_NOTIMPL;
}

struct MediaSeeking : Part<IMediaSeeking> {
    HRESULT GetCapabilities(DWORD *) override { return Unexpected("GetCapabilities"); }
    HRESULT CheckCapabilities(DWORD *) override { return Unexpected("CheckCapabilities"); }
    HRESULT IsFormatSupported(const GUID *) override { return Unexpected("IsFormatSupported"); }
    HRESULT QueryPreferredFormat(GUID *) override { return Unexpected("QueryPreferredFormat"); }
    HRESULT GetTimeFormat(GUID *) override { return Unexpected("GetTimeFormat"); }
    HRESULT IsUsingTimeFormat(const GUID *) override { return Unexpected("IsUsingTimeFormat"); }
    HRESULT SetTimeFormat(const GUID *) override { return Unexpected("SetTimeFormat"); }
    HRESULT GetStopPosition(LONGLONG *) override { return Unexpected("GetStopPosition"); }
    HRESULT ConvertTimeFormat(LONGLONG *, const GUID *, LONGLONG, const GUID *) override { return Unexpected("ConvertTimeFormat"); }
    HRESULT GetPositions(LONGLONG *, LONGLONG *) override { return Unexpected("GetPositions"); }
    HRESULT GetAvailable(LONGLONG *, LONGLONG *) override { return Unexpected("GetAvailable"); }
    HRESULT GetPreroll(LONGLONG *) override { return Unexpected("GetPreroll"); }
    HRESULT GetDuration(LONGLONG *duration) override;
    HRESULT GetCurrentPosition(LONGLONG *position) override;
    HRESULT SetPositions(LONGLONG *current, DWORD currentFlags, LONGLONG *stop, DWORD stopFlags) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double *rate) override;
};
struct VideoWindow : Part<IVideoWindow> {
    HRESULT put_WindowStyle(long style) override { return Call("put_WindowStyle", style); }
    HRESULT put_Visible(long visible) override { return Call("put_Visible", visible); }
    HRESULT get_Visible(long *visible) override;
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND *drain) override;
    HRESULT get_FullScreenMode(long *mode) override;
    HRESULT put_FullScreenMode(long mode) override;
    HRESULT SetWindowForeground(long focus) override { return Call("SetWindowForeground", focus); }
    HRESULT NotifyOwnerMessage(OAHWND, long message, LONG_PTR, LONG_PTR) override
    {
        return Call("NotifyOwnerMessage", message);
    }
    HRESULT SetWindowPosition(long left, long top, long width, long height) override
    {
        return Call("SetWindowPosition", left, top, width, height);
    }
};
struct BasicVideo : Part<IBasicVideo> { HRESULT GetVideoSize(long *width, long *height) override; };
struct BasicAudio : Part<IBasicAudio> {
    HRESULT put_Volume(long volume) override;
    HRESULT get_Volume(long *volume) override;
};

struct Graph {
    standin::Clip clip;
    REFERENCE_TIME position = 0;
    OAFilterState state = State_Stopped;
    double rate = 1.0;
    long volume = 0, fullScreen = OAFALSE;
    OAHWND drain = 0, notifyWindow = 0;
    long notifyMessage = 0;
    LONG_PTR notifyInstance = 0;
    std::deque<Event> events;
    IBaseFilter *filter = nullptr;   // the one the player added, held until it leaves the graph
    GraphBuilder builder;
    MediaControl control;
    MediaEvent event;
    MediaSeeking seeking;
    VideoWindow video;
    BasicVideo basicVideo;
    BasicAudio audio;

    Graph()
    {
        Bind(builder, "IGraphBuilder");
        Bind(control, "IMediaControl");
        Bind(event, "IMediaEventEx");
        Bind(seeking, "IMediaSeeking");
        Bind(video, "IVideoWindow");
        Bind(basicVideo, "IBasicVideo");
        Bind(audio, "IBasicAudio");
    }
    template <typename P> void Bind(P &part, const char *name) { part.graph = this; part.name = name; }

    LONG References() const
    {
        return builder.references + control.references + event.references + seeking.references +
               video.references + basicVideo.references + audio.references;
    }

    void LetGoOfFilter()
    {
        filter->JoinFilterGraph(nullptr, nullptr);
        filter->Release();
        filter = nullptr;
    }

    // The player has let go of every interface: the graph lets go of its filters.
    void End()
    {
        if (filter)
            LetGoOfFilter();
    }

    void Notify()
    {
        if (notifyWindow && !events.empty())
            PostMessageA(reinterpret_cast<HWND>(notifyWindow), static_cast<UINT>(notifyMessage), 0, notifyInstance);
    }
};

template <typename Interface>
HRESULT Part<Interface>::QueryInterface(REFIID iid, void **object)
{
    Graph *owner = graph;
    struct { const IID *iid; IUnknown *part; const char *name; } const parts[] = {
        {&IID_IGraphBuilder, &owner->builder, "IGraphBuilder"}, {&IID_IMediaControl, &owner->control, "IMediaControl"},
        {&IID_IMediaEventEx, &owner->event, "IMediaEventEx"}, {&IID_IMediaSeeking, &owner->seeking, "IMediaSeeking"},
        {&IID_IVideoWindow, &owner->video, "IVideoWindow"}, {&IID_IBasicVideo, &owner->basicVideo, "IBasicVideo"},
        {&IID_IBasicAudio, &owner->audio, "IBasicAudio"}};
    IUnknown *found = nullptr;
    std::string queried = "unknown";
    for (const auto &part : parts) {
        if (IsEqualGUID(iid, *part.iid)) {
            found = part.part;
            queried = part.name;
        }
    }
    if (!found)
        ADD_FAILURE() << "QueryInterface for an interface the stand-in does not know";
    Log("QueryInterface " + queried);
    HRESULT status = Answer(("QueryInterface " + queried).c_str(), found ? S_OK : E_NOINTERFACE);
    if (FAILED(status)) {
        *object = nullptr;
        return status;
    }
    found->AddRef();
    *object = found;
    return S_OK;
}

template <typename Interface>
ULONG Part<Interface>::Release()
{
    if (references <= 0) {
        ADD_FAILURE() << name << " released more often than it was obtained";
        return 0;
    }
    ULONG left = static_cast<ULONG>(--references);
    if (graph->References() == 0)
        graph->End();
    return left;
}

Graph *Current() { return g.graphs.empty() ? nullptr : g.graphs.back().get(); }

HRESULT GraphBuilder::AddFilter(IBaseFilter *filter, LPCWSTR name)
{
    Log("AddFilter " + standin::Utf8Of(name));
    HRESULT status = Answer("AddFilter");
    if (FAILED(status))
        return status;
    EXPECT_EQ(graph->filter, nullptr) << "a second filter in one graph";
    filter->AddRef();
    graph->filter = filter;
    filter->JoinFilterGraph(this, name);
    return S_OK;
}

HRESULT GraphBuilder::RemoveFilter(IBaseFilter *filter)
{
    Log("RemoveFilter");
    EXPECT_EQ(filter, graph->filter);
    if (filter == graph->filter)
        graph->LetGoOfFilter();
    return Answer("RemoveFilter");
}

// Answered as scripted, and nothing connected: no streaming thread starts here.
HRESULT GraphBuilder::Render(IPin *)
{
    Log("Render");
    EXPECT_NE(graph->filter, nullptr) << "a pin rendered of no filter in the graph";
    return Answer("Render");
}

HRESULT GraphBuilder::RenderFile(LPCWSTR file, LPCWSTR playList)
{
    std::string path = standin::Utf8Of(file);
    Log("RenderFile " + path);
    EXPECT_EQ(playList, nullptr);
    EXPECT_LT(lstrlenW(file), MAX_PATH);
    auto clip = g.clips.find(path);
    if (clip == g.clips.end())
        return Answer("RenderFile", static_cast<HRESULT>(0x80070002u));   // file not found
    graph->clip = clip->second;
    return Answer("RenderFile", clip->second.renderStatus);
}

HRESULT MediaEvent::GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long timeout)
{
    EXPECT_EQ(timeout, 0) << "the GUI thread must never wait for the engine";
    if (!Live("GetEvent"))
        return E_FAIL;
    if (graph->events.empty()) {
        Log("GetEvent empty");
        return E_ABORT;
    }
    Event next = graph->events.front();
    graph->events.pop_front();
    Log("GetEvent " + std::to_string(next.code));
    *code = next.code;
    *param1 = next.param1;
    *param2 = next.param2;
    return Answer("GetEvent");
}

HRESULT MediaEvent::SetNotifyWindow(OAHWND hwnd, long message, LONG_PTR instance)
{
    HRESULT status = Call("SetNotifyWindow", hwnd != 0, message, instance);
    if (SUCCEEDED(status)) {
        graph->notifyWindow = hwnd;
        graph->notifyMessage = message;
        graph->notifyInstance = instance;
        graph->Notify();
    }
    return status;
}

HRESULT MediaControl::Change(const char *method, OAFilterState state)
{
    HRESULT status = Call(method);
    if (SUCCEEDED(status))
        graph->state = state;
    return status;
}

// The GUI thread waits for the engine only while a paused graph cues, and then not for ever.
HRESULT MediaControl::GetState(LONG timeout, OAFilterState *state)
{
    if (timeout == 0)
        return Give("GetState", state, graph->state);
    EXPECT_EQ(graph->state, State_Paused) << "a wait for anything but a cue";
    EXPECT_GT(timeout, 0) << "a wait without end";
    EXPECT_LE(timeout, 5000) << "a wait the user would take for a hang";
    Log("GetState " + std::to_string(timeout));
    HRESULT status = Answer("GetState", graph->clip.neverCues ? VFW_S_STATE_INTERMEDIATE : S_OK);
    if (SUCCEEDED(status))
        *state = graph->state;
    return status;
}

HRESULT MediaSeeking::SetRate(double rate)
{
    std::ostringstream call;
    call.precision(17);
    call << "SetRate " << rate;
    Log(call.str());
    HRESULT status = Answer("SetRate");
    if (SUCCEEDED(status) && !graph->clip.ignoresRate)
        graph->rate = rate;
    return status;
}

HRESULT MediaSeeking::GetRate(double *rate)
{
    return Give("GetRate", rate, graph->clip.reportedRate != 0 ? graph->clip.reportedRate : graph->rate);
}

HRESULT MediaSeeking::GetDuration(LONGLONG *duration) { return Give("GetDuration", duration, graph->clip.duration); }
HRESULT MediaSeeking::GetCurrentPosition(LONGLONG *position) { return Give("GetCurrentPosition", position, graph->position); }

HRESULT MediaSeeking::SetPositions(LONGLONG *current, DWORD currentFlags, LONGLONG *stop, DWORD stopFlags)
{
    Log("SetPositions " + Time(current) + "," + std::to_string(currentFlags) + " " + Time(stop) + "," +
        std::to_string(stopFlags));
    if (currentFlags & AM_SEEKING_AbsolutePositioning)
        graph->position = *current;
    return Answer("SetPositions");
}

HRESULT VideoWindow::put_Owner(OAHWND owner) { Log(std::string("put_Owner ") + (owner ? "app" : "0")); return Answer("put_Owner"); }

HRESULT VideoWindow::get_Visible(long *visible)
{
    Log("get_Visible");
    if (!graph->clip.video)
        return Answer("get_Visible", E_NOINTERFACE);
    *visible = OATRUE;
    return Answer("get_Visible", graph->clip.visibleStatus);
}

HRESULT VideoWindow::put_MessageDrain(OAHWND drain) { return Take("put_MessageDrain", &graph->drain, drain); }
HRESULT VideoWindow::get_MessageDrain(OAHWND *drain) { return Give("get_MessageDrain", drain, graph->drain); }
HRESULT VideoWindow::get_FullScreenMode(long *mode) { return Give("get_FullScreenMode", mode, graph->fullScreen); }

// The full-screen window comes in front of every window as full screen starts.
HRESULT VideoWindow::put_FullScreenMode(long mode)
{
    HRESULT status = Take("put_FullScreenMode", &graph->fullScreen, mode);
    if (SUCCEEDED(status) && mode != OAFALSE)
        standin::PutInFront(standin::kFullScreenVideo);
    return status;
}

HRESULT BasicVideo::GetVideoSize(long *width, long *height)
{
    Log("GetVideoSize");
    if (!graph->clip.video)
        return Answer("GetVideoSize", E_NOINTERFACE);
    HRESULT status = Answer("GetVideoSize", graph->clip.videoSizeStatus);
    if (SUCCEEDED(status)) {
        *width = graph->clip.width;
        *height = graph->clip.height;
    }
    return status;
}

// Without a sound renderer the graph has no volume.
HRESULT BasicAudio::put_Volume(long volume) { return Take("put_Volume", &graph->volume, volume, graph->clip.audio ? S_OK : E_NOTIMPL); }
HRESULT BasicAudio::get_Volume(long *volume) { return Give("get_Volume", volume, graph->volume, graph->clip.audio ? S_OK : E_NOTIMPL); }

}  // namespace

namespace standin {

void ResetFilterGraph() { g = {}; }

void ExpectGraphsReleased()
{
    for (size_t i = 0; i < g.graphs.size(); i++)
        EXPECT_EQ(g.graphs[i]->References(), 0) << "graph " << i << " still has interfaces held";
}

void AddClip(const char *path, const Clip &clip) { g.clips[path] = clip; }
void FailGraphCall(const char *method, HRESULT status) { g.failures[method] = status; }
void FailGraphCallOnce(const char *method, HRESULT status) { g.failuresOnce[method] = status; }
void BeforeGraphCall(const char *method, std::function<void()> look) { g.callHooks.push_back({method, std::move(look)}); }
std::vector<std::string> &GraphCalls() { return g.calls; }
int GraphsCreated() { return static_cast<int>(g.graphs.size()); }

int LiveGraphReferences()
{
    int total = 0;
    for (const auto &graph : g.graphs)
        total += graph->References();
    return total;
}

bool GraphOpen() { return Current() && Current()->References() > 0; }
void SetGraphPosition(REFERENCE_TIME position) { Current()->position = position; }
REFERENCE_TIME GraphPosition() { return Current()->position; }
void SetGraphDuration(REFERENCE_TIME duration) { Current()->clip.duration = duration; }

void QueueGraphEvent(long code, LONG_PTR param1, LONG_PTR param2)
{
    Current()->events.push_back({code, param1, param2});
    Current()->Notify();
}

int QueuedGraphEvents() { return static_cast<int>(Current()->events.size()); }
long GraphVolume() { return Current()->volume; }
long GraphFullScreenMode() { return Current()->fullScreen; }
OAHWND GraphMessageDrain() { return Current()->drain; }
void SetGraphMessageDrain(OAHWND drain) { Current()->drain = drain; }

}  // namespace standin

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID *object)
{
    EXPECT_EQ(outer, nullptr);
    EXPECT_EQ(context, static_cast<DWORD>(CLSCTX_INPROC_SERVER));
    EXPECT_TRUE(IsEqualGUID(clsid, CLSID_FilterGraph));
    EXPECT_TRUE(IsEqualGUID(iid, IID_IGraphBuilder));
    Log("CoCreateInstance FilterGraph");
    HRESULT status = Answer("CoCreateInstance");
    if (FAILED(status)) {
        *object = nullptr;
        return status;
    }
    g.graphs.push_back(std::make_unique<Graph>());
    g.graphs.back()->builder.AddRef();
    *object = static_cast<IGraphBuilder *>(&g.graphs.back()->builder);
    return S_OK;
}
