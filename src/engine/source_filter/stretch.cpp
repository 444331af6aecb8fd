// The sound's time-stretch (WSOLA): blocks of input joined in phase by a raised-cosine crossfade.
#include "engine/source_filter/stretch.h"
#include "engine/source_filter/downmix.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

// A segment and its crossfade make a window of 20 ms: short enough that a repeated or skipped piece
// of a voice is not heard as an echo, long enough to hold a few periods of its pitch.
static const DWORD kSegmentMs = 12, kOverlapMs = 8, kRadiusMs = 15;
static const DWORD kCoarseRate = 4000;  // the coarse search's rate: a voice's pitch and first formants
static const DWORD kFineRate = 48000;   // the fine search steps no finer than this
static const int kUnity = 32768;        // the crossfade's weights in Q15
static const double kPi = 3.14159265358979323846;

static LONGLONG Floor(double x) { return (LONGLONG)floor(x); }
static LONGLONG Least(LONGLONG a, LONGLONG b) { return a < b ? a : b; }
static LONGLONG Most(LONGLONG a, LONGLONG b) { return a > b ? a : b; }

bool StartStretch(Stretch *stretch, WORD channels, DWORD rate, DWORD layout)
{
    memset(stretch, 0, sizeof *stretch);
    if (channels < 1 || channels > kMaxSpeakers || rate < 1000 || rate > 384000)
        return false;
    stretch->channels = channels;
    // A low-frequency channel is left out of the search only where another channel is there to hear.
    stretch->lowFrequency = channels > 1 ? SpeakerChannel(SpeakerLayout(channels, layout), SPEAKER_LOW_FREQUENCY) : -1;
    stretch->heardChannels = (WORD)(stretch->lowFrequency >= 0 ? channels - 1 : channels);
    stretch->segment = rate * kSegmentMs / 1000;
    stretch->overlap = rate * kOverlapMs / 1000;
    stretch->radius = rate * kRadiusMs / 1000;
    stretch->decimation = rate > kCoarseRate ? rate / kCoarseRate : 1;
    stretch->fineStride = rate > kFineRate ? rate / kFineRate : 1;
    stretch->rate = 1.0;
    // Room for the reach back and ahead of a block at 4x, twice over so that moves are rare.
    stretch->inputCapacity = 10 * stretch->segment + 6 * stretch->radius + 64;
    DWORD coarse = stretch->overlap / stretch->decimation;
    size_t heard = stretch->heardChannels * sizeof(float);
    stretch->fadeIn = (int *)malloc(stretch->overlap * sizeof(int));
    stretch->input = (short *)malloc((size_t)stretch->inputCapacity * channels * sizeof(short));
    stretch->heard = (float *)malloc(stretch->inputCapacity * heard);
    stretch->coarseTarget = (float *)malloc(coarse * heard);
    stretch->coarseRegion = (float *)malloc((2 * stretch->radius / stretch->decimation + 1 + coarse) * heard);
    stretch->block = (short *)malloc((size_t)stretch->segment * channels * sizeof(short));
    if (!stretch->fadeIn || !stretch->input || !stretch->heard || !stretch->coarseTarget || !stretch->coarseRegion ||
        !stretch->block) {
        EndStretch(stretch);
        return false;
    }
    for (DWORD i = 0; i < stretch->overlap; i++)
        stretch->fadeIn[i] = (int)lround(kUnity * (0.5 - 0.5 * cos(kPi * (i + 0.5) / stretch->overlap)));
    return true;
}

void EndStretch(Stretch *stretch)
{
    free(stretch->fadeIn);
    free(stretch->input);
    free(stretch->heard);
    free(stretch->coarseTarget);
    free(stretch->coarseRegion);
    free(stretch->block);
    memset(stretch, 0, sizeof *stretch);
}

void SetStretchRate(Stretch *stretch, double rate)
{
    stretch->rate = rate >= 0.25 ? (rate <= 4.0 ? rate : 4.0) : 0.25;
}

void ResetStretch(Stretch *stretch)
{
    stretch->held = 0;
    stretch->base = stretch->tail = 0;
    stretch->mapped = 0;
    stretch->blockFrames = stretch->blockSent = 0;
}

double StretchHeldFrames(const Stretch *stretch)
{
    double place = stretch->blockFrames ? stretch->blockMapped + stretch->blockSent * stretch->blockRate : stretch->mapped;
    return (double)(stretch->base + stretch->held) - place;
}

