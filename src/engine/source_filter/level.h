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
    float attack;    // the level's step towards a louder frame, a one-pole weight per frame
    float release;   // the same towards a quieter one
    float power;     // the short-term level: mean square of a frame, over full scale squared
    float gain;      // applied to the frame now
    float gainStep;  // added each frame, towards the gain the level asks for
    DWORD untilGain; // frames until the gain is worked out again
    DWORD settling;  // frames since the reset, counted up to settled
    DWORD settled;   // frames after which the running mean weighs less than the attack
};

// For channels at rate (frames a second); starts off and reset.
void StartLevel(Leveller *level, WORD channels, DWORD rate);
// A change of on or off starts from a reset, so that no level heard long ago is followed.
void SetLevelling(Leveller *level, bool on);
// After a seek or a change of rate: the level is found afresh from the next frame.
void ResetLevel(Leveller *level);
void LevelFrames(Leveller *level, short *pcm, DWORD frames);
