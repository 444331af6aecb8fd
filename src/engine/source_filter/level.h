// The voices levelled: a gain that follows the short-term level of the sound (a compressor with
// make-up gain), so that a quiet speaker and a loud one are heard alike. The level rises with the
// sound in about 20 ms and falls after it in about 500 ms; the gain brings it to one level, by at
// most +20 dB, and less and less below a floor, so that silence and noise are not raised to speech;
// a soft limit above a knee keeps every sample inside full scale. It looks at no sample ahead.
//
// Over 16-bit interleaved PCM in place. While off, the samples are left as they are, bit for bit.
#pragma once

#include <windows.h>

struct Leveller {
    bool  on;
    WORD  channels;
    DWORD blockFrames;  // frames over which the sound's power is summed before the gain is worked out
    float smoothUp;     // the block power's one-pole weights, rising and falling: they smooth a
    float smoothDown;   // voice's syllables into its short-term power
    float attack;       // the level's weights a block, in dB, towards a louder power and a quieter one
    float release;
    DWORD settledBlocks; // blocks after a reset over which the level is the plain mean since it
    DWORD settling;      // blocks since the reset, up to settledBlocks
    float settlingSum;   // their powers added up
    float blockSum;      // squares of the block so far
    DWORD blockSoFar;    // its frames
    float power;         // the smoothed power, in squared sample units
    float levelDb;       // the short-term level, dB of full scale
    float gain;          // applied to the frame now
    float gainStep;      // added each frame, towards the gain the last block asked for
};

// For channels at rate (frames a second); starts off and reset.
void StartLevel(Leveller *level, WORD channels, DWORD rate);
// A change of on or off starts from a reset, so that no level heard long ago is followed.
void SetLevelling(Leveller *level, bool on);
// After a seek or a change of rate: the level is found afresh from the next frame, and is the
// sound's own within 20 ms.
void ResetLevel(Leveller *level);
void LevelFrames(Leveller *level, short *pcm, DWORD frames);
