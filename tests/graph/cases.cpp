// The cases of playing: seeks while running and paused, stop positions, rates and the end, each
// on the test clip whose picture tells its time.
#include "graph/cases.h"
#include "graph/host.h"
#include "engine/engine.h"

#include <evcode.h>
#include <math.h>

static bool Near(double value, double expected, double tolerance)
{
    return fabs(value - expected) <= tolerance;
}

// Paused after running, the picture renderer must hold a frame of the place playing.
static void CheckPausedFrame(Host *host, const char *after)
{
    HRESULT hr = CALL(host->control->Pause());
    ok(hr == S_OK || hr == S_FALSE, "Pause %s: hr %#lx", after, hr);
    double place = Seconds(Place(host));
    double frame = WaitForFrame(host, 2000, &hr);
    ok(frame >= 0 && Near(frame, place, 0.2), "paused %s, the frame held is from %.2f s, the place %.3f s (hr %#lx)",
       after, frame, place, hr);
}

// The place's speed over ms of wall time.
static double MeasuredRate(Host *host, DWORD ms)
{
    double start = Elapsed(), from = Seconds(Place(host));
    Hold(host, ms, host->duration, NULL);
    return (Seconds(Place(host)) - from) / (Elapsed() - start);
}

// Running after a seek to target: the place moves on from the target, at the normal speed.
static void CheckMovesOn(Host *host, double target, const char *after)
{
    double start = Elapsed();
    bool moved = WaitForPlace(host, (REFERENCE_TIME)(target * kSecond) + kMillisecond, 1000);
    double first = Seconds(Place(host)), waited = Elapsed() - start;
    ok(moved && first < target + 0.1, "%s, the place first moved %.3f s later, to %.3f s", after, waited, first);
    double rate = MeasuredRate(host, 1000);
    ok(Near(rate, 1.0, 0.1), "%s, then it moved %.3f s a second", after, rate);
}

void SeeksCase(const char *clip, const char *)
{
    Host host;
    if (OpenHost(&host, clip)) {
        HRESULT hr = Cue(&host);
        ok(hr == S_OK, "the graph cues in 2 s: GetState hr %#lx", hr);
        double frame = WaitForFrame(&host, 2000, &hr);
        ok(frame >= 0 && frame < 0.1, "paused at the start, the frame held is from %.2f s (hr %#lx)", frame, hr);

        // Paused: the place reads the target at once and holds there, and the frame follows it.
        hr = Seek(&host, 4 * kSecond);
        double place = Seconds(Place(&host));
        ok(hr == S_OK && Near(place, 4.0, 0.01), "seek to 4 s while paused: hr %#lx, place %.3f s", hr, place);
        Hold(&host, 500, 4 * kSecond + 10 * kMillisecond, NULL);
        place = Seconds(Place(&host));
        ok(Near(place, 4.0, 0.01), "0.5 s later, still paused, the place is %.3f s", place);
        frame = WaitForFrame(&host, 2000, &hr);
        ok(frame >= 0 && Near(frame, 4.0, 0.1), "after the paused seek the frame held is from %.2f s (hr %#lx)", frame,
           hr);
        hr = CALL(host.control->Run());
        ok(SUCCEEDED(hr), "Run after the paused seek: hr %#lx", hr);
        CheckMovesOn(&host, 4.0, "run after the paused seek to 4 s");
        CheckPausedFrame(&host, "after that run");

        // Running: a seek back, then one forward; each reads its target and moves on from it.
        CALL(host.control->Run());
        Hold(&host, 300, host.duration, NULL);
        const double targets[] = {2.0, 6.0};
        for (double target : targets) {
            hr = Seek(&host, (REFERENCE_TIME)(target * kSecond));
            DWORD ms = LastCallMs();
            place = Seconds(Place(&host));
            ok(hr == S_OK && place >= target - 0.01 && place < target + 0.1,
               "seek to %.1f s while running: hr %#lx in %lu ms, place %.3f s", target, hr, ms, place);
            CheckMovesOn(&host, target, target < 3 ? "running after a seek back" : "running after a seek forward");
            CheckPausedFrame(&host, "after the seek while running");
            CALL(host.control->Run());
        }
    }
    CloseHost(&host, true);
}

