// The overview's blocks made from known sound: a full-scale tone, silence, a burst that lands in its
// block at rates whose blocks are not whole frames, the channels' mix, both sample forms, buffers
// split anywhere, and silence put in where the sound starts late.
#include "engine/overview_levels.h"

#include <gtest/gtest.h>
#include <math.h>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

struct Peaks {
    std::vector<int> peak, rms;
    bool operator==(const Peaks &other) const { return peak == other.peak && rms == other.rms; }
};

// Frames fed in pieces of the given lengths, in turn (the whole at once when none), with room for
// room blocks a call; the last block put out at the end.
template <typename Sample>
Peaks Levels(DWORD rate, int channels, const std::vector<Sample> &samples, std::vector<LONGLONG> pieces = {},
             int room = 64)
{
    LevelMaker maker;
    EXPECT_TRUE(StartLevels(&maker, rate, channels, sizeof(Sample) == 4 ? SoundFloat32 : SoundInt16));
    Peaks out;
    std::vector<OverviewBlock> blocks(room);
    auto put = [&](int made) {
        for (int i = 0; i < made; i++) {
            out.peak.push_back(blocks[i].peak);
            out.rms.push_back(blocks[i].rms);
        }
    };
    LONGLONG frames = (LONGLONG)samples.size() / channels, at = 0;
    for (size_t piece = 0; at < frames; piece++) {
        LONGLONG length = pieces.empty() ? frames : pieces[piece % pieces.size()];
        if (length > frames - at)
            length = frames - at;
        for (LONGLONG fed = 0; fed < length;) {
            int made = 0;
            fed += TakeLevels(&maker, (const BYTE *)&samples[(at + fed) * channels], length - fed, blocks.data(), room,
                              &made);
            put(made);
        }
        at += length;
    }
    OverviewBlock last;
    if (FinishLevels(&maker, &last)) {
        blocks[0] = last;
        put(1);
    }
    return out;
}

// A tone on every channel at the given share of full scale.
template <typename Sample>
std::vector<Sample> Tone(DWORD rate, int channels, double seconds, double frequency, double share)
{
    size_t frames = (size_t)(seconds * rate);
    std::vector<Sample> samples(frames * channels);
    for (size_t i = 0; i < frames; i++) {
        double level = share * sin(2 * kPi * frequency * i / rate);
        for (int c = 0; c < channels; c++)
            samples[i * channels + c] = sizeof(Sample) == 4 ? (Sample)level : (Sample)lround(32767 * level);
    }
    return samples;
}

std::vector<int> Repeated(int value, size_t count) { return std::vector<int>(count, value); }

}  // namespace

// 1 kHz at 44.1 kHz is ten whole periods a block: its RMS is that of a sine, 0.707 of full scale,
// so 255 × √0.707 = 214; its peak is full scale, 255. The same as 16-bit and as floats, the channels
// alike; a tone at 0.3 of full scale at 255 × √0.3 and 255 × √0.212.
TEST(OverviewLevelsTest, ToneIsDrawnAtItsPeakAndRms)
{
    for (int channels : {1, 2}) {
        Peaks ints = Levels(44100, channels, Tone<short>(44100, channels, 1, 1000, 1));
        EXPECT_EQ(ints.peak, Repeated(255, 100)) << channels;
        EXPECT_EQ(ints.rms, Repeated(214, 100)) << channels;
        EXPECT_EQ(Levels(44100, channels, Tone<float>(44100, channels, 1, 1000, 1)), ints) << channels;
    }
    Peaks quieter = Levels(48000, 2, Tone<float>(48000, 2, 0.5, 500, 0.3));
    EXPECT_EQ(quieter.peak, Repeated(140, 50));
    EXPECT_EQ(quieter.rms, Repeated(117, 50));
    EXPECT_EQ(Levels(48000, 2, Tone<short>(48000, 2, 0.5, 500, 0.3)), quieter);
    Peaks over = Levels(8000, 1, Tone<float>(8000, 1, 0.1, 100, 2));
    EXPECT_EQ(over.peak, Repeated(255, 10)) << "louder than full scale is full scale";
    EXPECT_EQ(over.rms, Repeated(255, 10));
}

