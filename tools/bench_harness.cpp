// The bench's Windows side: a bare DirectShow harness to hold the player's costs against, and
// watchers that time what the player shows on screen. Moments are printed as lines, which the
// bench script stamps with its own clock as they appear (Wine's clock is not the host's).
//   lumetrone-bench play CLIP SECONDS      render and run a clip; "playing" once Run returns
//   lumetrone-bench embedded CLIP SECONDS  as play, with the video in a child of a window of its own
//   lumetrone-bench paused CLIP SECONDS    render, run, pause; then sit
//   lumetrone-bench idle SECONDS           a bare window and its message loop
//   lumetrone-bench seek CLIP              "seek MS" for SetPositions to half the clip while it runs
//   lumetrone-bench jump CLIP SECONDS      as play, cued first; each digit on stdin jumps to that tenth
//                                          of the clip as the player does under Wine 8
//   lumetrone-bench title TEXT SECONDS     "seen" when a player's caption reads TEXT
//   lumetrone-bench bar HWND X SECONDS     types 5 to the player; "bar MS" once its bar is green at X
//   lumetrone-bench digits HWND            types each digit on stdin to the player
//   lumetrone-bench overlay HWND SECONDS   "overlay SHOWN SAMPLES" from samples every 5 ms
//   lumetrone-bench keys HWND COUNT        types COUNT keys of the flood below to the player; "done"
//   lumetrone-bench flood CLIP COUNT       "ready" once it plays, then the engine calls of COUNT such
//                                          keys in a window of its own; "done GRAPHS" (clips opened
//                                          again after a jump past the end), and it sits
#include <windows.h>
#include <dshow.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const COLORREF kGreen = RGB(0x80, 0xFF, 0x80);
static const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
static const COLORREF kOrange = RGB(0xFF, 0x80, 0x00);
static const int kBarsMiddle = 51;           // the strip's bars, y 46 to 56 at 96 DPI

static double Milliseconds()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)count.QuadPart / (double)frequency.QuadPart;
}

struct Graph;
static Graph *jumping;   // the graph that digits on stdin jump, in the jump verb
static void JumpToTenth(Graph *graph, int tenth);

// Keeps the thread's windows answering, as any GUI program does while it waits; digits from stdin
// come as WM_APP thread messages.
static void Pump(DWORD milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == NULL && msg.message == WM_APP && jumping) {
                JumpToTenth(jumping, (int)msg.wParam);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DWORD now = GetTickCount();
        if ((LONG)(end - now) <= 0)
            return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
    }
}

struct Graph {
    IGraphBuilder *builder;
    IMediaControl *control;
    IMediaSeeking *seeking;
};

static bool Build(Graph *graph, const char *path)
{
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH);
    ZeroMemory(graph, sizeof(*graph));
    return SUCCEEDED(CoCreateInstance(CLSID_FilterGraph, NULL, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                      (void **)&graph->builder)) &&
           SUCCEEDED(graph->builder->RenderFile(wide, NULL)) &&
           SUCCEEDED(graph->builder->QueryInterface(IID_IMediaControl, (void **)&graph->control)) &&
           SUCCEEDED(graph->builder->QueryInterface(IID_IMediaSeeking, (void **)&graph->seeking));
}

static void Release(Graph *graph)
{
    if (graph->control)
        graph->control->Stop();
    if (graph->seeking)
        graph->seeking->Release();
    if (graph->control)
        graph->control->Release();
    if (graph->builder)
        graph->builder->Release();
}

static int PlayClip(const char *path, DWORD seconds, bool pause)
{
    Graph graph;
    if (!Build(&graph, path) || FAILED(graph.control->Run()))
        return 1;
    printf("playing\n");
    fflush(stdout);
    if (pause) {
        Pump(1000);
        graph.control->Pause();
    }
    Pump(seconds * 1000);
    Release(&graph);
    return 0;
}

