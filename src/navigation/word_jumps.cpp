// Where words begin, read from the overview's 10 ms blocks: sound rising to the recording's own
// silence level after at least half a second below it. The time before the clip's start counts as
// silence, so speech from the first moment is words too.
#include "engine/overview.h"
#include "navigation/navigation.h"

// Half a second below the level before words count as new ones.
static const int kSilentBlocks = 50;
// The jump lands this early, so that the first syllable is heard.
static const REFERENCE_TIME kLeadIn = 2000000;
// Jumping back passes over words that began this close behind the place, as Home does for marks.
static const REFERENCE_TIME kPreviousWordsGrace = 8000000;
// The level is never below −60 dBFS (255 × √0.001): a recording with true zeros in its pauses still
// has one, and dither or a faint hum in them stays silence.
static const int kLowestLevel = 8;

// The quietest tenth of the known blocks' RMS, doubled: on the bytes' square-root scale that is
// 12 dB more sound.
int SilenceLevel(const OverviewBlocks *blocks, int known)
{
    int counts[256] = {};
    for (int i = 0; i < known; i++)
        counts[OverviewBlockAt(blocks, i).rms]++;
    int tenth = (known + 9) / 10;
    int rms = 0;
    for (int seen = counts[0]; seen < tenth; seen += counts[rms])
        rms++;
    return rms * 2 < kLowestLevel ? kLowestLevel : rms * 2;
}

static bool Loud(const OverviewBlocks *blocks, int index, int level)
{
    return OverviewBlockAt(blocks, index).rms >= level;
}

static REFERENCE_TIME LandingBefore(int onset)
{
    REFERENCE_TIME landing = (REFERENCE_TIME)onset * OVERVIEW_BLOCK_TIME - kLeadIn;
    return landing < 0 ? 0 : landing;
}

// The first words whose landing lies strictly after the place. The half second of silence that
// starts them may begin before the place.
WordsFound NextWordsAfter(const OverviewBlocks *blocks, int known, bool complete, REFERENCE_TIME place,
                          REFERENCE_TIME *landing)
{
    int level = SilenceLevel(blocks, known);
    // The first block whose landing can lie after the place; the count of silence starts early enough
    // to see the whole half second before it.
    REFERENCE_TIME firstOnset = place < 0 ? 0 : (place + kLeadIn) / OVERVIEW_BLOCK_TIME + 1;
    int first = firstOnset < known ? (int)firstOnset : known;
    int from = first > kSilentBlocks ? first - kSilentBlocks : 0;
    int silent = from == 0 ? kSilentBlocks : 0;
    for (int i = from; i < known; i++) {
        if (!Loud(blocks, i, level)) {
            silent++;
            continue;
        }
        if (silent >= kSilentBlocks && LandingBefore(i) > place) {
            *landing = LandingBefore(i);
            return WORDS_FOUND;
        }
        silent = 0;
    }
    return complete ? NO_WORDS : WORDS_NOT_KNOWN_YET;
}

// The last words that began more than 0.8 s before the place; the start when there are none.
WordsFound PreviousWordsBefore(const OverviewBlocks *blocks, int known, bool complete, REFERENCE_TIME place,
                               REFERENCE_TIME *landing)
{
    if (!complete && (REFERENCE_TIME)known * OVERVIEW_BLOCK_TIME < place)
        return WORDS_NOT_KNOWN_YET;
    int level = SilenceLevel(blocks, known);
    *landing = 0;
    REFERENCE_TIME latest = place - kPreviousWordsGrace;   // an onset must lie strictly before it
    if (latest <= 0)
        return WORDS_FOUND;
    REFERENCE_TIME lastOnset = (latest - 1) / OVERVIEW_BLOCK_TIME;
    int i = lastOnset < known ? (int)lastOnset : known - 1;
    while (i >= 0) {
        if (!Loud(blocks, i, level)) {
            i--;
            continue;
        }
        int silent = 0;
        while (silent < kSilentBlocks && i - silent - 1 >= 0 && !Loud(blocks, i - silent - 1, level))
            silent++;
        if (silent == kSilentBlocks || i - silent == 0) {
            *landing = LandingBefore(i);
            return WORDS_FOUND;
        }
        i -= silent + 1;
    }
    return WORDS_FOUND;
}
