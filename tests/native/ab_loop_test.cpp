// The A-B loop: three presses of Insert, the seeks they ask for, cancelling, a new clip, and the
// repeats: forever or counted, with a gap of silence at B, remembered for the user.
#include "player_test.h"

static const REFERENCE_TIME kA = 100000000;
static const REFERENCE_TIME kB = 150000000;

class ABLoopTest : public PlayerTest {
protected:
    static void InsertAt(REFERENCE_TIME position)
    {
        standin::SetGraphPosition(position);
        Key(VK_INSERT);
    }
    static void LoopFromAToB()
    {
        InsertAt(kA);
        InsertAt(kB);
    }
    // The engine stops at B and says so.
    static void ReachB(long code = EC_END_OF_SEGMENT)
    {
        standin::SetGraphPosition(kB);
        standin::QueueGraphEvent(code, 0, 0);
        HandleGraphEvents();
    }
    // The strip's line under the bars, on a main window 640 pixels wide.
    static std::string TimeLine()
    {
        static const RECT client = {0, 0, 640, 360};
        standin::DrawingLog().clear();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(ghStatus, &paint);
        PaintStatus(dc, &client);
        EndPaint(ghStatus, &paint);
        std::vector<std::string> &log = standin::DrawingLog();
        return log[log.size() - 2];
    }
    // Whether a call of that method was made since the mark.
    static bool Called(size_t mark, const std::string &method)
    {
        for (const std::string &call : CallsSince(mark))
            if (call == method || call.rfind(method + " ", 0) == 0)
                return true;
        return false;
    }
};

TEST_F(ABLoopTest, ThreePressesMarkLoopAndEnd)
{
    Play([] {
        size_t mark = Mark();
        InsertAt(100000000);
        EXPECT_EQ(gABState, ABMarked);
        EXPECT_EQ(grtA, 100000000);
        InsertAt(150000000);
        EXPECT_EQ(gABState, ABLooping);
        EXPECT_EQ(grtB, 150000000);
        InsertAt(120000000);
        EXPECT_EQ(gABState, ABOff);
        EXPECT_CALLS(mark, "GetCurrentPosition",
                     "GetCurrentPosition", "GetDuration", "SetPositions 100000000,5 150000000,49",
                     "GetDuration", "GetCurrentPosition", "GetDuration", "SetPositions 120000000,1 600000000,1");
    });
}

TEST_F(ABLoopTest, BBeforeAIsPassedOnUnchanged)
{
    Play([] {
        InsertAt(100000000);
        Char('0');
        size_t mark = Mark();
        InsertAt(30000000);
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetDuration", "SetPositions 100000000,5 30000000,49");
    });
}

TEST_F(ABLoopTest, InsertWhileStoppedOrWithoutAClipDoesNothing)
{
    Play([] {
        Char('s');
        size_t mark = Mark();
        InsertAt(100000000);
        EXPECT_CALLS(mark);
        EXPECT_EQ(gABState, ABOff);
        EXPECT_EQ(grtA, 0);
        CloseClip();
        Key(VK_INSERT);
        EXPECT_EQ(gABState, ABOff);
    });
}

TEST_F(ABLoopTest, PauseKeepsTheLoopAndTheLoopRestartsAfterResuming)
{
    Play([] {
        InsertAt(100000000);
        InsertAt(150000000);
        Char('p');
        Char('p');
        standin::QueueGraphEvent(EC_END_OF_SEGMENT, 0, 0);
        HandleGraphEvents();
        EXPECT_EQ(standin::GraphPosition(), 100000000);
        EXPECT_EQ(gABState, ABLooping);
    });
}

// A cancelled loop also lets the clip run to its end again, so the playlist can advance.
TEST_F(ABLoopTest, CancellingARunningLoopRestoresTheStopAtTheDuration)
{
    Play([] {
        InsertAt(100000000);
        InsertAt(150000000);
        standin::SetGraphPosition(140000000);
        size_t mark = Mark();
        Key(VK_LEFT);
        EXPECT_EQ(gABState, ABOff);
        EXPECT_CALLS(mark, "GetDuration", "GetDuration", "SetPositions 0,0 600000000,1", "GetCurrentPosition",
                     "GetDuration", "SetPositions 50000000,5 -,0");
        mark = Mark();
        gABState = ABMarked;
        Key(VK_RIGHT);
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetDuration", "SetPositions 350000000,5 -,0")
            << "only a running loop restores";
    });
}

TEST_F(ABLoopTest, NewClipStartsWithTheLoopOff)
{
    standin::PutFile("C:\\media\\talk.wmv", "");
    standin::PutFile("C:\\media\\zz.wmv", "");
    standin::AddClip("C:\\media\\zz.wmv", {});
    Play([] {
        InsertAt(100000000);
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "C:\\media\\zz.wmv");
        EXPECT_EQ(gABState, ABOff);
    });
}