// The video as a player shows it: in a child window that fills a window of the harness's own, at
// the video's size, so that what embedding costs the engine can be told from what the player adds.
static int PlayEmbedded(const char *path, DWORD seconds)
{
    Graph graph;
    IVideoWindow *video = NULL;
    IBasicVideo *basic = NULL;
    long width = 0, height = 0;
    if (!Build(&graph, path) || FAILED(graph.builder->QueryInterface(IID_IVideoWindow, (void **)&video)) ||
        FAILED(graph.builder->QueryInterface(IID_IBasicVideo, (void **)&basic)) ||
        FAILED(basic->GetVideoSize(&width, &height)))
        return 1;
    RECT outer = {0, 0, width, height};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
    HWND window = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0,
                                  outer.right - outer.left, outer.bottom - outer.top, NULL, NULL,
                                  GetModuleHandleA(NULL), NULL);
    video->put_Owner((OAHWND)window);
    video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    video->SetWindowPosition(0, 0, width, height);
    if (FAILED(graph.control->Run()))
        return 1;
    printf("playing\n");
    fflush(stdout);
    Pump(seconds * 1000);
    graph.control->Stop();
    video->put_Visible(OAFALSE);
    video->put_Owner(0);
    basic->Release();
    video->Release();
    Release(&graph);
    DestroyWindow(window);
    return 0;
}

// A start as the player makes it: paused until the renderers hold their first samples, then run.
static HRESULT CueAndRun(Graph *graph)
{
    graph->control->Pause();
    OAFilterState state;
    graph->control->GetState(2000, &state);
    return graph->control->Run();
}

// A jump as the player makes it under Wine 8: the graph stopped for the seek, then cued and run.
static void JumpToTenth(Graph *graph, int tenth)
{
    REFERENCE_TIME duration = 0;
    graph->seeking->GetDuration(&duration);
    REFERENCE_TIME target = duration / 10 * tenth;
    graph->control->Stop();
    graph->seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame, NULL,
                                 AM_SEEKING_NoPositioning);
    CueAndRun(graph);
}

// Hands each digit read from stdin to the thread that owns the graph.
static DWORD WINAPI ReadDigits(void *owner)
{
    int c;
    while ((c = getchar()) != EOF)
        if (c >= '0' && c <= '9')
            PostThreadMessageA((DWORD)(ULONG_PTR)owner, WM_APP, (WPARAM)(c - '0'), 0);
    return 0;
}

static int JumpClip(const char *path, DWORD seconds)
{
    Graph graph;
    if (!Build(&graph, path) || FAILED(CueAndRun(&graph)))
        return 1;
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);   // the thread's queue, before the reader posts to it
    jumping = &graph;
    CloseHandle(CreateThread(NULL, 0, ReadDigits, (void *)(ULONG_PTR)GetCurrentThreadId(), 0, NULL));
    printf("playing\n");
    fflush(stdout);
    Pump(seconds * 1000);
    jumping = NULL;
    Release(&graph);
    return 0;
}

static int SeekClip(const char *path)
{
    Graph graph;
    if (!Build(&graph, path) || FAILED(graph.control->Run()))
        return 1;
    Pump(2000);
    REFERENCE_TIME duration = 0;
    graph.seeking->GetDuration(&duration);
    REFERENCE_TIME target = duration / 2;
    double start = Milliseconds();
    graph.seeking->SetPositions(&target, AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame, NULL,
                                AM_SEEKING_NoPositioning);
    printf("seek %.2f\n", Milliseconds() - start);
    Release(&graph);
    return 0;
}

static int Idle(DWORD seconds)
{
    HWND window = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 120,
                                  NULL, NULL, GetModuleHandleA(NULL), NULL);
    Pump(seconds * 1000);
    DestroyWindow(window);
    return 0;
}