static const float *HeardAt(const Stretch *stretch, LONGLONG frame)
{
    return stretch->heard + (frame - stretch->base) * stretch->heardChannels;
}
static const short *InputAt(const Stretch *stretch, LONGLONG frame)
{
    return stretch->input + (frame - stretch->base) * stretch->channels;
}

// Drops the frames that no block can reach back to any more, then takes what fits of in.
static DWORD Take(Stretch *stretch, const short *in, DWORD frames)
{
    LONGLONG keep = Least(stretch->tail, Floor(stretch->mapped)) - stretch->segment - stretch->radius;
    if (keep > stretch->base) {
        DWORD drop = (DWORD)(keep - stretch->base);
        memmove(stretch->input, InputAt(stretch, keep), (size_t)(stretch->held - drop) * stretch->channels * sizeof(short));
        memmove(stretch->heard, HeardAt(stretch, keep), (size_t)(stretch->held - drop) * stretch->heardChannels * sizeof(float));
        stretch->held -= drop;
        stretch->base = keep;
    }
    DWORD room = stretch->inputCapacity - stretch->held;
    DWORD taken = frames < room ? frames : room;
    memcpy(stretch->input + (size_t)stretch->held * stretch->channels, in, (size_t)taken * stretch->channels * sizeof(short));
    float *heard = stretch->heard + (size_t)stretch->held * stretch->heardChannels;
    for (DWORD i = 0; i < taken; i++)
        for (WORD c = 0; c < stretch->channels; c++)
            if (c != stretch->lowFrequency)
                *heard++ = in[(size_t)i * stretch->channels + c];
    stretch->held += taken;
    return taken;
}

// How alike a candidate is to the target, whatever its loudness: the correlation over its energy,
// channel by channel over every step-th of count frames of width channels. Channel by channel, so
// that channels which cancel out in a mix (a pair of opposite polarity) still guide the join.
static float Likeness(const float *target, const float *candidate, DWORD count, DWORD step, WORD width)
{
    float dot = 0, energy = 0;
    for (DWORD i = 0; i < count; i += step)
        for (size_t at = (size_t)i * width, end = at + width; at < end; at++) {
            dot += target[at] * candidate[at];
            energy += candidate[at] * candidate[at];
        }
    return energy > 0 ? dot / sqrtf(energy) : 0;
}

static void Consider(LONGLONG place, float score, LONGLONG center, LONGLONG *best, float *bestScore)
{
    // Ties (silence, a steady tone) go to the place nearest the nominal one, so that timing holds.
    if (score > *bestScore || (score == *bestScore && llabs(place - center) < llabs(*best - center))) {
        *best = place;
        *bestScore = score;
    }
}

// The start in lo..hi whose overlap best matches the natural continuation at tail: first every
// decimation-th place on the decimated channels, then each place around the best of those.
static LONGLONG BestJoin(Stretch *stretch, LONGLONG lo, LONGLONG hi, LONGLONG center)
{
    DWORD step = stretch->decimation, count = stretch->overlap / step;
    DWORD places = (DWORD)((hi - lo) / step) + 1;
    WORD width = stretch->heardChannels;
    for (DWORD k = 0; k < count + places - 1; k++) {
        const float *from = HeardAt(stretch, lo + (LONGLONG)k * step);
        const float *target = HeardAt(stretch, stretch->tail + (LONGLONG)k * step);
        for (WORD c = 0; c < width; c++) {
            float region = 0, continuation = 0;
            for (DWORD f = 0; f < step; f++) {
                region += from[(size_t)f * width + c];
                continuation += k < count ? target[(size_t)f * width + c] : 0;
            }
            stretch->coarseRegion[(size_t)k * width + c] = region;
            if (k < count)
                stretch->coarseTarget[(size_t)k * width + c] = continuation;
        }
    }
    LONGLONG coarse = lo;
    float score = -INFINITY;
    for (DWORD j = 0; j < places; j++)
        Consider(lo + (LONGLONG)j * step,
                 Likeness(stretch->coarseTarget, stretch->coarseRegion + (size_t)j * width, count, 1, width), center,
                 &coarse, &score);
    LONGLONG best = coarse;
    score = -INFINITY;
    for (LONGLONG place = Most(lo, coarse - step + 1); place <= Least(hi, coarse + step - 1); place++)
        Consider(place, Likeness(HeardAt(stretch, stretch->tail), HeardAt(stretch, place), stretch->overlap,
                                 stretch->fineStride, width), center, &best, &score);
    return best;
}

