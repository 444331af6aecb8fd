// The voices levelled: a feed-forward compressor with make-up gain. The power of each block of a
// few frames is smoothed, taken to dB and followed there by the level, whose gain is ramped over the
// next block; a soft limit comes last. Each sample costs a square, a ramp step and a product.
#include "engine/source_filter/level.h"

#include <math.h>
#include <string.h>

static const float kFullScale = 32768.0f;
static const double kBlockMs = 0.67;
static const double kSmoothUpMs = 5, kSmoothDownMs = 50;
static const double kAttackMs = 20, kReleaseMs = 500;
static const float kTargetDb = -18;      // speech is brought to about -20 dBFS
static const float kMostGainDb = 20, kLeastGainDb = -20;
// Below -55 dBFS the gain allowed falls by 2 dB for each dB, to none at -65 dBFS: a room's hiss
// and the pauses of a quiet speaker are not raised to speech.
static const float kFloorDb = -55, kGateSlope = 2;
// Far below anything heard; keeps a long silence out of the logarithm of zero.
static const float kLeastPower = 1e-3f;
// Above the knee the sound is bent towards full scale, which it never reaches.
static const float kKnee = 0.8f * kFullScale;
static const float kAbove = 32767.0f - kKnee;

static float OnePole(double ms, double blockMs)
{
    return (float)(1.0 - exp(-blockMs / ms));
}

void StartLevel(Leveller *level, WORD channels, DWORD rate)
{
    memset(level, 0, sizeof *level);
    level->channels = channels ? channels : 1;
    level->blockFrames = (DWORD)(rate * kBlockMs / 1000) + 1;
    double blockMs = 1000.0 * level->blockFrames / (rate ? rate : 1);
    level->smoothUp = OnePole(kSmoothUpMs, blockMs);
    level->smoothDown = OnePole(kSmoothDownMs, blockMs);
    level->attack = OnePole(kAttackMs, blockMs);
    level->release = OnePole(kReleaseMs, blockMs);
    level->settledBlocks = (DWORD)(kAttackMs / blockMs) + 1;
    ResetLevel(level);
}

void SetLevelling(Leveller *level, bool on)
{
    if (level->on != on)
        ResetLevel(level);
    level->on = on;
}

void ResetLevel(Leveller *level)
{
    level->settling = 0;
    level->settlingSum = 0;
    level->blockSum = 0;
    level->blockSoFar = 0;
    level->gain = 1;
    level->gainStep = 0;
}

static float Decibels(float power)
{
    return 10 * log10f(power / (kFullScale * kFullScale));
}

static float WantedGainDb(float levelDb)
{
    float most = kMostGainDb;
    if (levelDb < kFloorDb)
        most -= kGateSlope * (kFloorDb - levelDb);
    float gain = kTargetDb - levelDb;
    gain = gain > most ? most : gain;
    gain = gain < kLeastGainDb ? kLeastGainDb : gain;
    return gain < 0 && most < 0 ? 0 : gain;
}

// The first blocks after a reset take the plain mean of all since, so that the level is found at
// once; from then on the smoothed power leads the level.
static void EndBlock(Leveller *level)
{
    float mean = level->blockSum / ((float)level->blockSoFar * level->channels) + kLeastPower;
    if (level->settling < level->settledBlocks) {
        level->settlingSum += mean;
        level->settling++;
        level->power = level->settlingSum / level->settling;
        level->levelDb = Decibels(level->power);
    } else {
        level->power += (mean > level->power ? level->smoothUp : level->smoothDown) * (mean - level->power);
        float now = Decibels(level->power);
        level->levelDb += (now > level->levelDb ? level->attack : level->release) * (now - level->levelDb);
    }
    float wanted = powf(10.0f, WantedGainDb(level->levelDb) / 20);
    level->gainStep = (wanted - level->gain) / level->blockFrames;
    level->blockSum = 0;
    level->blockSoFar = 0;
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
    for (DWORD i = 0; i < frames; i++, pcm += channels) {
        float squares = 0;
        for (WORD c = 0; c < channels; c++)
            squares += (float)pcm[c] * pcm[c];
        level->blockSum += squares;
        level->gain += level->gainStep;
        for (WORD c = 0; c < channels; c++)
            pcm[c] = Limited(pcm[c] * level->gain);
        if (++level->blockSoFar == level->blockFrames)
            EndBlock(level);
    }
}
