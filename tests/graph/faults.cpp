// The cases of things going wrong: the clip cut short while it plays, a Stop while a renderer is
// blocked in Receive, and a graph let go of while it runs.
#include "graph/cases.h"
#include "graph/host.h"

#include <evcode.h>
#include <math.h>
#include <stdio.h>

static ULONGLONG FileSize(const char *path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    return ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

// Waits for the end of playback, one way or the other; answers the event and the place read last
// before it, which says how far the clip played.
static long WaitForAnyEnd(Host *host, REFERENCE_TIME *before)
{
    long end = 0;
    double until = Elapsed() + Seconds(host->duration) + 5;
    while (!end && Elapsed() < until) {
        *before = Place(host);
        end = WaitForEnd(host, 20);
    }
    return end;
}

// The runner cuts the clip (a copy) to 30 % of its size when this case says so, from the Linux
// side, while it plays. Under Wine 8 the source reader has read the whole clip by then, so the cut
// may change nothing; the case then opens the cut copy again, whose data ends at about 30 % of its
// duration, where the reader's reading stops.
void ReaderErrorCase(const char *clip, const char *)
{
    ULONGLONG whole = FileSize(clip);
    Host host;
    if (OpenHost(&host, clip)) {
        Play(&host);
        WaitForPlace(&host, 500 * kMillisecond, 3000);
        printf("truncate now: %llu bytes\n", whole);
        fflush(stdout);
        double until = Elapsed() + 10;
        while (FileSize(clip) >= whole && Elapsed() < until)
            ReadEvents(&host, 20);
        REFERENCE_TIME cut = Place(&host), before = cut;
        ok(FileSize(clip) < whole, "the clip was cut from %llu to %llu bytes with the place at %.3f s", whole,
           FileSize(clip), Seconds(cut));
        long end = WaitForAnyEnd(&host, &before);
        REFERENCE_TIME highest = 0;
        Hold(&host, 500, host.duration, &highest);
        ok(end && host.completes + host.aborts == 1 && highest <= host.duration,
           "cut while playing: %s with the place at %.3f s, %d EC_COMPLETE and %d EC_ERRORABORT, highest %.3f s",
           EndName(end), Seconds(before), host.completes, host.aborts, Seconds(highest));
    }
    CloseHost(&host, true);

    if (OpenHost(&host, clip)) {
        Play(&host);
        REFERENCE_TIME before = 0;
        long end = WaitForAnyEnd(&host, &before);
        ok(end == EC_ERRORABORT, "the cut clip: %s (status %#lx) with the place at %.3f s", EndName(end),
           (unsigned long)host.abortStatus, Seconds(before));
        REFERENCE_TIME failed = Place(&host);
        ok(failed >= host.duration / 5 && failed <= host.duration * 2 / 5,
           "the place where its data ends %.3f s: its duration %.3f s, cut at 30 %% of its size", Seconds(failed),
           Seconds(host.duration));
        Hold(&host, 1000, host.duration, NULL);
        REFERENCE_TIME later = Place(&host);
        ok(fabs(Seconds(later - failed)) <= 0.05 && host.completes == 0,
           "a second later the place is %.3f s, EC_COMPLETE %d times", Seconds(later), host.completes);
    }
    CloseHost(&host, true);
}

// Paused, the video renderer holds a frame in Receive until the graph runs or flushes.
static void StopHeld(Host *host, const char *when)
{
    HRESULT hr;
    double frame = WaitForFrame(host, 2000, &hr);
    ok(frame >= 0, "%s, the video renderer holds a frame: %.2f s (hr %#lx)", when, frame, hr);
    hr = CALL(host->control->Stop());
    ok(hr == S_OK && LastCallMs() <= kCallBoundMs, "%s, Stop: hr %#lx in %lu ms", when, hr, LastCallMs());
}

void StopWhileBlockedCase(const char *clip, const char *)
{
    Host host;
    if (OpenHost(&host, clip)) {
        HRESULT hr = Cue(&host);
        ok(hr == S_OK, "the graph cues in 2 s: GetState hr %#lx", hr);
        StopHeld(&host, "paused at the start");

        Play(&host);
        WaitForPlace(&host, 2 * kSecond, 4000);
        CALL(host.control->Pause());
        hr = Seek(&host, 5 * kSecond);
        ok(hr == S_OK, "a seek to 5 s while paused: hr %#lx", hr);
        StopHeld(&host, "paused after a run and a seek");
    }
    CloseHost(&host, false);
}

static void ReleaseAfter(const char *clip, bool run, bool graphFirst, const char *how)
{
    Host host;
    if (!OpenHost(&host, clip)) {
        CloseHost(&host, true);
        return;
    }
    if (run) {
        Play(&host);
        WaitForPlace(&host, kSecond, 3000);
    } else {
        Cue(&host);
        HRESULT hr;
        WaitForFrame(&host, 2000, &hr);
    }
    double place = Seconds(Place(&host)), start = Elapsed();
    if (graphFirst)
        CloseGraphFirst(&host);
    else
        CloseHost(&host, false);
    double took = Elapsed() - start;
    ok(took <= kCallBoundMs / 1000.0, "%s at %.3f s, without Stop: released in %.3f s", how, place, took);
}

void ReleaseRunningCase(const char *clip, const char *)
{
    ReleaseAfter(clip, true, false, "running, the source released before the graph");
    ReleaseAfter(clip, true, true, "running, the graph released before the source");
    ReleaseAfter(clip, false, false, "paused, the source released before the graph");
}
