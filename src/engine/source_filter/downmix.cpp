// Speaker layouts and the stereo mix of more channels, over plain buffers.
#include "engine/source_filter/downmix.h"

#include <math.h>

static const int kUnity = 32768;                      // the weights in Q15
static const double kHalfPower = 0.70710678118654752; // -3 dB

// The usual layouts by channel count, as decoders and WAVEFORMATEXTENSIBLE order them.
static const DWORD kLayouts[kMaxSpeakers + 1] = {
    0,
    SPEAKER_FRONT_CENTER,
    kStereoSpeakers,
    kStereoSpeakers | SPEAKER_FRONT_CENTER,
    kStereoSpeakers | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT,
    kStereoSpeakers | SPEAKER_FRONT_CENTER | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT,
    kStereoSpeakers | SPEAKER_FRONT_CENTER | SPEAKER_LOW_FREQUENCY | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT,
    kStereoSpeakers | SPEAKER_FRONT_CENTER | SPEAKER_LOW_FREQUENCY | SPEAKER_BACK_CENTER | SPEAKER_SIDE_LEFT |
        SPEAKER_SIDE_RIGHT,
    kStereoSpeakers | SPEAKER_FRONT_CENTER | SPEAKER_LOW_FREQUENCY | SPEAKER_BACK_LEFT | SPEAKER_BACK_RIGHT |
        SPEAKER_SIDE_LEFT | SPEAKER_SIDE_RIGHT,
};

struct SpeakerWeights { DWORD speaker; double left, right; };

// A speaker not listed (the centre, one above or one not named) is heard in both sides at -3 dB.
static const SpeakerWeights kWeights[] = {
    {SPEAKER_FRONT_LEFT, 1, 0},
    {SPEAKER_FRONT_RIGHT, 0, 1},
    {SPEAKER_FRONT_LEFT_OF_CENTER, 1, 0},
    {SPEAKER_FRONT_RIGHT_OF_CENTER, 0, 1},
    {SPEAKER_LOW_FREQUENCY, 0, 0},
    {SPEAKER_BACK_LEFT, kHalfPower, 0},
    {SPEAKER_BACK_RIGHT, 0, kHalfPower},
    {SPEAKER_SIDE_LEFT, kHalfPower, 0},
    {SPEAKER_SIDE_RIGHT, 0, kHalfPower},
    {SPEAKER_BACK_CENTER, 0.5, 0.5},
};

static int Speakers(DWORD layout)
{
    int count = 0;
    for (; layout; layout &= layout - 1)
        count++;
    return count;
}

DWORD SpeakerLayout(WORD channels, DWORD mask)
{
    if (mask && Speakers(mask) == channels)
        return mask;
    return channels <= kMaxSpeakers ? kLayouts[channels] : 0;
}

int SpeakerChannel(DWORD layout, DWORD speaker)
{
    return layout & speaker ? Speakers(layout & (speaker - 1)) : -1;
}

static void Weigh(DWORD speaker, double *left, double *right)
{
    *left = *right = kHalfPower;
    for (const SpeakerWeights &w : kWeights)
        if (w.speaker == speaker) {
            *left = w.left;
            *right = w.right;
        }
}

bool StartDownmix(Downmix *mix, WORD channels, DWORD layout)
{
    mix->channels = 0;
    if (channels < 3 || channels > kMaxSpeakers)
        return false;
    double left[kMaxSpeakers], right[kMaxSpeakers], leftSum = 0, rightSum = 0;
    DWORD rest = layout;
    for (WORD c = 0; c < channels; c++) {
        DWORD speaker = rest & (~rest + 1);  // the lowest bit left; 0 once the layout is used up
        rest &= ~speaker;
        Weigh(speaker, &left[c], &right[c]);
        leftSum += left[c];
        rightSum += right[c];
    }
    double most = leftSum > rightSum ? leftSum : rightSum;
    double gain = most > 1 ? 1 / most : 1;
    for (WORD c = 0; c < channels; c++) {
        mix->left[c] = (int)lround(kUnity * left[c] * gain);
        mix->right[c] = (int)lround(kUnity * right[c] * gain);
    }
    mix->channels = channels;
    return true;
}

// The weights' rounding may carry a full-scale sum one step past the edge.
static short Saturated(int sum)
{
    int value = (sum + kUnity / 2) >> 15;
    return (short)(value > 32767 ? 32767 : value < -32768 ? -32768 : value);
}

DWORD DownmixInPlace(const Downmix *mix, BYTE *pcm, DWORD bytes)
{
    WORD channels = mix->channels;
    if (!channels)
        return bytes;
    short *samples = (short *)pcm;
    DWORD frames = bytes / (2 * channels);
    for (DWORD i = 0; i < frames; i++) {
        const short *frame = samples + (size_t)i * channels;
        int left = 0, right = 0;
        for (WORD c = 0; c < channels; c++) {
            left += frame[c] * mix->left[c];
            right += frame[c] * mix->right[c];
        }
        samples[2 * i] = Saturated(left);
        samples[2 * i + 1] = Saturated(right);
    }
    return frames * 4;
}

// A layout without that front speaker takes its first two channels for the two sides.
static int FrontChannel(DWORD layout, DWORD speaker, int otherwise)
{
    int channel = SpeakerChannel(layout, speaker);
    return channel >= 0 ? channel : otherwise;
}

// Each frame is written after its own side is read, and ends no later than its own frame did.
DWORD KeepOneSide(BYTE *pcm, DWORD bytes, WORD channels, DWORD layout, WORD outChannels, SideHeard side)
{
    short *samples = (short *)pcm;
    DWORD frames = bytes / (2 * channels);
    int from = side == RightSide ? FrontChannel(layout, SPEAKER_FRONT_RIGHT, 1)
                                 : FrontChannel(layout, SPEAKER_FRONT_LEFT, 0);
    bool laidOut = outChannels == channels;
    int left = laidOut ? FrontChannel(layout, SPEAKER_FRONT_LEFT, 0) : 0;
    int right = laidOut ? FrontChannel(layout, SPEAKER_FRONT_RIGHT, 1) : 1;
    for (DWORD i = 0; i < frames; i++) {
        short heard = samples[(size_t)i * channels + from];
        short *out = samples + (size_t)i * outChannels;
        for (WORD c = 0; c < outChannels; c++)
            out[c] = 0;
        out[left] = out[right] = heard;
    }
    return frames * outChannels * 2;
}
