// The sound's time-stretch over plain buffers: pitch and length of a tone at each rate and for 1 to 8
// channels, no clicks and no gaps, joins led by the voice rather than the low-frequency channel,
// pass-through at 100 %, rate changes, chunking, the extremes and a reset.
#include "engine/source_filter/stretch.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace {

const double kAmplitude = 10000;
const double kPi = 3.14159265358979323846;

// A tone in every channel, each channel a quarter turn (or another turn) behind the one before.
std::vector<short> Tone(double frequency, DWORD rate, WORD channels, double seconds, double turn = kPi / 2)
{
    size_t frames = (size_t)(seconds * rate);
    std::vector<short> samples(frames * channels);
    for (size_t i = 0; i < frames; i++)
        for (WORD c = 0; c < channels; c++)
            samples[i * channels + c] = (short)lround(kAmplitude * sin(2 * kPi * frequency * i / rate - c * turn));
    return samples;
}

// Feeds input chunk frames at a time, taking output room frames at a time, then drains.
std::vector<short> Pump(Stretch *stretch, const std::vector<short> &input, DWORD chunk, DWORD room, bool drain = true)
{
    WORD channels = stretch->channels;
    std::vector<short> output, buffer((size_t)room * channels);
    DWORD frames = (DWORD)(input.size() / channels);
    for (DWORD at = 0; at < frames;) {
        DWORD offer = frames - at < chunk ? frames - at : chunk, consumed = 0;
        DWORD written = StretchFrames(stretch, &input[(size_t)at * channels], offer, buffer.data(), room, &consumed);
        output.insert(output.end(), buffer.begin(), buffer.begin() + (size_t)written * channels);
        at += consumed;
        EXPECT_TRUE(consumed || written) << "stuck at frame " << at;
        if (!consumed && !written)
            break;
    }
    while (drain && output.size() <= 4 * input.size() + 100000) {  // a drain that never ends shows as length
        DWORD written = FlushStretch(stretch, buffer.data(), room);
        if (!written)
            break;
        output.insert(output.end(), buffer.begin(), buffer.begin() + (size_t)written * channels);
    }
    return output;
}

std::vector<short> Stretched(const std::vector<short> &input, WORD channels, DWORD rate, double speed)
{
    Stretch stretch;
    EXPECT_TRUE(StartStretch(&stretch, channels, rate, 0));
    SetStretchRate(&stretch, speed);
    std::vector<short> output = Pump(&stretch, input, 4096, 4096);
    EndStretch(&stretch);
    return output;
}

// Cycles a second of one channel over frames first..last, by upward zero crossings.
double Frequency(const std::vector<short> &samples, WORD channels, WORD channel, size_t first, size_t last, DWORD rate)
{
    double firstCrossing = -1, lastCrossing = -1;
    int crossings = 0;
    for (size_t i = first; i + 1 < last; i++) {
        double a = samples[i * channels + channel], b = samples[(i + 1) * channels + channel];
        if (a < 0 && b >= 0) {
            double at = i + a / (a - b);
            if (firstCrossing < 0)
                firstCrossing = at;
            lastCrossing = at;
            crossings++;
        }
    }
    return crossings > 1 ? (crossings - 1) * rate / (lastCrossing - firstCrossing) : 0;
}

int LargestStep(const std::vector<short> &samples, WORD channels)
{
    int largest = 0;
    for (size_t i = channels; i < samples.size(); i++)
        largest = std::max(largest, abs(samples[i] - samples[i - channels]));
    return largest;
}

// The quietest stretch of window frames, as its loudest sample: a gap shows as a low one.
int QuietestPeak(const std::vector<short> &samples, WORD channels, size_t first, size_t last, size_t window)
{
    int quietest = 32767;
    for (size_t start = first; start + window <= last; start += window / 4) {
        int peak = 0;
        for (size_t i = start * channels; i < (start + window) * channels; i++)
            peak = std::max(peak, abs(samples[i]));
        quietest = std::min(quietest, peak);
    }
    return quietest;
}

// Channels that cancel out in a mix (four quarter turns, a pair of opposite polarity) must guide
// the join as well as any.
struct ToneCase {
    WORD   channels;
    DWORD  rate;
    double speed;
    int    largestStep;   // the tone's own, 2 * 10000 * sin(pi * 440 / rate), and 1 % for rounding
    double turn = kPi / 2;
};

class StretchToneTest : public testing::TestWithParam<ToneCase> {};