static HWND FindPlayer(const char *title)
{
    char text[512];
    for (HWND window = FindWindowA("WMView", NULL); window; window = FindWindowExA(NULL, window, "WMView", NULL))
        if (GetWindowTextA(window, text, sizeof(text)) && strcmp(text, title) == 0)
            return window;
    return NULL;
}

static int WatchTitle(const char *title, DWORD seconds)
{
    DWORD end = GetTickCount() + seconds * 1000;
    while ((LONG)(end - GetTickCount()) > 0) {
        if (FindPlayer(title)) {
            printf("seen\n");
            fflush(stdout);
            return 0;
        }
        Sleep(2);
    }
    return 1;
}

// A point of the player's client area on the screen.
static POINT OnScreen(HWND player, int x, int y)
{
    POINT point = {x, y};
    ClientToScreen(player, &point);
    return point;
}

static int TimeBar(HWND player, int x, DWORD seconds)
{
    HDC screen = GetDC(NULL);
    POINT point = OnScreen(player, x, kBarsMiddle);
    double start = Milliseconds();
    PostMessageA(player, WM_CHAR, '5', 1);
    while (Milliseconds() - start < seconds * 1000.0) {
        if (GetPixel(screen, point.x, point.y) == kGreen) {
            printf("bar %.1f\n", Milliseconds() - start);
            ReleaseDC(NULL, screen);
            return 0;
        }
        Sleep(1);
    }
    ReleaseDC(NULL, screen);
    return 1;
}

static int TypeDigits(HWND player)
{
    int c;
    while ((c = getchar()) != EOF)
        if (c >= '0' && c <= '9')
            PostMessageA(player, WM_CHAR, (WPARAM)c, 1);
    return 0;
}

// The strip counts as shown when its volume bar and the start of its progress bar are on screen.
static int SampleOverlay(HWND player, DWORD seconds)
{
    HDC screen = GetDC(NULL);
    POINT volume = OnScreen(player, 10, kBarsMiddle);
    POINT progress = OnScreen(player, 122, kBarsMiddle);
    int shown = 0;
    int samples = 0;
    double start = Milliseconds();
    for (double next = start; next < start + seconds * 1000.0; next += 5.0) {
        while (Milliseconds() < next)
            Sleep(0);
        COLORREF bar = GetPixel(screen, progress.x, progress.y);
        shown += GetPixel(screen, volume.x, volume.y) == kOrange && (bar == kGreen || bar == kWhite);
        samples++;
    }
    ReleaseDC(NULL, screen);
    printf("overlay %d %d\n", shown, samples);
    return 0;
}

// A flood of the keys that reach the engine (jumps, sizes, zoom, volume) and a bookmark.
enum FloodStep { Seek, Size, Zoom, Mark, Volume };
static const struct {
    UINT message;
    WPARAM key;
    FloodStep step;
} kFlood[] = {
    {WM_KEYDOWN, VK_RIGHT, Seek}, {WM_CHAR, '3', Seek},   {WM_CHAR, 'd', Size},         {WM_CHAR, 'z', Zoom},
    {WM_CHAR, 'b', Mark},         {WM_CHAR, '+', Volume}, {WM_KEYDOWN, VK_LEFT, Seek},  {WM_CHAR, '7', Seek},
    {WM_CHAR, 'h', Size},         {WM_CHAR, 'z', Zoom},   {WM_KEYDOWN, VK_END, Seek},   {WM_CHAR, '-', Volume},
    {WM_KEYDOWN, VK_NEXT, Seek},  {WM_CHAR, 't', Size},   {WM_KEYDOWN, VK_PRIOR, Mark}, {WM_CHAR, 'm', Volume},
    {WM_KEYDOWN, VK_HOME, Seek},  {WM_CHAR, 'n', Size},   {WM_KEYDOWN, VK_DELETE, Mark}, {WM_CHAR, 'm', Volume},
};
static const int kFloodLength = sizeof(kFlood) / sizeof(kFlood[0]);

