// The overview's blocks from decoded sound: for each 10 ms, the peak and the RMS of the mean of the
// channels, on the square-root scale of the overview.
#include "engine/overview_levels.h"

#include <math.h>

static const LONGLONG kBlocksPerSecond = 10000000 / OVERVIEW_BLOCK_TIME;
static const LONGLONG kMaxBlocks = (LONGLONG)OVERVIEW_MAX_CHUNKS * OVERVIEW_CHUNK_BLOCKS;

static LONGLONG BlockStart(const LevelMaker *maker, LONGLONG block)
{
    return block * maker->rate / kBlocksPerSecond;
}

bool StartLevels(LevelMaker *maker, DWORD rate, int channels, SoundForm form)
{
    *maker = LevelMaker();
    if (rate < LEVEL_MIN_RATE || rate > LEVEL_MAX_RATE || channels < 1 || channels > LEVEL_MAX_CHANNELS)
        return false;
    maker->rate = rate;
    maker->channels = channels;
    maker->form = form;
    maker->blockEnd = BlockStart(maker, 1);
    return true;
}

int LevelFrameBytes(const LevelMaker *maker)
{
    return maker->channels * (maker->form == SoundFloat32 ? 4 : 2);
}

// 255 × √level, level as a share of full scale; louder than full scale is full scale.
static BYTE LevelByte(double level)
{
    if (!(level > 0))
        return 0;
    return level >= 1 ? 255 : (BYTE)(255 * sqrt(level) + 0.5);
}

static void AddToBlock(LevelMaker *maker, LONGLONG frames, double peak, double squares)
{
    maker->taken += frames;
    maker->frames += frames;
    if (peak > maker->peak)
        maker->peak = peak;
    maker->squares += squares;
}

// Sixteen bits add up in integers, exactly: eight channels of a block of 384 kHz stay far below
// the range of a LONGLONG.
static void MixInt16(LevelMaker *maker, const short *samples, LONGLONG frames)
{
    int channels = maker->channels, peak = 0;
    LONGLONG squares = 0;
    for (LONGLONG frame = 0; frame < frames; frame++, samples += channels) {
        int sum = 0;
        for (int channel = 0; channel < channels; channel++)
            sum += samples[channel];
        int magnitude = sum < 0 ? -sum : sum;
        if (magnitude > peak)
            peak = magnitude;
        squares += (LONGLONG)sum * sum;
    }
    double scale = 32768.0 * channels;
    AddToBlock(maker, frames, peak / scale, (double)squares / (scale * scale));
}

static void MixFloat32(LevelMaker *maker, const float *samples, LONGLONG frames)
{
    int channels = maker->channels;
    double peak = 0, squares = 0;
    for (LONGLONG frame = 0; frame < frames; frame++, samples += channels) {
        double sum = 0;
        for (int channel = 0; channel < channels; channel++)
            sum += samples[channel];
        double magnitude = fabs(sum);
        if (magnitude > peak)
            peak = magnitude;
        squares += sum * sum;
    }
    AddToBlock(maker, frames, peak / channels, squares / ((double)channels * channels));
}

static OverviewBlock EndBlock(LevelMaker *maker)
{
    OverviewBlock block;
    block.peak = LevelByte(maker->peak);
    block.rms = LevelByte(maker->frames ? sqrt(maker->squares / maker->frames) : 0);
    maker->block++;
    maker->blockEnd = BlockStart(maker, maker->block + 1);
    maker->frames = 0;
    maker->peak = maker->squares = 0;
    return block;
}

LONGLONG TakeLevels(LevelMaker *maker, const BYTE *samples, LONGLONG frames, OverviewBlock *blocks, int room,
                    int *made)
{
    *made = 0;
    LONGLONG taken = 0;
    while (taken < frames && *made < room) {
        LONGLONG span = maker->blockEnd - maker->taken;
        if (span > frames - taken)
            span = frames - taken;
        if (!samples)
            AddToBlock(maker, span, 0, 0);
        else if (maker->form == SoundFloat32)
            MixFloat32(maker, (const float *)(samples + taken * LevelFrameBytes(maker)), span);
        else
            MixInt16(maker, (const short *)(samples + taken * LevelFrameBytes(maker)), span);
        taken += span;
        if (maker->taken == maker->blockEnd)
            blocks[(*made)++] = EndBlock(maker);
    }
    return taken;
}

LONGLONG SilenceBefore(const LevelMaker *maker, REFERENCE_TIME time)
{
    if (time <= 0)
        return 0;
    // Parted at the second, so that no stamp overflows on its way to frames.
    LONGLONG second = 10000000, frame = time / second * maker->rate + time % second * maker->rate / second;
    LONGLONG gap = frame - maker->taken;
    bool beyond = time / OVERVIEW_BLOCK_TIME >= kMaxBlocks;
    return gap > maker->rate / kBlocksPerSecond && !beyond ? gap : 0;
}

bool FinishLevels(LevelMaker *maker, OverviewBlock *block)
{
    if (!maker->frames)
        return false;
    *block = EndBlock(maker);
    return true;
}
