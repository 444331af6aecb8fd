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

// The verbs in the player: the keys, the menu, the hot keys, the loop they end and the wait for an
// overview that does not reach far enough yet.
#include "player_test.h"

#include <vector>

class WordsTest : public PlayerTest {
protected:
    // The open clip's overview, grown by the test as its reader would grow it.
    static void StartClipOverview() { gOverview = StartOverview(L"C:\\media\\talk.wmv"); }
    static void Grow(std::initializer_list<Stretch> stretches)
    {
        std::vector<OverviewBlock> blocks;
        for (const Stretch &stretch : stretches)
            blocks.insert(blocks.end(), stretch.blocks, OverviewBlock{stretch.rms, stretch.rms});
        AddOverviewBlocks(gOverview, blocks.data(), static_cast<int>(blocks.size()));
    }
    static void EndClipOverview()
    {
        StopOverview(gOverview);
        gOverview = NULL;
    }
    static void CtrlKey(UINT vk)
    {
        standin::HoldKey(VK_CONTROL, true);
        Key(vk);
        standin::HoldKey(VK_CONTROL, false);
    }
    static bool Waiting() { return standin::TimerRunning(ghApp, WORD_JUMP_TIMER_ID); }
};

static const REFERENCE_TIME kSecond = 10000000;

// Words start at 1 s, 4 s and 7 s: the jumps land 0.2 s before them, Ctrl+Right is not also Right's
// 30 s, and every way in ends a running loop, as the other jumps do.
TEST_F(WordsTest, CtrlArrowsTheMenuAndTheHotKeysJumpToWordsAndEndTheLoop)
{
    PutSetting("globalkeys", 1);
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
                          EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, IDM_NEXT_WORDS)) << "the engine's graph: no overview";
                          EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, IDM_PREVIOUS_WORDS));
                          CtrlKey(VK_RIGHT);
                          EXPECT_EQ(standin::GraphPosition(), 0) << "no overview, no jump, nor Right's";
                          StartClipOverview();
                          Grow({{100, 0}, {100, 150}, {200, 0}, {100, 150}, {200, 0}, {100, 150}, {3100, 0}});
                          Key(VK_INSERT);
                          standin::SetGraphPosition(2 * kSecond);
                          Key(VK_INSERT);
                          ASSERT_EQ(gABState, ABLooping);
                          CtrlKey(VK_RIGHT);
                          EXPECT_EQ(gABState, ABOff);
                          EXPECT_EQ(standin::GraphPosition(), 8 * kSecond / 10) << "from A, at the start";
                          CtrlKey(VK_RIGHT);
                          EXPECT_EQ(standin::GraphPosition(), 38 * kSecond / 10);
                          CtrlKey(VK_RIGHT);
                          EXPECT_EQ(standin::GraphPosition(), 68 * kSecond / 10);
                          CtrlKey(VK_LEFT);
                          EXPECT_EQ(standin::GraphPosition(), 38 * kSecond / 10);
                          gABState = ABMarked;
                          Key(VK_RIGHT);
                          EXPECT_EQ(standin::GraphPosition(), 338 * kSecond / 10) << "Right alone jumps 30 s";
                          EXPECT_EQ(gABState, ABOff);
                          gABState = ABMarked;
                          Command(IDM_PREVIOUS_WORDS);
                          EXPECT_EQ(standin::GraphPosition(), 68 * kSecond / 10);
                          EXPECT_EQ(gABState, ABOff);
                          Command(IDM_PREVIOUS_WORDS);
                          Command(IDM_PREVIOUS_WORDS);
                          EXPECT_EQ(standin::GraphPosition(), 8 * kSecond / 10);
                          Command(IDM_NEXT_WORDS);
                          EXPECT_EQ(standin::GraphPosition(), 38 * kSecond / 10);
                          gABState = ABMarked;
                          EXPECT_TRUE(standin::PressHotKey(VK_F8, MOD_CONTROL));
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 68 * kSecond / 10) << "Ctrl+F8 as Ctrl+Right";
                          EXPECT_EQ(gABState, ABOff);
                          EXPECT_TRUE(standin::PressHotKey(VK_F7, MOD_CONTROL));
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 38 * kSecond / 10) << "Ctrl+F7 as Ctrl+Left";
                          EXPECT_TRUE(standin::PressHotKey(VK_F8));
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 88 * kSecond / 10) << "F8 alone: 5 s";
                          EXPECT_FALSE(Waiting());
                          EndClipOverview();
                      }});
}