// A held key repeats about 30 times a second.
static const DWORD kKeyRepeatMs = 33;

// One key at a time: each is handled before the next is typed, as a held key would be.
static int TypeFlood(HWND player, int count)
{
    for (int i = 0; i < count; i++) {
        PostMessageA(player, kFlood[i % kFloodLength].message, kFlood[i % kFloodLength].key, 1);
        DWORD_PTR unused;
        SendMessageTimeoutA(player, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &unused);
        Sleep(kKeyRepeatMs);
    }
    printf("done\n");
    return 0;
}

// The clip as the player holds it: a graph whose video is a child of the window.
struct FloodGraph {
    Graph graph;
    IVideoWindow *video;
    IBasicAudio *audio;
    IMediaEventEx *events;
};

static bool OpenFlooded(FloodGraph *clip, const char *path, HWND window)
{
    clip->video = NULL;
    clip->audio = NULL;
    clip->events = NULL;
    if (!Build(&clip->graph, path) ||
        FAILED(clip->graph.builder->QueryInterface(IID_IMediaEventEx, (void **)&clip->events)) ||
        FAILED(clip->graph.builder->QueryInterface(IID_IVideoWindow, (void **)&clip->video)) ||
        FAILED(clip->graph.builder->QueryInterface(IID_IBasicAudio, (void **)&clip->audio)))
        return false;
    clip->events->SetNotifyWindow((OAHWND)window, WM_APP, 0);
    clip->video->put_Owner((OAHWND)window);
    clip->video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    return SUCCEEDED(clip->graph.control->Run());
}

static void CloseFlooded(FloodGraph *clip)
{
    clip->graph.control->Stop();
    clip->video->put_Visible(OAFALSE);
    clip->video->put_Owner(0);
    clip->events->SetNotifyWindow(0, 0, 0);
    clip->events->Release();
    clip->video->Release();
    clip->audio->Release();
    Release(&clip->graph);
}

// Where the player's jump for this key lands: held inside the clip, so that a jump past the end
// completes it. End and Home stand for jumps to the bookmarks nearby.
static REFERENCE_TIME JumpTarget(WPARAM key, REFERENCE_TIME position, REFERENCE_TIME duration)
{
    static const REFERENCE_TIME kSecond = 10000000;
    REFERENCE_TIME target = position;
    if (key >= '0' && key <= '9')
        target = duration / 10 * (REFERENCE_TIME)(key - '0');
    else if (key == VK_RIGHT)
        target += 30 * kSecond;
    else if (key == VK_LEFT)
        target -= 9 * kSecond;
    else if (key == VK_NEXT)
        target += 100 * kSecond;
    else if (key == VK_END)
        target += 5 * kSecond;
    else if (key == VK_HOME)
        target -= 5 * kSecond;
    return target < 0 ? 0 : target > duration ? duration : target;
}

// What the player asks of the engine for each key of the flood, as a player under Wine does:
// a jump stops the graph, seeks and runs it again.
static void FloodEngine(FloodGraph *clip, HWND window, int index)
{
    static const long kSizes[][2] = {{640, 480}, {320, 240}};
    static double zoom = 1.0;
    Graph *graph = &clip->graph;
    REFERENCE_TIME position = 0, duration = 0;
    OAFilterState state;
    switch (kFlood[index % kFloodLength].step) {
    case Seek:
        graph->seeking->GetCurrentPosition(&position);
        graph->seeking->GetDuration(&duration);
        position = JumpTarget(kFlood[index % kFloodLength].key, position, duration);
        graph->control->GetState(0, &state);
        graph->control->Stop();
        graph->seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame, NULL,
                                     AM_SEEKING_NoPositioning);
        graph->control->Run();
        break;
    case Size:
        SetWindowPos(window, NULL, 0, 0, kSizes[index % 2][0], kSizes[index % 2][1], SWP_NOMOVE | SWP_NOZORDER);
        clip->video->SetWindowPosition(0, 0, kSizes[index % 2][0], kSizes[index % 2][1]);
        break;
    case Zoom:
        if (zoom * 1.1 * 640 < 32767)
            zoom *= 1.1;
        clip->video->SetWindowPosition(0, 0, (long)(320 * zoom), (long)(240 * zoom));
        break;
    case Volume:
        clip->audio->put_Volume(index % 2 ? -100 : 0);
        break;
    case Mark:
        break;
    }
}