TEST_P(StretchToneTest, KeepsPitchScalesLengthAndNeitherClicksNorFalls)
{
    const ToneCase &c = GetParam();
    std::vector<short> input = Tone(440, c.rate, c.channels, 3.0, c.turn);
    std::vector<short> output = Stretched(input, c.channels, c.rate, c.speed);
    size_t frames = output.size() / c.channels;
    EXPECT_NEAR(frames, 3.0 * c.rate / c.speed, 0.01 * 3.0 * c.rate / c.speed);
    for (WORD channel = 0; channel < c.channels; channel++)
        EXPECT_NEAR(Frequency(output, c.channels, channel, frames / 10, frames * 9 / 10, c.rate), 440, 4.4)
            << "channel " << channel;
    EXPECT_LE(LargestStep(output, c.channels), c.largestStep);
    EXPECT_GE(QuietestPeak(output, c.channels, 0, frames, c.rate / 200), 9000);
}

INSTANTIATE_TEST_SUITE_P(Rates, StretchToneTest,
                         testing::Values(ToneCase{1, 44100, 0.5, 634}, ToneCase{1, 44100, 0.7, 634},
                                         ToneCase{1, 44100, 1.5, 634}, ToneCase{1, 44100, 2.0, 634},
                                         ToneCase{2, 48000, 0.5, 582}, ToneCase{2, 48000, 0.7, 582},
                                         ToneCase{2, 48000, 1.5, 582}, ToneCase{2, 48000, 2.0, 582},
                                         ToneCase{2, 44100, 0.7, 634}, ToneCase{1, 48000, 1.5, 582},
                                         ToneCase{3, 44100, 0.7, 634}, ToneCase{3, 44100, 1.5, 634},
                                         ToneCase{4, 48000, 0.7, 582}, ToneCase{4, 48000, 1.5, 582},
                                         ToneCase{5, 44100, 0.7, 634}, ToneCase{5, 44100, 1.5, 634},
                                         ToneCase{6, 48000, 0.7, 582}, ToneCase{6, 48000, 1.5, 582},
                                         ToneCase{7, 44100, 0.7, 634}, ToneCase{7, 44100, 1.5, 634},
                                         ToneCase{8, 48000, 0.7, 582}, ToneCase{8, 48000, 1.5, 582},
                                         ToneCase{2, 44100, 0.7, 634, kPi}, ToneCase{2, 44100, 1.5, 634, kPi}),
                         [](const testing::TestParamInfo<ToneCase> &info) {
                             const ToneCase &c = info.param;
                             return std::to_string(c.channels) + (c.turn == kPi ? "OpposedChannels" : "Channels") +
                                    std::to_string(c.rate) + "HzAt" + std::to_string((int)(c.speed * 100 + 0.5)) +
                                    "Percent";
                         });

// A quiet voice (440 Hz at 1000) over a loud rumble (60 Hz at 30000) in the low-frequency channel,
// wherever the layout puts it: the joins follow the voice, which stays in phase at every join, not
// the channel that a stereo mix drops anyway. Led by the rumble, the voice dipped to 870.
TEST(StretchTest, TheJoinFollowsTheVoiceNotTheLowFrequencyChannel)
{
    struct Case { WORD channels; DWORD layout; WORD lowFrequency; };
    const Case cases[] = {{6, 0, 3}, {8, 0, 3}, {5, 0x3B, 2}};
    const double speeds[] = {0.7, 1.5};
    for (const Case &c : cases)
        for (double speed : speeds) {
            std::vector<short> input = Tone(440, 48000, c.channels, 3.0);
            std::vector<short> rumble = Tone(60, 48000, 1, 3.0);
            for (size_t i = 0; i < rumble.size(); i++) {
                for (WORD channel = 0; channel < c.channels; channel++)
                    input[i * c.channels + channel] /= 10;
                input[i * c.channels + c.lowFrequency] = (short)(rumble[i] * 3);
            }
            Stretch stretch;
            ASSERT_TRUE(StartStretch(&stretch, c.channels, 48000, c.layout));
            SetStretchRate(&stretch, speed);
            std::vector<short> output = Pump(&stretch, input, 4096, 4096), voice;
            EndStretch(&stretch);
            WORD heard = c.channels - 1;
            for (size_t i = 0; i < output.size(); i++)
                if (i % c.channels != c.lowFrequency)
                    voice.push_back(output[i]);
            size_t frames = voice.size() / heard;
            std::string what = std::to_string(c.channels) + " channels at " + std::to_string(speed);
            EXPECT_NEAR(Frequency(voice, heard, 0, frames / 10, frames * 9 / 10, 48000), 440, 4.4) << what;
            EXPECT_LE(LargestStep(voice, heard), 59) << what;  // the voice's own, 2 * 1000 * sin(pi * 440 / 48000)
            EXPECT_GE(QuietestPeak(voice, heard, 0, frames, 240), 980) << what;
        }
}

