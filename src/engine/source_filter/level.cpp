// The voices levelled: a feed-forward compressor with make-up gain over the mean square of each
// frame, its gain worked out every few frames and ramped in between, and a soft limit at the end.
#include "engine/source_filter/level.h"

#include <math.h>
#include <string.h>

static const float kFullScale = 32768.0f;
static const double kAttackMs = 20, kReleaseMs = 500;
// The level speech is brought to, -20 dBFS, as a mean square of samples.
static const float kTargetPower = (0.1f * kFullScale) * (0.1f * kFullScale);
static const float kMostGain = 10.0f;    // +20 dB
static const float kLeastGain = 0.1f;    // -20 dB
// Below -55 dBFS the gain allowed falls by 2 dB for each dB, to none at -65 dBFS: a room's hiss
// and the pauses of a quiet speaker are not raised to speech.
static const float kFloorPower = 3.16e-6f * kFullScale * kFullScale;
// Far below anything heard; keeps the level of a long silence out of the denormal numbers.
static const float kLeastPower = 1e-3f;
static const DWORD kGainFrames = 32;     // the gain's own rate: 0.7 ms at 48 kHz
// Above the knee the sound is bent towards full scale, which it never reaches.
static const float kKnee = 0.8f * kFullScale;
static const float kAbove = 32767.0f - kKnee;

static float OnePole(double ms, DWORD rate)
{
    return (float)(1.0 - exp(-1000.0 / (ms * rate)));
}

void StartLevel(Leveller *level, WORD channels, DWORD rate)
{
    memset(level, 0, sizeof *level);
    level->channels = channels;
    level->attack = OnePole(kAttackMs, rate);
    level->release = OnePole(kReleaseMs, rate);
    level->settled = (DWORD)(1 / level->attack);
    ResetLevel(level);
}

void SetLevelling(Leveller *level, bool on)
{
    if (level->on != on)
        ResetLevel(level);
    level->on = on;
}

// Until the attack's weight is reached, the level is the plain mean since the reset, so that the
// first 20 ms after a seek are already levelled.
void ResetLevel(Leveller *level)
{
    level->power = 0;
    level->gain = 1;
    level->gainStep = 0;
    level->untilGain = 0;
    level->settling = 0;
}

static float WantedGain(float power)
{
    float gate = kMostGain * power / kFloorPower;
    float most = gate < 1 ? 1 : gate < kMostGain ? gate : kMostGain;
    float gain = sqrtf(kTargetPower / power);
    return gain > most ? most : gain < kLeastGain ? kLeastGain : gain;
}

static short Limited(float y)
{
    float size = y < 0 ? -y : y;
    if (size > kKnee) {
        float excess = size - kKnee;
        size = kKnee + kAbove * excess / (excess + kAbove);
        y = y < 0 ? -size : size;
    }
    return (short)(y < 0 ? y - 0.5f : y + 0.5f);
}

void LevelFrames(Leveller *level, short *pcm, DWORD frames)
{
    if (!level->on)
        return;
    WORD channels = level->channels;
    float share = 1.0f / channels;
    for (DWORD i = 0; i < frames; i++, pcm += channels) {
        if (level->untilGain == 0) {
            level->gainStep = (WantedGain(level->power) - level->gain) / kGainFrames;
            level->untilGain = kGainFrames;
        }
        level->untilGain--;
        float power = kLeastPower;
        for (WORD c = 0; c < channels; c++)
            power += (float)pcm[c] * pcm[c];
        power *= share;
        float weight = power > level->power ? level->attack : level->release;
        if (level->settling < level->settled) {
            level->settling++;
            weight = 1.0f / level->settling;
        }
        level->power += weight * (power - level->power);
        level->gain += level->gainStep;
        for (WORD c = 0; c < channels; c++)
            pcm[c] = Limited(pcm[c] * level->gain);
    }
}
