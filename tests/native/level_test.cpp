// The voices levelled, over plain buffers: a quiet and a loud speaker alike, silence and hiss left
// low, nothing clipped, a reset levelled at once, and the sound untouched while off; and the front
// side heard alone, from stereo, mono and 5.1.
#include "engine/source_filter/downmix.h"
#include "engine/source_filter/level.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <vector>

namespace {

const DWORD kRate = 48000;
const double kPi = 3.14159265358979323846;

// A voice as far as a level can tell: 300 Hz and its harmonics, in syllables at 4 a second, stereo,
// scaled so that its whole length has the mean square of dbfs.
std::vector<short> Speech(double dbfs, double seconds, double offset = 0)
{
    size_t frames = (size_t)(seconds * kRate);
    std::vector<double> voice(frames);
    double squares = 0;
    for (size_t i = 0; i < frames; i++) {
        double t = offset + (double)i / kRate;
        double syllable = 0.5 - 0.5 * cos(2 * kPi * 4 * t);
        double tone = sin(2 * kPi * 300 * t) + 0.5 * sin(2 * kPi * 600 * t) + 0.3 * sin(2 * kPi * 900 * t) +
                      0.2 * sin(2 * kPi * 1200 * t);
        voice[i] = syllable * tone;
        squares += voice[i] * voice[i];
    }
    double scale = 32768 * pow(10, dbfs / 20) / sqrt(squares / frames);
    std::vector<short> pcm(frames * 2);
    for (size_t i = 0; i < frames; i++)
        pcm[2 * i] = pcm[2 * i + 1] = (short)lround(voice[i] * scale);
    return pcm;
}

std::vector<short> Noise(double dbfs, double seconds)
{
    srand(7);
    double peak = 32768 * pow(10, dbfs / 20) * sqrt(3.0);  // uniform noise of that mean square
    std::vector<short> pcm((size_t)(seconds * kRate) * 2);
    for (short &s : pcm)
        s = (short)lround(peak * (2.0 * rand() / RAND_MAX - 1));
    return pcm;
}

// dB of full scale of frames first..last (seconds) of stereo PCM.
double Level(const std::vector<short> &pcm, double first, double last)
{
    size_t from = (size_t)(first * kRate) * 2, to = (size_t)(last * kRate) * 2;
    double squares = 0;
    for (size_t i = from; i < to; i++)
        squares += (double)pcm[i] * pcm[i];
    return 10 * log10(squares / (to - from) / (32768.0 * 32768.0) + 1e-20);
}

std::vector<short> Levelled(std::vector<short> pcm, DWORD chunk = 1000)
{
    Leveller level;
    StartLevel(&level, 2, kRate);
    SetLevelling(&level, true);
    for (size_t at = 0; at < pcm.size() / 2; at += chunk) {
        DWORD frames = (DWORD)(pcm.size() / 2 - at < chunk ? pcm.size() / 2 - at : chunk);
        LevelFrames(&level, &pcm[at * 2], frames);
    }
    return pcm;
}

void Append(std::vector<short> *to, const std::vector<short> &more)
{
    to->insert(to->end(), more.begin(), more.end());
}

TEST(LevelTest, AQuietAndALoudSpeakerComeOutAlikeAndNothingClips)
{
    std::vector<short> quiet = Levelled(Speech(-40, 3)), loud = Levelled(Speech(-20, 3));
    EXPECT_NEAR(Level(Speech(-40, 3), 0.5, 3), -40, 0.1) << "the signals are what they say";
    EXPECT_NEAR(Level(quiet, 0.5, 3), Level(loud, 0.5, 3), 3) << "after the attack";
    EXPECT_NEAR(Level(loud, 0.5, 3), -20, 4) << "at speech level";
    // A loud voice breaking in while the gain is up is over full scale until the attack: it is bent
    // below it, never clipped.
    std::vector<short> shouted = Speech(-40, 2);
    Append(&shouted, Speech(-14, 1, 0.125));  // at the height of a syllable
    shouted = Levelled(shouted);
    int most = 0;
    for (short s : shouted)
        most = abs(s) > most ? abs(s) : most;
    EXPECT_GT(most, 30000) << "the limit was reached";
    EXPECT_LT(most, 32767);
    // One speaker after the other: the quiet one is brought up within a second and a half.
    std::vector<short> talk = Speech(-20, 3);
    Append(&talk, Speech(-40, 3, 3));
    talk = Levelled(talk);
    EXPECT_NEAR(Level(talk, 4.5, 6), Level(talk, 1, 3), 3);
}

TEST(LevelTest, SilenceStaysSilentAndHissIsNotRaised)
{
    std::vector<short> silence(kRate * 2, 0);
    EXPECT_EQ(Levelled(silence), silence);
    std::vector<short> hiss = Noise(-70, 3);
    EXPECT_LT(Level(Levelled(hiss), 0.5, 3) - Level(hiss, 0.5, 3), 6);
    // Hiss in a quiet speaker's pause is not raised to speech either.
    std::vector<short> talk = Speech(-40, 2);
    Append(&talk, hiss);
    std::vector<short> heard = Levelled(talk);
    EXPECT_LT(Level(heard, 3.5, 5) - Level(talk, 3.5, 5), 6);
}

// After a seek into another speaker, the level is found within 30 ms: the frames from 30 ms on are
// as a long run of that speaker gives them, whichever speaker was before.
TEST(LevelTest, AResetIsLevelledWithinThirtyMilliseconds)
{
    for (double before : {-40.0, -10.0}) {
        for (double after : {-40.0, -20.0}) {
            Leveller level;
            StartLevel(&level, 2, kRate);
            SetLevelling(&level, true);
            std::vector<short> first = Speech(before, 2);
            LevelFrames(&level, first.data(), (DWORD)first.size() / 2);
            ResetLevel(&level);
            // From the rise of a syllable, 2.1 s into a long run of the speaker.
            std::vector<short> run = Speech(after, 3);
            std::vector<short> next(run.begin() + (size_t)(2.1 * kRate) * 2, run.end());
            LevelFrames(&level, next.data(), (DWORD)next.size() / 2);
            double want = Level(Levelled(run), 2.13, 2.3);
            EXPECT_NEAR(Level(next, 0.03, 0.2), want, 3) << before << " then " << after;
        }
    }
}

TEST(LevelTest, OffPassesEverySampleAsItIs)
{
    std::vector<short> talk = Speech(-40, 1), copy = talk;
    Leveller level;
    StartLevel(&level, 2, kRate);
    LevelFrames(&level, talk.data(), (DWORD)talk.size() / 2);
    EXPECT_EQ(talk, copy) << "off from the start";
    SetLevelling(&level, true);
    LevelFrames(&level, talk.data(), (DWORD)talk.size() / 4);
    EXPECT_NE(talk, copy);
    talk = copy;
    SetLevelling(&level, false);
    LevelFrames(&level, talk.data(), (DWORD)talk.size() / 2);
    EXPECT_EQ(talk, copy) << "turned off again";
}

// Frames whose every channel c carries 100 * (c + 1) + the frame's index.
std::vector<short> Numbered(WORD channels, DWORD frames)
{
    std::vector<short> pcm((size_t)channels * frames);
    for (DWORD i = 0; i < frames; i++)
        for (WORD c = 0; c < channels; c++)
            pcm[(size_t)i * channels + c] = (short)(100 * (c + 1) + i);
    return pcm;
}

TEST(SideHeardTest, OneFrontSideOnBothSpeakers)
{
    struct Case { WORD channels; DWORD layout; WORD out; SideHeard side; int from; int left, right; };
    const DWORD k51 = 0x3F;  // FL FR FC LFE BL BR
    const Case cases[] = {
        {2, kStereoSpeakers, 2, LeftSide, 0, 0, 1},
        {2, kStereoSpeakers, 2, RightSide, 1, 0, 1},
        {6, k51, 2, LeftSide, 0, 0, 1},         // mixed to stereo: the front left, not the mix
        {6, k51, 2, RightSide, 1, 0, 1},
        {6, k51, 6, RightSide, 1, 0, 1},        // all six out: the front pair, the rest silent
        {3, SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_LOW_FREQUENCY, 3, RightSide, 1, 0, 1},
        {4, SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT, 4, RightSide, 0, 0, 0},
    };
    for (const Case &c : cases) {
        const DWORD frames = 5;
        std::vector<short> pcm = Numbered(c.channels, frames);
        DWORD bytes = KeepOneSide((BYTE *)pcm.data(), (DWORD)pcm.size() * 2 + 1, c.channels, c.layout, c.out, c.side);
        ASSERT_EQ(bytes, frames * c.out * 2u) << c.channels << " to " << c.out;
        for (DWORD i = 0; i < frames; i++)
            for (WORD o = 0; o < c.out; o++) {
                short want = o == c.left || o == c.right ? (short)(100 * (c.from + 1) + i) : 0;
                EXPECT_EQ(pcm[(size_t)i * c.out + o], want)
                    << c.channels << " to " << c.out << ", frame " << i << " channel " << o;
            }
    }
}

}  // namespace