// The next block: the continuation fading out into the best-matching segment near the nominal place.
// Draining at the end, the search keeps to the input there is, while a block's worth of it is left;
// otherwise it waits for its whole reach.
static bool MakeBlock(Stretch *stretch, bool draining)
{
    DWORD segment = stretch->segment, overlap = stretch->overlap;
    LONGLONG end = stretch->base + stretch->held;
    LONGLONG center = Floor(stretch->mapped + segment * (stretch->rate - 1));
    LONGLONG lo = Most(center - stretch->radius, stretch->base), hi = center + stretch->radius;
    if (draining ? stretch->mapped + segment * stretch->rate > end : hi + segment > end)
        return false;
    hi = Least(hi, end - segment);
    if (hi < lo || stretch->tail + overlap > end)
        return false;
    LONGLONG join = BestJoin(stretch, lo, hi, center);
    const short *fading = InputAt(stretch, stretch->tail), *rising = InputAt(stretch, join);
    WORD channels = stretch->channels;
    for (DWORD i = 0; i < overlap; i++)
        for (WORD c = 0; c < channels; c++) {
            size_t at = (size_t)i * channels + c;
            int w = stretch->fadeIn[i];
            stretch->block[at] = (short)((fading[at] * (kUnity - w) + rising[at] * w + kUnity / 2) >> 15);
        }
    memcpy(stretch->block + (size_t)overlap * channels, rising + (size_t)overlap * channels,
           (size_t)(segment - overlap) * channels * sizeof(short));
    stretch->blockFrames = segment;
    stretch->blockSent = 0;
    stretch->blockMapped = stretch->mapped;
    stretch->blockRate = stretch->rate;
    stretch->mapped += segment * stretch->rate;
    stretch->tail = join + segment;
    return true;
}

static DWORD SendBlock(Stretch *stretch, short *out, DWORD capacity)
{
    DWORD frames = stretch->blockFrames - stretch->blockSent;
    frames = frames < capacity ? frames : capacity;
    memcpy(out, stretch->block + (size_t)stretch->blockSent * stretch->channels, (size_t)frames * stretch->channels * sizeof(short));
    stretch->blockSent += frames;
    if (stretch->blockSent == stretch->blockFrames)
        stretch->blockFrames = stretch->blockSent = 0;
    return frames;
}

// The input as it is from the natural continuation on. The nominal place moves onto it at 1.0, and
// when draining keeps what is left to go out standing for the rest of the input.
static DWORD SendUnchanged(Stretch *stretch, short *out, DWORD capacity)
{
    LONGLONG end = stretch->base + stretch->held;
    DWORD frames = end - stretch->tail < capacity ? (DWORD)(end - stretch->tail) : capacity;
    memcpy(out, InputAt(stretch, stretch->tail), (size_t)frames * stretch->channels * sizeof(short));
    stretch->tail += frames;
    stretch->mapped = end - (end - stretch->tail) * stretch->rate;
    return frames;
}

DWORD StretchFrames(Stretch *stretch, const short *in, DWORD inFrames, short *out, DWORD outCapacity, DWORD *consumed)
{
    WORD channels = stretch->channels;
    DWORD written = 0;
    *consumed = 0;
    for (;;) {
        written += SendBlock(stretch, out + (size_t)written * channels, outCapacity - written);
        if (written == outCapacity)
            break;
        if (stretch->rate == 1.0) {
            DWORD frames = SendUnchanged(stretch, out + (size_t)written * channels, outCapacity - written);
            written += frames;
            if (frames)
                continue;
        } else if (MakeBlock(stretch, false)) {
            continue;
        }
        DWORD taken = Take(stretch, in + (size_t)*consumed * channels, inFrames - *consumed);
        if (!taken)
            break;
        *consumed += taken;
    }
    return written;
}

DWORD FlushStretch(Stretch *stretch, short *out, DWORD outCapacity)
{
    WORD channels = stretch->channels;
    DWORD written = 0;
    for (;;) {
        written += SendBlock(stretch, out + (size_t)written * channels, outCapacity - written);
        if (written == outCapacity)
            return written;
        if (stretch->rate != 1.0 && MakeBlock(stretch, true))
            continue;
        // Too little is left for another join: the rest goes out as it is, which is continuous, cut
        // where the output stands for all the input.
        double owed = (stretch->base + stretch->held - stretch->mapped) / stretch->rate;
        LONGLONG end = stretch->tail + (owed > 0 ? (LONGLONG)ceil(owed) : 0);
        if (end < stretch->base + stretch->held)
            stretch->held = (DWORD)(end - stretch->base);
        DWORD frames = SendUnchanged(stretch, out + (size_t)written * channels, outCapacity - written);
        written += frames;
        if (!frames)
            break;
    }
    ResetStretch(stretch);
    return written;
}
