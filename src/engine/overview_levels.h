// The overview's blocks made from decoded sound as it comes, buffer after buffer: the block a
// buffer leaves unfinished is carried into the next. Block i covers the frames from
// floor(i × rate / 100) up to floor((i + 1) × rate / 100), so that no rounding adds up.
#pragma once

#include "engine/overview.h"

#define LEVEL_MAX_CHANNELS 8      // as many as a clip's speakers
#define LEVEL_MIN_RATE     1000   // frames a second: below, a block could hold no frame
#define LEVEL_MAX_RATE     384000

enum SoundForm { SoundInt16, SoundFloat32 };   // interleaved samples, full scale 32768 or 1.0

struct LevelMaker {
    LONGLONG  rate;       // frames a second
    int       channels;
    SoundForm form;
    LONGLONG  taken;      // frames taken from the clip's start, the silences put in counted
    LONGLONG  block;      // the block being made
    LONGLONG  blockEnd;   // the frame at which it ends
    LONGLONG  frames;     // its frames taken so far
    double    peak;       // its loudest mix so far, as a share of full scale
    double    squares;    // the sum of its mixes' squares so far, in full scale
};

// False for a sound no block can be made of (rate or channels out of bounds).
bool StartLevels(LevelMaker *maker, DWORD rate, int channels, SoundForm form);
int  LevelFrameBytes(const LevelMaker *maker);
// Takes up to frames frames of samples (NULL: as many of silence) and puts each block they finish
// in blocks, no more than room; made says how many. Returns the frames taken: fewer than asked
// only once room is full.
LONGLONG TakeLevels(LevelMaker *maker, const BYTE *samples, LONGLONG frames, OverviewBlock *blocks, int room,
                    int *made);
// The frames of silence to put in before a buffer stamped time (100 ns units), so that the blocks
// keep to the clip's time where its sound starts late or has a gap: none for a stamp less than a
// block ahead of what was taken, nor for one past what an overview can hold.
LONGLONG SilenceBefore(const LevelMaker *maker, REFERENCE_TIME time);
// The last block at the sound's end, when it was begun; false when there is none.
bool FinishLevels(LevelMaker *maker, OverviewBlock *block);