TEST(StretchTest, AtTheExtremesLengthAndPitchHoldWithinTheBuffers)
{
    const double speeds[] = {0.25, 4.0};
    const size_t expectedFrames[] = {176400, 11025};
    for (int i = 0; i < 2; i++) {
        std::vector<short> output = Stretched(Tone(440, 44100, 2, 1.0), 2, 44100, speeds[i]);
        size_t frames = output.size() / 2;
        EXPECT_NEAR(frames, expectedFrames[i], expectedFrames[i] / 100) << speeds[i];
        EXPECT_NEAR(Frequency(output, 2, 0, frames / 10, frames * 9 / 10, 44100), 440, 4.4) << speeds[i];
        EXPECT_LE(LargestStep(output, 2), 634) << speeds[i];
    }
}

TEST(StretchTest, AtFullSpeedTheOutputIsTheInputAndNothingIsHeld)
{
    std::vector<short> input = Tone(440, 44100, 2, 0.5);
    for (size_t i = 0; i < input.size(); i += 3)
        input[i] = (short)(i * 7919);  // not a tone: any sample, however it jumps
    Stretch stretch;
    ASSERT_TRUE(StartStretch(&stretch, 2, 44100, 0));
    std::vector<short> output = Pump(&stretch, input, 1000, 333, false);
    EXPECT_EQ(StretchHeldFrames(&stretch), 0);
    EXPECT_TRUE(output == input);
    EXPECT_EQ(FlushStretch(&stretch, &output[0], 100), 0u);
    EndStretch(&stretch);
}

TEST(StretchTest, AnyChunkingOfInputAndOutputGivesTheSameOutput)
{
    std::vector<short> input = Tone(300, 44100, 2, 0.6);
    for (size_t i = 0; i < input.size(); i++)
        input[i] = (short)(input[i] / 2 + (int)(i * 2654435761u >> 20) % 4000);  // noise: joins fall anywhere
    const double speeds[] = {0.7, 1.5};
    for (double speed : speeds) {
        Stretch stretch;
        ASSERT_TRUE(StartStretch(&stretch, 2, 44100, 0));
        SetStretchRate(&stretch, speed);
        std::vector<short> whole = Pump(&stretch, input, (DWORD)input.size(), 200000);
        const DWORD chunks[][2] = {{1, 4096}, {7, 5}, {4096, 1}, {4096, 4096}};
        for (const DWORD *chunk : chunks) {
            std::vector<short> pieces = Pump(&stretch, input, chunk[0], chunk[1]);
            EXPECT_TRUE(pieces == whole) << speed << " in " << chunk[0] << " out " << chunk[1];
        }
        EndStretch(&stretch);
    }
}

// Feeds a tone in pieces, changing the rate between pieces; the output changes pace without a break.
TEST(StretchTest, ARateChangeMidStreamLeavesNoGapNoClickAndTheRightLength)
{
    std::vector<short> input = Tone(440, 44100, 2, 3.0);
    const double speeds[] = {1.0, 1.5, 0.7, 2.0, 0.5, 1.0, 0.8, 1.0};
    Stretch stretch;
    ASSERT_TRUE(StartStretch(&stretch, 2, 44100, 0));
    std::vector<short> output;
    short buffer[2 * 512];
    DWORD piece = 44100 * 3 / 8;
    size_t switchedBack = 0;
    for (int i = 0; i < 8; i++) {
        SetStretchRate(&stretch, speeds[i]);
        if (i == 7)  // where the block made at 0.8 ends in the output
            switchedBack = output.size() / 2 + (stretch.blockFrames - stretch.blockSent);
        for (DWORD at = i * piece; at < (i + 1) * piece;) {
            DWORD consumed = 0, written = StretchFrames(&stretch, &input[at * 2], (i + 1) * piece - at, buffer, 512, &consumed);
            output.insert(output.end(), buffer, buffer + written * 2);
            at += consumed;
        }
    }
    // The nominal length: each eighth at its rate, ending with the held frames still to go.
    double expected = piece * (1 / 1.0 + 1 / 1.5 + 1 / 0.7 + 1 / 2.0 + 1 / 0.5 + 1 / 1.0 + 1 / 0.8);
    EXPECT_NEAR(output.size() / 2 + StretchHeldFrames(&stretch), expected + piece, 0.01 * expected);
    size_t frames = output.size() / 2;
    EXPECT_LE(LargestStep(output, 2), 634);
    EXPECT_GE(QuietestPeak(output, 2, 0, frames, 220), 9000);
    EXPECT_NEAR(Frequency(output, 2, 1, 0, frames, 44100), 440, 4.4);
    // Back at 1.0, once the last block is out, the output is the input itself, going on from that
    // block's own last 4 ms (176 frames past its crossfade) without a frame left out or repeated.
    size_t from = switchedBack - 176, length = frames - from;
    bool found = false;
    for (size_t at = 0; at + length <= input.size() / 2 && !found; at++)
        found = memcmp(&input[at * 2], &output[from * 2], length * 2 * sizeof(short)) == 0;
    EXPECT_TRUE(found) << length << " frames from the last block's end";
    EndStretch(&stretch);
}

