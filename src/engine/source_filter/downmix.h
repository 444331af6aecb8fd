// Speakers of more than two channels, and their sound mixed down to stereo for a renderer that takes
// no more, so that every voice is heard on two speakers.
#pragma once

#include <windows.h>
#include <mmreg.h>

static const WORD  kMaxSpeakers = 8;
static const DWORD kStereoSpeakers = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;

struct Downmix {
    WORD channels;            // interleaved channels mixed, 3..kMaxSpeakers; 0 when the sound goes out as it is
    int  left[kMaxSpeakers];  // each channel's weight in the left side, Q15
    int  right[kMaxSpeakers]; // and in the right
};

// The speakers of `channels` interleaved channels (SPEAKER_ bits; the channels go in the order of
// the bits): the decoder's mask when it names exactly that many, else the usual layout for that
// many (5.1 for six, 7.1 for eight), 0 for a count that has none.
DWORD SpeakerLayout(WORD channels, DWORD mask);
// The channel that carries speaker (one SPEAKER_ bit) in layout, or -1 when none does.
int   SpeakerChannel(DWORD layout, DWORD speaker);
// The mix of 3..kMaxSpeakers channels laid out so: each front side into its own side, the centre
// and the surrounds at -3 dB into both sides, the low-frequency channel left out, and the whole
// scaled so that no side's weights add up to more than one. False, and no mix, for another count.
bool  StartDownmix(Downmix *mix, WORD channels, DWORD layout);
// 16-bit interleaved PCM of mix->channels mixed to stereo in the same buffer, whole frames only;
// returns the stereo bytes. Each stereo frame is written after its own frame is read and before any
// later one, so nothing still to be read is overwritten. With no mix the sound is left as it is.
DWORD DownmixInPlace(const Downmix *mix, BYTE *pcm, DWORD bytes);

// Which front side of a recording is heard: both as they are, or one alone on both speakers.
enum SideHeard { BothSides = 0, LeftSide = 1, RightSide = 2 };
// One front side alone of 16-bit interleaved PCM of channels (2..kMaxSpeakers) laid out so, written in
// the same buffer as frames of outChannels (2 when the sound is mixed to stereo, else channels): that
// side on both front speakers and the other speakers silent. Returns the bytes written; whole frames.
DWORD KeepOneSide(BYTE *pcm, DWORD bytes, WORD channels, DWORD layout, WORD outChannels, SideHeard side);