// Block i covers frames floor(i × rate / 100) up to floor((i + 1) × rate / 100): at 22050 Hz the
// blocks hold 220 and 221 frames in turn, and a click lands in the block of its frame at either side
// of a boundary; a second is a hundred blocks at every rate, and silence is nothing at all.
TEST(OverviewLevelsTest, BurstLandsInTheBlockOfItsFrame)
{
    struct Case {
        DWORD rate;
        LONGLONG click;
        int block;
    };
    const Case cases[] = {
        {22050, 219, 0}, {22050, 220, 1}, {22050, 440, 1}, {22050, 441, 2}, {22050, 22049, 99},
        {8000, 79, 0},   {8000, 80, 1},   {44100, 1322, 2}, {44100, 1323, 3}, {96000, 959, 0},
        {96000, 960, 1}, {96000, 95999, 99},
    };
    for (const Case &c : cases) {
        std::vector<short> samples(c.rate);
        samples[c.click] = -32768;
        Peaks heard = Levels(c.rate, 1, samples);
        std::vector<int> expected = Repeated(0, 100);
        expected[c.block] = 255;
        EXPECT_EQ(heard.peak, expected) << c.rate << " Hz, frame " << c.click;
    }
    // One frame of full scale in 221 (and in 220) is an RMS of 0.067 of full scale.
    std::vector<short> two(22050);
    two[220] = two[441] = 32767;
    Peaks clicks = Levels(22050, 1, two);
    EXPECT_EQ(clicks.rms[1], 66);
    EXPECT_EQ(clicks.rms[2], 66);
    EXPECT_EQ(clicks.rms[0], 0);
    EXPECT_EQ(clicks.rms[3], 0);

    Peaks silence = Levels(96000, 2, std::vector<float>(2 * 96000 * 3 / 2));
    EXPECT_EQ(silence.peak, Repeated(0, 150));
    EXPECT_EQ(silence.rms, Repeated(0, 150));
}

// The mix is the mean of the channels: one channel alone at full scale is 1/n of it, and two in
// opposite phase cancel.
TEST(OverviewLevelsTest, ChannelsAreMixedToTheirMean)
{
    struct Case {
        int channels, peak;
    };
    for (const Case &c : {Case{1, 255}, Case{2, 180}, Case{6, 104}, Case{8, 90}}) {
        for (int channel : {0, c.channels - 1}) {
            std::vector<float> floats(c.channels * 480);
            floats[100 * c.channels + channel] = 1;
            EXPECT_EQ(Levels(48000, c.channels, floats).peak, std::vector<int>({c.peak})) << c.channels;
            std::vector<short> ints(c.channels * 480);
            ints[100 * c.channels + channel] = -32768;
            EXPECT_EQ(Levels(48000, c.channels, ints).peak, std::vector<int>({c.peak})) << c.channels;
        }
    }
    std::vector<short> opposed = Tone<short>(8000, 2, 0.1, 400, 1);
    std::vector<float> opposedFloats = Tone<float>(8000, 2, 0.1, 400, 1);
    for (size_t i = 1; i < opposed.size(); i += 2) {
        opposed[i] = -opposed[i - 1];
        opposedFloats[i] = -opposedFloats[i - 1];
    }
    EXPECT_EQ(Levels(8000, 2, opposed).peak, Repeated(0, 10));
    EXPECT_EQ(Levels(8000, 2, opposedFloats).rms, Repeated(0, 10));
}