// Known up to 3.5 s, silent from 2 s: Ctrl+Right from 2.5 s waits, asking every 50 ms, and lands
// once the words at 3.9 s come in; another waits 2 s and stays. A seek or the clip's close ends a
// wait, and words that come in after a seek move nothing; a new jump waits in place of the old.
TEST_F(WordsTest, AJumpWaitsUpToTwoSecondsForTheOverviewWithoutHoldingTheWindow)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
                          StartClipOverview();
                          Grow({{100, 0}, {100, 150}, {150, 0}});
                          standin::SetGraphPosition(25 * kSecond / 10);
                          CtrlKey(VK_RIGHT);
                          EXPECT_EQ(standin::GraphPosition(), 25 * kSecond / 10);
                          EXPECT_TRUE(Waiting());
                          standin::AdvanceClock(50);
                      },
                      [] {
                          EXPECT_TRUE(Waiting()) << "still not known";
                          Grow({{40, 0}, {50, 150}});
                          standin::AdvanceClock(50);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 37 * kSecond / 10);
                          EXPECT_FALSE(Waiting());
                          CtrlKey(VK_RIGHT);
                          EXPECT_TRUE(Waiting());
                          standin::AdvanceClock(1950);
                      },
                      [] {
                          EXPECT_TRUE(Waiting()) << "1.95 s";
                          standin::AdvanceClock(50);
                      },
                      [] {
                          EXPECT_FALSE(Waiting()) << "given up at 2 s";
                          EXPECT_TRUE(standin::MessageBoxes().empty()) << "without a word";
                          Grow({{100, 0}});
                          standin::AdvanceClock(50);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 37 * kSecond / 10) << "it stayed";
                          CtrlKey(VK_RIGHT);
                          EXPECT_TRUE(Waiting());
                          Char('5');
                          EXPECT_FALSE(Waiting()) << "a seek ends the wait";
                          EXPECT_EQ(standin::GraphPosition(), 30 * kSecond);
                          CtrlKey(VK_RIGHT);
                          CtrlKey(VK_LEFT);
                          EXPECT_TRUE(Waiting());
                          // Words at 5.4 s and at 30.4 s.
                          Grow({{100, 150}, {2400, 0}, {100, 150}});
                          standin::AdvanceClock(50);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 52 * kSecond / 10) << "the words before 30 s, not after";
                          EXPECT_FALSE(Waiting());
                          CtrlKey(VK_RIGHT);
                          EXPECT_EQ(standin::GraphPosition(), 302 * kSecond / 10);
                          CtrlKey(VK_RIGHT);
                          EXPECT_TRUE(Waiting());
                          Key(VK_F12);
                          EXPECT_FALSE(Waiting()) << "the clip's close ends the wait";
                          EXPECT_EQ(gOverview, nullptr) << "and lets the overview go";
                          standin::AdvanceClock(50);
                      },
                      [] {
                          EXPECT_EQ(gPlayState, NoClip);
                          EndClipOverview();
                      }});
}

// The own source's clips have an overview from their open: the items are there for them alone.
TEST_F(WordsTest, TheMenuItemsAreThereWhileAnOwnSourcesClipPlays)
{
    standin::AddReaderClip(kClip, {{standin::ReaderStream{}}});
    RunPlayer(kClip, {[] {
        ASSERT_NE(pSource, nullptr);
        EXPECT_FALSE(standin::MenuItemGrayed(ghMenu, IDM_NEXT_WORDS));
        EXPECT_FALSE(standin::MenuItemGrayed(ghMenu, IDM_PREVIOUS_WORDS));
        Key(VK_F12);
        EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, IDM_NEXT_WORDS)) << "no clip";
        EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, IDM_PREVIOUS_WORDS));
    }});
}
