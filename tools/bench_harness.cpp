// The bench's Windows side: a bare DirectShow harness to hold the player's costs against, and
// watchers that time what the player shows on screen. Moments are printed as lines, which the
// bench script stamps with its own clock as they appear (Wine's clock is not the host's).
//   lumetrone-bench play CLIP SECONDS      render and run a clip; "playing" once Run returns
//   lumetrone-bench paused CLIP SECONDS    render, run, pause; then sit
//   lumetrone-bench idle SECONDS           a bare window and its message loop
//   lumetrone-bench seek CLIP              "seek MS" for SetPositions to half the clip while it runs
//   lumetrone-bench title TEXT SECONDS     "seen" when a player's caption reads TEXT
//   lumetrone-bench bar HWND X SECONDS     types 5 to the player; "bar MS" once its bar is green at X
//   lumetrone-bench overlay HWND SECONDS   "overlay SHOWN SAMPLES" from samples every 5 ms
#include <windows.h>
#include <dshow.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const COLORREF kGreen = RGB(0x80, 0xFF, 0x80);
static const COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
static const COLORREF kOrange = RGB(0xFF, 0x80, 0x00);

static double Milliseconds()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)count.QuadPart / (double)frequency.QuadPart;
}

// Keeps the thread's windows answering, as any GUI program does while it waits.
static void Pump(DWORD milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
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
    POINT point = OnScreen(player, x, 25);
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

// The strip counts as shown when its volume bar and the start of its progress bar are on screen.
static int SampleOverlay(HWND player, DWORD seconds)
{
    HDC screen = GetDC(NULL);
    POINT volume = OnScreen(player, 10, 25);
    POINT progress = OnScreen(player, 122, 25);
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

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: lumetrone-bench play|paused|idle|seek|title|bar|overlay ...\n");
        return 2;
    }
    const char *verb = argv[1];
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    int result = 2;
    if (strcmp(verb, "play") == 0 && argc >= 4)
        result = PlayClip(argv[2], (DWORD)atoi(argv[3]), false);
    else if (strcmp(verb, "paused") == 0 && argc >= 4)
        result = PlayClip(argv[2], (DWORD)atoi(argv[3]), true);
    else if (strcmp(verb, "idle") == 0)
        result = Idle((DWORD)atoi(argv[2]));
    else if (strcmp(verb, "seek") == 0)
        result = SeekClip(argv[2]);
    else if (strcmp(verb, "title") == 0 && argc >= 4)
        result = WatchTitle(argv[2], (DWORD)atoi(argv[3]));
    else if (strcmp(verb, "bar") == 0 && argc >= 5)
        result = TimeBar((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 16), atoi(argv[3]), (DWORD)atoi(argv[4]));
    else if (strcmp(verb, "overlay") == 0 && argc >= 4)
        result = SampleOverlay((HWND)(ULONG_PTR)strtoul(argv[2], NULL, 16), (DWORD)atoi(argv[3]));
    CoUninitialize();
    return result;
}