void StopPositionsCase(const char *clip, const char *)
{
    Host host;
    if (OpenHost(&host, clip)) {
        // Given while running: the end comes at the stop position, and the place stays there.
        Play(&host);
        WaitForPlace(&host, kSecond, 3000);
        double from = Seconds(Place(&host)), set = Elapsed();
        HRESULT hr = SetStop(&host, 3 * kSecond);
        ok(hr == S_OK, "a stop position at 3 s while running at %.3f s: hr %#lx", from, hr);
        long end = WaitForEnd(&host, 4000);
        double late = end == EC_COMPLETE ? host.completeAt - (set + 3.0 - from) : 0;
        ok(end == EC_COMPLETE && Near(late, 0, 0.3), "at the stop position %s, %+.3f s from due", EndName(end), late);
        ok(end == EC_COMPLETE && Near(Seconds(host.placeAtComplete), 3.0, 0.05), "the place at %s: %.3f s",
           EndName(end), Seconds(end == EC_COMPLETE ? host.placeAtComplete : Place(&host)));
        REFERENCE_TIME highest = 0;
        bool within = Hold(&host, 700, 3 * kSecond + 10 * kMillisecond, &highest);
        ok(within && host.completes == 1, "after it the place stays at 3 s (highest %.3f s), EC_COMPLETE %d times",
           Seconds(highest), host.completes);

        // Given with a seek, then cleared before it is reached: playback goes on past it.
        hr = SeekWithStop(&host, kSecond, 3 * kSecond);
        ok(hr == S_OK, "a seek to 1 s with a stop at 3 s: hr %#lx", hr);
        WaitForPlace(&host, 1500 * kMillisecond, 2000);
        hr = SetStop(&host, host.duration);
        bool passed = WaitForPlace(&host, 4 * kSecond, 4000);
        ok(hr == S_OK && passed && host.completes == 1,
           "the stop cleared at 1.5 s: hr %#lx, the place went on to %.3f s, EC_COMPLETE %d times", hr,
           Seconds(Place(&host)), host.completes);

        // Given while paused after a seek: honoured once the graph runs.
        Cue(&host);
        hr = SeekWithStop(&host, 5 * kSecond, 6 * kSecond);
        CALL(host.control->Run());
        WaitForPlace(&host, 5 * kSecond + kMillisecond, 2000);
        set = Elapsed();
        from = Seconds(Place(&host));
        end = WaitForEnd(&host, 3000);
        late = end == EC_COMPLETE ? host.completeAt - (set + 6.0 - from) : 0;
        ok(hr == S_OK && end == EC_COMPLETE && Near(late, 0, 0.3) && Near(Seconds(host.placeAtComplete), 6.0, 0.05),
           "paused, a seek to 5 s with a stop at 6 s: hr %#lx, %s %+.3f s from due, the place then %.3f s", hr,
           EndName(end), late, Seconds(host.placeAtComplete));
    }
    CloseHost(&host, true);
}

// Waits out the end: exactly one EC_COMPLETE, dueAfter seconds from start, the place at the
// duration and never past it.
static void CheckEnd(Host *host, const char *how, double start, double dueAfter)
{
    REFERENCE_TIME highest = 0;
    int before = host->completes;
    while (host->completes == before && Elapsed() < start + dueAfter + 2.0)
        Hold(host, 20, host->duration, &highest);
    bool came = host->completes > before;
    double after = host->completeAt - start;
    ok(came && Near(after, dueAfter, 0.3), "%s: EC_COMPLETE %s after %.3f s, due after %.3f s", how,
       came ? "came" : "did not come", came ? after : Elapsed() - start, dueAfter);
    ok(came && Near(Seconds(host->placeAtComplete), Seconds(host->duration), 0.01),
       "%s: the place at %s %.3f s, the duration %.3f s", how, came ? "EC_COMPLETE" : "its time",
       Seconds(came ? host->placeAtComplete : Place(host)), Seconds(host->duration));
    Hold(host, 1000, host->duration, &highest);
    REFERENCE_TIME place = Place(host);
    ok(host->completes - before == 1 && highest <= host->duration && Near(Seconds(place), Seconds(host->duration), 0.01),
       "%s: EC_COMPLETE %d times, the place %.3f s a second later, highest %.3f s", how, host->completes - before,
       Seconds(place), Seconds(highest));
}

