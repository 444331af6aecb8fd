// Random operations on a playing graph from a printed seed: run, pause, stop, seek, stop
// position and rate. Every call is bounded by the watchdog; between the operations the place must
// not run backwards, nor ahead of its rate, nor past the end, and each end must give one EC_COMPLETE.
#include "graph/cases.h"
#include "graph/host.h"
#include "engine/engine.h"

#include <stdio.h>
#include <stdlib.h>

static const int kOperations = 300;
static const int kGiveUpAfter = 10;      // failures: the rest would only repeat them
static const REFERENCE_TIME kJitter = 50 * kMillisecond;
// The place may step to the end once the stream's end is on its way, while the renderers still
// hold the last of it (under Wine the sound renderer holds about 0.3 s).
static const REFERENCE_TIME kStepToEnd = 300 * kMillisecond;
static const double kRates[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};

enum Operation { OpRun, OpPause, OpStop, OpSeek, OpStopPosition, OpRate, OpWait, OpCount };
static const char *const kNames[OpCount] = {"run", "pause", "stop", "seek", "stop position", "rate", "wait"};
static const int kWeights[OpCount] = {20, 14, 8, 26, 12, 12, 8};

// The stream between two flushes (a seek, a change of rate, a stop). Its end must give one
// EC_COMPLETE; the renderers say it once more each time the graph runs them again at the end.
struct Segment {
    bool   reached;      // the place read the end (the stop position or the duration), or the end was said:
                         // the place may rest a few ms short of it
    double runAtEnd;     // seconds the graph has run at the end since
    int    completes;
    int    allowed;      // EC_COMPLETEs it may give
};

// What went wrong, said once an operation each.
enum Fault { RanBack, RanAhead, PastEnd, NoComplete, FaultCount };

struct Stress {
    Host           host;
    unsigned       random;
    OAFilterState  state;
    double         rate;
    double         fastest;    // the place's fastest speed since it was read last: 0 while paused
    REFERENCE_TIME stop;       // the stop position given last; the duration when none
    REFERENCE_TIME last;       // the place read last, or -1 after a seek or a stop
    double         lastAt;     // Elapsed() then
    Segment        now, before;
    double         startedAt;  // Elapsed() when the segment began
    bool           said[FaultCount];
    int            ends, op, readings;
};

static unsigned Next(Stress *s)
{
    s->random ^= s->random << 13;
    s->random ^= s->random >> 17;
    s->random ^= s->random << 5;
    return s->random;
}

static REFERENCE_TIME Between(Stress *s, REFERENCE_TIME low, REFERENCE_TIME high)
{
    unsigned span = high > low ? (unsigned)((high - low) / kMillisecond) : 0;
    return span == 0 ? low : low + (REFERENCE_TIME)(Next(s) % span) * kMillisecond;
}

static REFERENCE_TIME End(const Stress *s)
{
    return s->stop < s->host.duration ? s->stop : s->host.duration;
}

// The renderers call the stream complete as soon as its end reaches them, while they still hold its
// last 0.3 s of sound, at up to twice the speed: a segment flushed that close to its end may have
// said so, to be read after the flush.
static const REFERENCE_TIME kHeldAtEnd = 6000000;

static void NewSegment(Stress *s)
{
    if (s->last >= 0 && s->last >= End(s) - kHeldAtEnd)
        s->now.reached = true;
    s->before = s->now;
    s->now = Segment();
    s->now.allowed = 1;
    s->startedAt = Elapsed();
}

static void Say(Stress *s, Fault fault, bool failed, const char *what, REFERENCE_TIME from, REFERENCE_TIME to)
{
    if (failed && !s->said[fault]) {
        s->said[fault] = true;
        ok(false, "op %d: %s: %.3f s, then %.3f s", s->op, what, Seconds(from), Seconds(to));
    }
}

// An EC_COMPLETE read just after a flush may be the end of the segment before it.
static void Complete(Stress *s, REFERENCE_TIME place)
{
    REFERENCE_TIME end = End(s);
    if (place < end - kJitter && s->before.reached && s->before.completes == 0 && Elapsed() - s->startedAt < 0.5) {
        s->before.completes++;
        return;
    }
    s->ends += s->now.completes++ == 0;
    s->now.reached = true;
    ok(place >= end - kJitter && s->now.completes <= s->now.allowed,
       "op %d: EC_COMPLETE %d of %d with the place at %.3f s, the end %.3f s", s->op, s->now.completes,
       s->now.allowed, Seconds(place), Seconds(end));
}

static double Speed(const Stress *s)
{
    return s->state == State_Running ? s->rate : 0;
}

