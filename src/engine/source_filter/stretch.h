// The sound's time-stretch: 16-bit interleaved PCM played faster or slower at the same pitch, by a
// waveform-similarity overlap-add. Each block of output is a segment of the input joined to the one
// before by a raised-cosine crossfade, at the place near its nominal one whose waveform best matches
// the natural continuation of the segment before, so that the join falls in phase.
//
// Time: every output frame stands for `rate` input frames (the rate in force when its block was made),
// so the caller stamps its output in stream time (output frames / sample rate) and the media time of
// the next output frame is the media time of all input consumed less StretchHeldFrames. The sound
// heard lies within the search radius (15 ms of input) of that nominal place.
//
// At rate 1.0 the output is the input, bit for bit. A change to 1.0 takes effect once the block made
// at the old rate has gone out (at most one segment, 12 ms of output): from there on the output goes
// on from the natural continuation of the last segment, sample for sample, and the nominal place moves
// onto that sample (a step of at most the search radius in StretchHeldFrames).
#pragma once

#include <windows.h>

struct Stretch {
    WORD      channels;
    int       lowFrequency;  // the channel the search leaves out, or -1
    WORD      heardChannels; // the channels the search compares: all but that one
    DWORD     segment;       // output frames a block, the crossfade included
    DWORD     overlap;       // frames of the crossfade at a block's start, at most segment
    DWORD     radius;        // frames either side of the nominal place searched for the best join
    DWORD     decimation;    // frames summed into one sample of the coarse search
    DWORD     fineStride;    // frames stepped over in the fine search, so that high rates stay cheap
    double    rate;          // input frames per output frame, 0.25 to 4.0
    int      *fadeIn;        // overlap weights rising from 0 to 32768 (Q15), raised cosine
    short    *input;         // frames held, interleaved; input[0] is frame `base` of the stream
    float    *heard;         // the same frames' heard channels, interleaved, for the search
    float    *coarseTarget;  // the continuation, decimated, heard channels interleaved
    float    *coarseRegion;  // the searched region, decimated, the same
    DWORD     inputCapacity; // frames input and heard hold
    DWORD     held;          // frames in input
    LONGLONG  base;          // stream frame of input[0], counted from the start or the last reset
    LONGLONG  tail;          // stream frame that naturally follows the last one made
    double    mapped;        // stream frame (nominal) that the next block's first frame stands for
    short    *block;         // the block made and not yet all written out
    DWORD     blockFrames;
    DWORD     blockSent;
    double    blockMapped;   // nominal stream frame of the block's first frame
    double    blockRate;     // the rate the block was made at
};

// Buffers for channels (1..8) at rate (up to 384 kHz), laid out as these speakers (SPEAKER_ bits; 0
// for the usual layout of that many); false when out of memory or out of range. The search for the
// join compares every channel but the low-frequency one, whose rumble would outweigh the voice.
bool   StartStretch(Stretch *stretch, WORD channels, DWORD rate, DWORD layout);
void   EndStretch(Stretch *stretch);
// Clamped to 0.25..4.0; takes effect at the next block, joined like any other.
void   SetStretchRate(Stretch *stretch, double rate);
// After a seek: drops every frame held, and the next input plays from its first frame.
void   ResetStretch(Stretch *stretch);
// Takes frames from in as room allows (*consumed says how many) and writes up to outCapacity frames
// to out, returning how many. The caller loops until all of in is consumed, taking the output each
// time; a call that consumes nothing and writes nothing needs more input or more room.
DWORD  StretchFrames(Stretch *stretch, const short *in, DWORD inFrames, short *out, DWORD outCapacity, DWORD *consumed);
// At the end of the stream: writes what is held (called until it returns 0), then starts afresh.
DWORD  FlushStretch(Stretch *stretch, short *out, DWORD outCapacity);
// Input frames consumed that the output has not yet reached (fractional, as rates are).
double StretchHeldFrames(const Stretch *stretch);