TEST_F(ABLoopTest, EscapeAndDigitsAndBookmarkJumpsLeaveTheLoop)
{
    Play([] {
        InsertAt(100000000);
        InsertAt(150000000);
        Char('3');
        Key(VK_HOME);
        Key(VK_END);
        SendMessageA(ghApp, WM_LBUTTONDOWN, 0, MAKELPARAM(300, 25));
        EXPECT_EQ(gABState, ABLooping);
        Key(VK_ESCAPE);
        EXPECT_EQ(gABState, ABOff) << "the loop goes with its clip";
    });
}

TEST_F(ABLoopTest, ForeverReturnsToAAtEveryArrivalAndShowsNoCount)
{
    Play([] {
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LOOP_FOREVER)) << "forever by default";
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LOOP_GAP_NONE));
        LoopFromAToB();
        for (int arrival = 0; arrival < 6; arrival++) {
            long code = arrival % 2 ? EC_COMPLETE : EC_END_OF_SEGMENT;
            size_t mark = Mark();
            ReachB(code);
            std::string event = std::to_string(code);
            EXPECT_CALLS(mark, "GetEvent " + event, "FreeEventParams " + event + ",0,0", "GetDuration",
                         "SetPositions 100000000,5 -,0", "GetEvent empty") << arrival;
            EXPECT_EQ(gABState, ABLooping);
        }
        EXPECT_EQ(TimeLine(), "TextOut 5,58 \"0:10 / 1:00\"");
    });
}

// Once B is set the span from A plays three times in all, its repeat on the strip, then on past B
// from where B stopped it, to the clip's end.
TEST_F(ABLoopTest, ACountedLoopPlaysTheSpanThatOftenThenPlaysOnPastB)
{
    Play([] {
        Command(IDM_LOOP_3);
        EXPECT_EQ(Setting("loopcount"), 3);
        for (UINT item : {IDM_LOOP_FOREVER, IDM_LOOP_2, IDM_LOOP_3, IDM_LOOP_5})
            EXPECT_EQ(standin::MenuItemChecked(ghMenu, item), item == IDM_LOOP_3) << item;
        LoopFromAToB();
        EXPECT_EQ(TimeLine(), "TextOut 5,58 \"0:10 / 1:00   repeat 1/3\"");
        ReachB(EC_END_OF_SEGMENT);
        EXPECT_EQ(standin::GraphPosition(), kA);
        EXPECT_EQ(TimeLine(), "TextOut 5,58 \"0:10 / 1:00   repeat 2/3\"");
        ReachB(EC_COMPLETE);
        EXPECT_EQ(standin::GraphPosition(), kA) << "either end event is an arrival at B";
        EXPECT_EQ(TimeLine(), "TextOut 5,58 \"0:10 / 1:00   repeat 3/3\"");

        size_t mark = Mark();
        ReachB();
        EXPECT_CALLS(mark, "GetEvent 28", "FreeEventParams 28,0,0", "GetDuration", "GetCurrentPosition", "GetDuration",
                     "SetPositions 150000000,1 600000000,1", "GetEvent empty");
        EXPECT_EQ(gABState, ABOff);
        EXPECT_EQ(TimeLine(), "TextOut 5,58 \"0:15 / 1:00\"");
        mark = Mark();
        ReachB();
        EXPECT_CALLS(mark, "GetEvent 28", "FreeEventParams 28,0,0", "GetEvent empty") << "the loop is over";

        // A new loop counts afresh.
        LoopFromAToB();
        ReachB();
        ReachB();
        EXPECT_EQ(gABState, ABLooping);
        EXPECT_EQ(standin::GraphPosition(), kA);
    });
}

// Paused at B for the gap, the title saying nothing of it; at A once it is over, not rewound, cued
// and run; the second arrival of two ends the loop with no gap.
TEST_F(ABLoopTest, AGapHoldsAtBThenReturnsToA)
{
    standin::AddClip(kClip, {});
    size_t mark = 0;
    RunPlayer(kClip, {[&mark] {
                          Command(IDM_LOOP_2);
                          Command(IDM_LOOP_GAP_1);
                          Command(IDM_REWIND_3);
                          EXPECT_EQ(Setting("loopgap"), 1);
                          EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LOOP_GAP_1));
                          EXPECT_FALSE(standin::MenuItemChecked(ghMenu, IDM_LOOP_GAP_NONE));
                          LoopFromAToB();
                          mark = Mark();
                          ReachB();
                          EXPECT_CALLS(mark, "GetEvent 28", "FreeEventParams 28,0,0", "Pause", "GetEvent empty");
                          EXPECT_EQ(gPlayState, Running);
                          EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] ");
                          ReachB(EC_COMPLETE);
                          EXPECT_EQ(giLoopRepeat, 2) << "an arrival during the gap is the same one";
                          standin::AdvanceClock(999);
                      },
                      [&mark] {
                          EXPECT_EQ(standin::GraphPosition(), kB) << "silence until the gap is over";
                          mark = Mark();
                          standin::AdvanceClock(1);
                      },
                      [&mark] {
                          EXPECT_CALLS(mark, "GetDuration", "SetPositions 100000000,5 -,0", "Pause", "GetState 2000",
                                       "Run");
                          EXPECT_FALSE(standin::TimerRunning(ghApp, LOOP_GAP_TIMER_ID));
                          EXPECT_EQ(gPlayState, Running);
                          mark = Mark();
                          ReachB();
                          EXPECT_EQ(gABState, ABOff);
                          EXPECT_EQ(standin::GraphPosition(), kB);
                          EXPECT_FALSE(Called(mark, "Pause")) << "no gap after the last";
                      }});
}