void RateCase(const char *clip, const char *)
{
    Host host;
    if (OpenHost(&host, clip)) {
        Play(&host);
        WaitForPlace(&host, kSecond, 3000);
        CALL_VOID(SetOwnSourceRate(host.source, host.seeking, 0.5));
        DWORD ms = LastCallMs();
        Hold(&host, 300, host.duration, NULL);
        double rate = MeasuredRate(&host, 2000);
        ok(Near(rate, 0.5, 0.05), "at 0.5 the place moves %.3f s a second (the call took %lu ms)", rate, ms);
        CheckPausedFrame(&host, "at 0.5");
        CALL(host.control->Run());
        CALL_VOID(SetOwnSourceRate(host.source, host.seeking, 1.5));
        ms = LastCallMs();
        Hold(&host, 300, host.duration, NULL);
        rate = MeasuredRate(&host, 2000);
        ok(Near(rate, 1.5, 0.15), "at 1.5 the place moves %.3f s a second (the call took %lu ms)", rate, ms);

        // The renderers end the stream when the place says: the sound was made for its stamps.
        double at = Elapsed(), from = Seconds(Place(&host));
        double due = at + (Seconds(host.duration) - from) / 1.5;
        long end = WaitForEnd(&host, 8000);
        double late = end == EC_COMPLETE ? host.completeAt - due : 0;
        ok(end == EC_COMPLETE && Near(late, 0, 0.3), "at 1.5 the end: %s %+.3f s from due", EndName(end), late);

        // Once the sound's end has gone out to its renderer, which has called it complete, and before
        // the picture's last frame is due: the end still comes once, with the place at the end.
        Seek(&host, host.duration - 600 * kMillisecond);
        WaitForPlace(&host, host.duration - 250 * kMillisecond, 2000);
        CALL_VOID(SetOwnSourceRate(host.source, host.seeking, 1.0));
        CheckEnd(&host, "a change of rate as the sound's end went out", Elapsed(),
                 Seconds(host.duration - Place(&host)));
    }
    CloseHost(&host, true);
}

void EndCase(const char *clip, const char *)
{
    Host host;
    if (OpenHost(&host, clip)) {
        // Timed from the place's first move: the graph starts its stream a moment after Run.
        REFERENCE_TIME from = host.duration - 2 * kSecond;
        Seek(&host, from);
        Play(&host);
        WaitForPlace(&host, from + kMillisecond, 2000);
        double start = Elapsed();
        from = Place(&host);
        CheckEnd(&host, "played from 2 s before the end", start, Seconds(host.duration - from));

        Seek(&host, host.duration - 3 * kSecond);
        WaitForPlace(&host, host.duration - 2500 * kMillisecond, 2000);
        start = Elapsed();
        HRESULT hr = Seek(&host, host.duration);
        ok(hr == S_OK, "a seek to exactly the end while running: hr %#lx", hr);
        CheckEnd(&host, "sought to the end while running", start, 0);

        Cue(&host);
        hr = Seek(&host, host.duration);
        ok(hr == S_OK, "a seek to exactly the end while paused: hr %#lx", hr);
        start = Elapsed();
        CALL(host.control->Run());
        CheckEnd(&host, "sought to the end while paused, then run", start, 0);
    }
    CloseHost(&host, true);
}
