// The jumps to words on made-up overviews: the silence level each recording gets, where the next
// and the previous words are found, and what is not known while the overview grows.
#include <gtest/gtest.h>

#include "engine/overview.h"
#include "navigation/navigation.h"

#include <initializer_list>

static const REFERENCE_TIME kMs = 10000;

// A stretch of the recording: its length in 10 ms blocks and the RMS byte of each.
struct Stretch { int blocks; BYTE rms; };

class Recording {
public:
    Recording(std::initializer_list<Stretch> stretches)
    {
        for (const Stretch &stretch : stretches)
            for (int i = 0; i < stretch.blocks; i++)
                EXPECT_TRUE(AppendOverviewBlock(&blocks, OverviewBlock{stretch.rms, stretch.rms}));
    }
    ~Recording() { FreeOverviewBlocks(&blocks); }
    Recording(const Recording &) = delete;
    Recording &operator=(const Recording &) = delete;

    int count() const { return blocks.count; }

    // The landing from the place, in ms; -1 for no words, -2 for not known yet.
    long long next(long long placeMs, int known = -1, bool complete = true) const
    {
        return Answer(NextWordsAfter, placeMs, known, complete);
    }
    long long previous(long long placeMs, int known = -1, bool complete = true) const
    {
        return Answer(PreviousWordsBefore, placeMs, known, complete);
    }
    int level(int known = -1) const { return SilenceLevel(&blocks, known < 0 ? blocks.count : known); }

private:
    typedef WordsFound (*Jump)(const OverviewBlocks *, int, bool, REFERENCE_TIME, REFERENCE_TIME *);
    long long Answer(Jump jump, long long placeMs, int known, bool complete) const
    {
        REFERENCE_TIME landing = -12345;
        WordsFound found = jump(&blocks, known < 0 ? blocks.count : known, complete, placeMs * kMs, &landing);
        if (found == NO_WORDS)
            return -1;
        if (found == WORDS_NOT_KNOWN_YET)
            return -2;
        EXPECT_EQ(landing % kMs, 0) << "a landing on a whole block less 0.2 s";
        return landing / kMs;
    }

    OverviewBlocks blocks = {};
};

static const long long kNoWords = -1;
static const long long kNotKnownYet = -2;

// The quietest tenth's RMS doubled (+12 dB), and never below 8 (−60 dBFS), so that true zeros
// still give a level.
TEST(WordJumps, TheSilenceLevelIsTheQuietestTenthDoubledAboveAFloor)
{
    EXPECT_EQ(Recording({{90, 100}, {10, 20}}).level(), 40);
    EXPECT_EQ(Recording({{89, 100}, {11, 20}}).level(), 40);
    EXPECT_EQ(Recording({{91, 100}, {9, 20}}).level(), 200) << "fewer than a tenth at 20";
    EXPECT_EQ(Recording({{50, 150}, {50, 30}, {20, 35}}).level(), 60) << "the blocks need not be in order";
    EXPECT_EQ(Recording({{80, 120}, {20, 0}}).level(), 8) << "digital silence";
    EXPECT_EQ(Recording({{80, 120}, {20, 3}}).level(), 8) << "dither";
    EXPECT_EQ(Recording({{80, 120}, {20, 5}}).level(), 10);
    EXPECT_EQ(Recording({}).level(), 8);
    Recording growing({{20, 10}, {200, 90}});
    EXPECT_EQ(growing.level(20), 20) << "from the known blocks alone";
}

// Speech (150), then pauses of 0.49 s, 0.5 s and 2 s, each before 1 s of speech: only the pauses of
// half a second or more start words, the landing is 0.2 s before them, and a press from a landing
// goes on to the next words.
TEST(WordJumps, NextWordsComeAfterHalfASecondOfSilenceAndNeverStay)
{
    for (BYTE pause : {0, 40}) {
        // Noise of 40 in the pauses gives a level of 80 that it stays under.
        Recording talk({{100, 150}, {49, pause}, {100, 150}, {50, pause}, {100, 150}, {200, pause}, {100, 150}});
        EXPECT_EQ(talk.next(0), 2790) << "past the 0.49 s pause, to 0.2 s before the words at 2.99 s; pause " << int(pause);
        EXPECT_EQ(talk.next(2790), 5790) << "from the landing on to the next words";
        EXPECT_EQ(talk.next(2789), 2790);
        EXPECT_EQ(talk.next(2900), 5790) << "between landing and words the words are behind";
        EXPECT_EQ(talk.next(4000), 5790) << "the pause may begin before the place";
        EXPECT_EQ(talk.next(5790), kNoWords) << "no words after the last";
        EXPECT_EQ(talk.next(-5000), 0) << "from before the start, the words at the start";
    }
    // Quiet speech above the floor, in digital silence, is words as well.
    Recording quiet({{60, 0}, {100, 9}, {60, 0}, {100, 9}});
    EXPECT_EQ(quiet.next(0), 400);
    Recording faint({{60, 0}, {100, 7}, {60, 0}, {100, 7}});
    EXPECT_EQ(faint.next(0), kNoWords) << "under −60 dBFS is silence";
}

