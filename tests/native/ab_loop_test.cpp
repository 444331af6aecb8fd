// The A-B loop: three presses of Insert, the seeks they ask for, cancelling, and a new clip.
#include "player_test.h"

class ABLoopTest : public PlayerTest {
protected:
    static void InsertAt(REFERENCE_TIME position)
    {
        standin::SetGraphPosition(position);
        Key(VK_INSERT);
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