// A pause in the gap waits at A; a stop, the clip's close, the third Insert and a cancelling jump end
// the gap, the last two playing on from B; no timer is left to act later.
TEST_F(ABLoopTest, TheUserEndsAGap)
{
    standin::AddClip(kClip, {});
    size_t mark = 0;
    RunPlayer(kClip, {[&mark] {
                          Command(IDM_LOOP_GAP_2);
                          Command(IDM_REWIND_3);
                          LoopFromAToB();
                          ReachB();
                          Char('p');
                          EXPECT_EQ(gPlayState, Paused);
                          EXPECT_EQ(standin::GraphPosition(), kA);
                          EXPECT_FALSE(standin::TimerRunning(ghApp, LOOP_GAP_TIMER_ID));
                          mark = Mark();
                          standin::AdvanceClock(2000);
                      },
                      [&mark] {
                          EXPECT_FALSE(Called(mark, "SetPositions") || Called(mark, "Run"))
                              << "the gap ended with the pause";
                          Char('p');
                          EXPECT_EQ(standin::GraphPosition(), kA) << "the rewind stops at A";
                          EXPECT_EQ(gPlayState, Running);

                          ReachB();
                          mark = Mark();
                          Key(VK_INSERT);
                          EXPECT_CALLS(mark, "GetDuration", "GetCurrentPosition", "GetDuration",
                                       "SetPositions 150000000,1 600000000,1", "Pause", "GetState 2000", "Run");
                          EXPECT_FALSE(standin::TimerRunning(ghApp, LOOP_GAP_TIMER_ID));

                          LoopFromAToB();
                          ReachB();
                          mark = Mark();
                          Key(VK_LEFT);
                          EXPECT_TRUE(Called(mark, "Run")) << "plays on";
                          EXPECT_EQ(standin::GraphPosition(), kB - 90000000);
                          EXPECT_FALSE(standin::TimerRunning(ghApp, LOOP_GAP_TIMER_ID));

                          LoopFromAToB();
                          ReachB();
                          Char('s');
                          EXPECT_FALSE(standin::TimerRunning(ghApp, LOOP_GAP_TIMER_ID));
                          EXPECT_EQ(gABState, ABLooping) << "s keeps the loop";
                          Char('p');
                          Key(VK_INSERT);
                          LoopFromAToB();
                          ReachB();
                          ASSERT_TRUE(gbLoopGap);
                          Key(VK_ESCAPE);
                          EXPECT_FALSE(standin::TimerRunning(ghApp, LOOP_GAP_TIMER_ID));
                          EXPECT_FALSE(gbLoopGap);
                      }});
}

// The remembered values: one of the menu's choices, else the default.
TEST_F(ABLoopTest, RememberedCountAndGapReadOnlyTheMenusChoices)
{
    standin::AddClip(kClip, {});
    PutSetting("loopcount", 5);
    PutSetting("loopgap", 2);
    RunPlayer(kClip, {[] {
        EXPECT_EQ(giLoopCount, 5);
        EXPECT_EQ(giLoopGapSeconds, 2);
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LOOP_5));
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LOOP_GAP_2));
        EXPECT_FALSE(standin::MenuItemChecked(ghMenu, IDM_LOOP_FOREVER));
    }});
    struct Case { DWORD count, gap; };
    for (Case bad : {Case{1, 3}, Case{4, 0xFFFFFFFF}, Case{0x80000003, 0x80000001}}) {
        PutSetting("loopcount", bad.count);
        PutSetting("loopgap", bad.gap);
        RunPlayer(kClip, {[bad] {
            EXPECT_EQ(giLoopCount, 0) << bad.count;
            EXPECT_EQ(giLoopGapSeconds, 0) << bad.gap;
            EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LOOP_FOREVER)) << bad.count;
            EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LOOP_GAP_NONE)) << bad.gap;
        }});
    }
    standin::PutRegistryValue(kRecordKey, "loopcount", REG_SZ, std::string("3\0", 2));
    standin::PutRegistryValue(kRecordKey, "loopgap", REG_QWORD, std::string("\1\0\0\0\0\0\0\0", 8));
    RunPlayer(kClip, {[] {
        EXPECT_EQ(giLoopCount, 0) << "a string";
        EXPECT_EQ(giLoopGapSeconds, 0) << "a 64-bit value";
    }});
}