// The events that the jumps raise, taken as the player takes them; a completed clip is opened
// again, as the player's playlist of one clip does.
static int reopened;   // printed, so that the bench can tell how many graphs the flood built

static bool TakeEvents(FloodGraph *clip, const char *path, HWND window)
{
    long code;
    LONG_PTR param1, param2;
    bool completed = false;
    while (SUCCEEDED(clip->events->GetEvent(&code, &param1, &param2, 0))) {
        clip->events->FreeEventParams(code, param1, param2);
        completed = completed || code == EC_COMPLETE;
    }
    REFERENCE_TIME position = 0, duration = 0;
    clip->graph.seeking->GetDuration(&duration);
    clip->graph.seeking->GetCurrentPosition(&position);
    if (!completed || position < duration)
        return true;
    reopened++;
    CloseFlooded(clip);
    return OpenFlooded(clip, path, window);
}

static int ReplayFlood(const char *path, int count)
{
    HWND window = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  640, 480, NULL, NULL, GetModuleHandleA(NULL), NULL);
    FloodGraph clip;
    if (!OpenFlooded(&clip, path, window))
        return 1;
    Pump(2000);
    printf("ready\n");
    fflush(stdout);
    Pump(1000);
    for (int i = 0; i < count; i++) {
        FloodEngine(&clip, window, i);
        Pump(kKeyRepeatMs);
        if (!TakeEvents(&clip, path, window))
            return 1;
    }
    printf("done %d\n", reopened);
    fflush(stdout);
    Pump(3600 * 1000);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: lumetrone-bench play|embedded|paused|idle|seek|jump|title|bar|digits|overlay|keys|flood ...\n");
        return 2;
    }
    const char *verb = argv[1];
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    int result = 2;
    if (strcmp(verb, "play") == 0 && argc >= 4)
        result = PlayClip(argv[2], (DWORD)atoi(argv[3]), false);
    else if (strcmp(verb, "embedded") == 0 && argc >= 4)
        result = PlayEmbedded(argv[2], (DWORD)atoi(argv[3]));
    else if (strcmp(verb, "paused") == 0 && argc >= 4)
        result = PlayClip(argv[2], (DWORD)atoi(argv[3]), true);
    else if (strcmp(verb, "idle") == 0)
        result = Idle((DWORD)atoi(argv[2]));
    else if (strcmp(verb, "seek") == 0)
        result = SeekClip(argv[2]);
    else if (strcmp(verb, "jump") == 0 && argc >= 4)
        result = JumpClip(argv[2], (DWORD)atoi(argv[3]));
    else if (strcmp(verb, "title") == 0 && argc >= 4)
        result = WatchTitle(argv[2], (DWORD)atoi(argv[3]));
    else if (strcmp(verb, "bar") == 0 && argc >= 5)
        result = TimeBar((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 16), atoi(argv[3]), (DWORD)atoi(argv[4]));
    else if (strcmp(verb, "digits") == 0)
        result = TypeDigits((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 16));
    else if (strcmp(verb, "overlay") == 0 && argc >= 4)
        result = SampleOverlay((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 16), (DWORD)atoi(argv[3]));
    else if (strcmp(verb, "keys") == 0 && argc >= 4)
        result = TypeFlood((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 16), atoi(argv[3]));
    else if (strcmp(verb, "flood") == 0 && argc >= 4)
        result = ReplayFlood(argv[2], atoi(argv[3]));
    CoUninitialize();
    return result;
}