TEST(StretchTest, AResetDropsWhatIsHeld)
{
    Stretch stretch;
    ASSERT_TRUE(StartStretch(&stretch, 1, 44100, 0));
    SetStretchRate(&stretch, 0.5);
    std::vector<short> buffer(20000);
    std::vector<short> tone = Tone(440, 44100, 1, 0.1);
    DWORD consumed = 0;
    StretchFrames(&stretch, tone.data(), 4410, buffer.data(), 100, &consumed);
    EXPECT_EQ(consumed, 4410u);
    EXPECT_GT(StretchHeldFrames(&stretch), 4000);
    ResetStretch(&stretch);
    EXPECT_EQ(StretchHeldFrames(&stretch), 0);
    std::vector<short> silence(4410);
    std::vector<short> output = Pump(&stretch, silence, 4410, 20000);
    EXPECT_NEAR(output.size(), 8820, 1323);  // the end drains to within 30 ms, the search's reach and a block
    EXPECT_EQ(LargestStep(output, 1), 0) << "something of the tone before the reset came out";
    EXPECT_EQ(output[0], 0);
    EndStretch(&stretch);
}

TEST(StretchTest, HeldFramesAccountForEveryInputFrameAtTheRate)
{
    Stretch stretch;
    ASSERT_TRUE(StartStretch(&stretch, 2, 48000, 0));
    SetStretchRate(&stretch, 1.5);
    std::vector<short> input = Tone(440, 48000, 2, 1.0);
    short buffer[2 * 700];
    DWORD in = 0, out = 0;
    // Each frame out stands for 1.5 frames in, and the rest are held, whichever call a block spans.
    while (in < 48000) {
        DWORD consumed = 0, offer = 48000 - in < 1000 ? 48000 - in : 1000;
        out += StretchFrames(&stretch, &input[in * 2], offer, buffer, 700, &consumed);
        in += consumed;
        EXPECT_DOUBLE_EQ(out * 1.5 + StretchHeldFrames(&stretch), in) << in << " in, " << out << " out";
    }
    EXPECT_GT(StretchHeldFrames(&stretch), 720);   // the search's reach ahead: at least 15 ms
    EXPECT_LT(StretchHeldFrames(&stretch), 4800);  // and less than 100 ms
    EndStretch(&stretch);
}

TEST(StretchTest, StartRefusesWhatItCannotHoldAndClampsTheRate)
{
    Stretch stretch;
    EXPECT_FALSE(StartStretch(&stretch, 0, 44100, 0));
    EXPECT_FALSE(StartStretch(&stretch, 9, 44100, 0));
    EXPECT_FALSE(StartStretch(&stretch, 2, 400000, 0));
    ASSERT_TRUE(StartStretch(&stretch, 8, 384000, 0));
    SetStretchRate(&stretch, 10);
    EXPECT_EQ(stretch.rate, 4.0);
    SetStretchRate(&stretch, 0.1);
    EXPECT_EQ(stretch.rate, 0.25);
    std::vector<short> output = Pump(&stretch, Tone(440, 384000, 8, 0.2), 4096, 4096);
    // Within the search's reach of the end: 15 ms of input, 60 ms of output at 25 %.
    EXPECT_NEAR(output.size() / 8, 307200, 23040);
    EndStretch(&stretch);
}

}  // namespace