static void Observe(Stress *s, DWORD ms)
{
    Host *host = &s->host;
    double until = Elapsed() + ms / 1000.0;
    do {
        int completes = host->completes;
        ReadEvents(host, 10);
        if (host->completes > completes)
            Complete(s, host->placeAtComplete);
        // The place belongs to a moment between these two readings of the clock: a busy core can
        // hold the call between them, so the bound runs from the earliest to the latest.
        double before = Elapsed();
        REFERENCE_TIME place = Place(host), end = End(s);
        double now = Elapsed();
        s->readings++;
        if (s->state != State_Stopped && s->last >= 0) {
            REFERENCE_TIME most = s->last + (REFERENCE_TIME)((now - s->lastAt) * s->fastest * kSecond) + kJitter;
            Say(s, RanBack, place < s->last - kJitter, "the place ran back", s->last, place);
            bool stepped = place >= end - kMillisecond && place <= most + kStepToEnd;
            Say(s, RanAhead, place > most && !stepped, "the place ran ahead of its rate", s->last, place);
        }
        Say(s, PastEnd, place > end + kMillisecond, "the place went past the end", end, place);
        if (place >= end - kMillisecond) {
            if (s->now.reached && s->state == State_Running)
                s->now.runAtEnd += now - s->lastAt;
            s->now.reached = true;
        }
        Say(s, NoComplete, s->now.completes == 0 && s->now.runAtEnd > 1.0, "the end gave no EC_COMPLETE in 1 s", end,
            place);
        s->last = place;
        s->lastAt = before;
        s->fastest = Speed(s);
    } while (Elapsed() < until);
}

// The renderers at the end of the stream say EC_COMPLETE again whenever the graph runs them again.
static void RunAgain(Stress *s, REFERENCE_TIME place)
{
    if (s->now.reached || place >= End(s) - kMillisecond)
        s->now.allowed++;
}

static HRESULT Operate(Stress *s, Operation op, char *what, size_t size)
{
    Host *host = &s->host;
    // The place goes on from here, but after a seek or from a stop.
    s->lastAt = Elapsed();
    REFERENCE_TIME place = Place(host);
    s->last = place;
    s->fastest = Speed(s);
    snprintf(what, size, "%s at %.3f s", kNames[op], Seconds(place));
    switch (op) {
    case OpRun:
        if (s->state == State_Stopped) {
            NewSegment(s);
            s->last = -1;
        } else {
            RunAgain(s, place);
        }
        s->state = State_Running;
        return CALL(host->control->Run());
    case OpPause:
        if (s->state == State_Stopped) {
            NewSegment(s);
            s->last = -1;
        }
        s->state = State_Paused;
        return CALL(host->control->Pause());
    case OpStop:
        s->state = State_Stopped;
        s->last = -1;
        return CALL(host->control->Stop());
    case OpSeek: {
        REFERENCE_TIME end = End(s);
        unsigned pick = Next(s) % 20;
        REFERENCE_TIME target = pick == 0   ? 0
                                : pick <= 2 ? end
                                : pick <= 6 ? Between(s, end - kSecond, end)
                                            : Between(s, 0, end);
        snprintf(what, size, "seek to %.3f s at %.3f s", Seconds(target), Seconds(place));
        NewSegment(s);
        s->last = -1;
        return Seek(host, target);
    }
    case OpStopPosition:
        s->stop = Next(s) % 3 == 0 || place + kSecond >= host->duration ? host->duration
                                                                       : Between(s, place + kSecond, host->duration);
        snprintf(what, size, "stop position %.3f s at %.3f s", Seconds(s->stop), Seconds(place));
        if (s->state == State_Running)
            RunAgain(s, place);
        return SetStop(host, s->stop);
    case OpRate: {
        double before = s->rate;
        s->rate = kRates[Next(s) % (sizeof(kRates) / sizeof(kRates[0]))];
        snprintf(what, size, "rate %.2f at %.3f s", s->rate, Seconds(place));
        // A new rate is a flush, or near the end a seek through the graph: either way a stream of
        // its own. The same rate changes nothing.
        if (s->state != State_Stopped && s->rate != before)
            NewSegment(s);
        CALL_VOID(SetOwnSourceRate(host->source, host->seeking, s->rate));
        return S_OK;
    }
    default:
        return S_OK;
    }
}

static Operation Pick(Stress *s)
{
    int total = 0;
    for (int weight : kWeights)
        total += weight;
    int roll = (int)(Next(s) % (unsigned)total);
    int op = 0;
    while (roll >= kWeights[op])
        roll -= kWeights[op++];
    return (Operation)op;
}

void StressCase(const char *clip, const char *seed)
{
    Stress s = Stress();
    s.random = seed && *seed ? (unsigned)strtoul(seed, NULL, 10) : (unsigned)GetTickCount() | 1;
    trace("seed %u: the same operations again, at places that follow the clip's", s.random);
    if (OpenHost(&s.host, clip)) {
        s.stop = s.host.duration;
        s.rate = 1.0;
        s.last = -1;
        for (s.op = 1; s.op <= kOperations && CaseFailures() < kGiveUpAfter; s.op++) {
            Operation op = Pick(&s);
            char what[96];
            HRESULT hr = Operate(&s, op, what, sizeof(what));
            s.fastest = Speed(&s) > s.fastest ? Speed(&s) : s.fastest;
            trace("op %d: %s: hr %#lx in %lu ms", s.op, what, hr, op == OpWait ? 0 : LastCallMs());
            if (FAILED(hr))
                ok(false, "op %d: %s answered %#lx", s.op, what, hr);
            for (bool &said : s.said)
                said = false;
            Observe(&s, op == OpWait ? 1500 : 30 + Next(&s) % 220);
        }
        ok(s.op > kOperations, "%d of %d operations ran (%d failures), %d place readings, %d ends", s.op - 1,
           kOperations, CaseFailures(), s.readings, s.ends);
    }
    CloseHost(&s.host, true);
}