// The time before the start counts as silence: a clip that starts with speech, or with a short pause
// before it, starts with words. Silence at the end starts none.
TEST(WordJumps, TheStartBeginsWordsAndTheEndHasNone)
{
    Recording late({{30, 0}, {100, 150}, {60, 0}, {100, 150}, {300, 0}});
    EXPECT_EQ(late.next(0), 100) << "0.2 s before the words at 0.3 s";
    EXPECT_EQ(late.next(100), 1700);
    EXPECT_EQ(late.next(1700), kNoWords);
    EXPECT_EQ(late.next(5900), kNoWords) << "at the end";
    EXPECT_EQ(late.next(1700, -1, false), kNotKnownYet) << "the clip may go on";
    EXPECT_EQ(late.previous(1400), 100) << "words that began 1.1 s back";
    EXPECT_EQ(late.previous(900), 0) << "the first words began only 0.6 s back: the start";
    EXPECT_EQ(late.previous(0), 0);
    EXPECT_EQ(late.previous(5900), 1700);

    Recording early({{100, 150}, {60, 0}, {100, 150}});
    EXPECT_EQ(early.previous(1500), 0) << "the words at the very start, landing no earlier than it";
    EXPECT_EQ(early.next(0), 1400) << "the start is not ahead of itself";
}

// Back to where the speech before the place began, more than 0.8 s back (as Home does for marks):
// a pause of 0.3 s inside it is no new words, and from just after words began it goes to the
// words before them.
TEST(WordJumps, PreviousWordsGoBackToTheStartOfTheSpeechMoreThanAFewTenthsBack)
{
    Recording talk({{200, 0}, {100, 150}, {30, 0}, {100, 150}, {200, 0}, {150, 150}, {100, 0}});
    // Words begin at 2 s and at 6.3 s.
    EXPECT_EQ(talk.previous(7500), 6100) << "inside speech";
    EXPECT_EQ(talk.previous(6300 + 810), 6100);
    EXPECT_EQ(talk.previous(6300 + 800), 1800) << "words exactly 0.8 s back are passed over";
    EXPECT_EQ(talk.previous(6300 + 500), 1800) << "just after they began: the words before";
    EXPECT_EQ(talk.previous(6100), 1800) << "from a landing of Ctrl+Right, back";
    EXPECT_EQ(talk.previous(3500), 1800) << "after the 0.3 s pause, still the same words";
    EXPECT_EQ(talk.previous(2500), 0) << "0.5 s into the first words";
    EXPECT_EQ(talk.previous(9999), 6100) << "in the silence at the end";
}

// While the overview grows: the next words are not known until an onset is, and the previous ones
// until the known blocks reach the place; blocks past the known count are never read.
TEST(WordJumps, AGrowingOverviewIsNotKnownUntilItReachesFarEnough)
{
    Recording talk({{100, 150}, {200, 0}, {100, 150}, {200, 0}, {100, 150}});
    // Words at 3 s and 6 s.
    EXPECT_EQ(talk.next(0, 250, false), kNotKnownYet) << "in the pause";
    EXPECT_EQ(talk.next(0, 300, false), kNotKnownYet) << "the pause known up to its last block";
    EXPECT_EQ(talk.next(0, 301, false), 2800) << "its first loud block known";
    EXPECT_EQ(talk.next(2800, 450, false), kNotKnownYet) << "the words at 6 s not known";
    EXPECT_EQ(talk.next(2800, 450, true), kNoWords) << "a complete overview has no more";
    EXPECT_EQ(talk.next(2800, 700, false), 5800);
    EXPECT_EQ(talk.next(5000, 0, false), kNotKnownYet) << "nothing known";

    EXPECT_EQ(talk.previous(7000, 699, false), kNotKnownYet) << "the known blocks end before the place";
    EXPECT_EQ(talk.previous(7000, 700, false), 5800);
    EXPECT_EQ(talk.previous(7000, 500, true), 2800) << "a complete overview shorter than the place";
    EXPECT_EQ(talk.previous(3500, 350, false), 0);
}