// However the decoder parts its buffers, and however few blocks a call has room for, the blocks are
// the same; the last block, shorter, is put out at the end.
TEST(OverviewLevelsTest, BuffersSplitAnywhereGiveTheSameBlocks)
{
    for (DWORD rate : {8000u, 22050u, 44100u, 96000u}) {
        for (int channels : {1, 2, 6, 8}) {
            std::vector<float> floats = Tone<float>(rate, channels, 0.337, 437, 0.6);
            for (size_t i = 0; i < floats.size(); i += 7 * channels + 1)
                floats[i] = (float)((i % 13) / 13.0 - 0.5);
            Peaks whole = Levels(rate, channels, floats);
            ASSERT_EQ(whole.peak.size(), 34u) << rate << " Hz, " << channels << " channels: 33 blocks and 0.7 of one";
            EXPECT_EQ(Levels(rate, channels, floats, {1, 219, 3, 441, 1000, 7}), whole) << rate << " " << channels;
            EXPECT_EQ(Levels(rate, channels, floats, {2205}, 1), whole) << rate << " " << channels;
            EXPECT_EQ(Levels(rate, channels, floats, {(LONGLONG)rate / 100}, 3), whole) << rate << " " << channels;
            std::vector<short> ints(floats.size());
            for (size_t i = 0; i < floats.size(); i++)
                ints[i] = (short)lround(floats[i] * 32767);
            Peaks sixteen = Levels(rate, channels, ints);
            EXPECT_EQ(Levels(rate, channels, ints, {5, 1, 882, 13}, 2), sixteen) << rate << " " << channels;
        }
    }
}

// A sound that starts late, or resumes after a gap, keeps its blocks at its time: the silence before
// it is put in as quiet blocks. A stamp less than a block ahead, or behind, puts in nothing, and so
// does a stamp past what an overview can hold.
TEST(OverviewLevelsTest, SilencePutInWhereTheSoundStartsLate)
{
    LevelMaker maker;
    ASSERT_TRUE(StartLevels(&maker, 44100, 2, SoundInt16));
    EXPECT_EQ(SilenceBefore(&maker, 25000000), 110250) << "2.5 s in";
    EXPECT_EQ(SilenceBefore(&maker, 100000), 0) << "one block";
    EXPECT_EQ(SilenceBefore(&maker, 100227), 442) << "a frame more than a block";
    EXPECT_EQ(SilenceBefore(&maker, -230000), 0);

    std::vector<OverviewBlock> blocks(300);
    int made = 0;
    EXPECT_EQ(TakeLevels(&maker, NULL, 110250, blocks.data(), 300, &made), 110250);
    EXPECT_EQ(made, 250);
    EXPECT_EQ(blocks[249].peak, 0);
    std::vector<short> loud(2 * 441, 32767);
    EXPECT_EQ(TakeLevels(&maker, (const BYTE *)loud.data(), 441, blocks.data(), 300, &made), 441);
    ASSERT_EQ(made, 1);
    EXPECT_EQ(blocks[0].peak, 255) << "the 251st block, at 2.50 s";
    EXPECT_EQ(SilenceBefore(&maker, 25100000), 0) << "where the sound goes on";
    EXPECT_EQ(SilenceBefore(&maker, 25000000), 0) << "behind";
    EXPECT_EQ(SilenceBefore(&maker, 27000000), 8379) << "after a gap of 0.19 s";
    EXPECT_EQ(SilenceBefore(&maker, 0x7FFFFFFFFFFFFFFFLL), 0) << "beyond any overview";
    EXPECT_EQ(SilenceBefore(&maker, 864000000000LL), 3810129309LL) << "a day in, less the 2.51 s taken";
}

// Rates and channels outside what a block can be made of are refused.
TEST(OverviewLevelsTest, SoundNoBlockFitsIsRefused)
{
    LevelMaker maker;
    EXPECT_TRUE(StartLevels(&maker, 8000, 1, SoundFloat32));
    EXPECT_TRUE(StartLevels(&maker, 384000, 8, SoundInt16));
    EXPECT_FALSE(StartLevels(&maker, 0, 2, SoundFloat32));
    EXPECT_FALSE(StartLevels(&maker, 999, 2, SoundFloat32));
    EXPECT_FALSE(StartLevels(&maker, 768000, 2, SoundFloat32));
    EXPECT_FALSE(StartLevels(&maker, 44100, 0, SoundFloat32));
    EXPECT_FALSE(StartLevels(&maker, 44100, 9, SoundInt16));
    EXPECT_EQ(LevelFrameBytes(&maker), 0) << "nothing to read";
}
