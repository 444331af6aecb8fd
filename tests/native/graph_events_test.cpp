// Draining the engine's events: loop restarts, the end of a clip, errors, and notifications that come late.
#include "player_test.h"

#include <algorithm>

static const char kFirst[] = "C:\\media\\a.wmv";

class GraphEventsTest : public PlayerTest {
protected:
    void SetUp() override
    {
        PlayerTest::SetUp();
        standin::PutFile("C:\\media\\a.wmv", "");
        standin::PutFile("C:\\media\\b.wmv", "");
        standin::AddClip("C:\\media\\a.wmv", {});
        standin::AddClip("C:\\media\\b.wmv", {});
    }
    void Play(std::function<void()> step) { RunPlayer(kFirst, {std::move(step)}); }
};

TEST_F(GraphEventsTest, SeveralEventsAreDrainedInOneCallWithOneFree)
{
    Play([] {
        standin::QueueGraphEvent(EC_CLOCK_CHANGED, 0, 0);
        standin::QueueGraphEvent(0x0E, 7, 8);
        size_t mark = Mark();
        EXPECT_EQ(HandleGraphEvents(), 0);
        EXPECT_CALLS(mark, "GetEvent 13", "GetEvent 14", "GetEvent empty", "FreeEventParams 14,7,8");
        mark = Mark();
        HandleGraphEvents();
        EXPECT_CALLS(mark, "GetEvent empty", "FreeEventParams 0,0,0") << "an empty queue frees nothing it was not given";
    });
}

TEST_F(GraphEventsTest, NotificationArrivesThroughTheMessageLoop)
{
    RunPlayer(kFirst, {[] { standin::QueueGraphEvent(EC_CLOCK_CHANGED, 0, 0); },
                      [] { EXPECT_EQ(standin::QueuedGraphEvents(), 0); }});
}

TEST_F(GraphEventsTest, ErrorAbortReportsStopsAndLeavesTheRestQueued)
{
    Play([] {
        standin::QueueGraphEvent(EC_ERRORABORT, static_cast<LONG_PTR>(0x80040218u), 0);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        standin::FailGraphCallOnce("Stop", static_cast<HRESULT>(0x8004020Bu));
        EXPECT_EQ(HandleGraphEvents(), static_cast<LONG>(0x80040218u));
        EXPECT_EQ(standin::QueuedGraphEvents(), 1);
        EXPECT_EQ(gPlayState, Running) << "the state is not changed";
        EXPECT_TRUE(standin::GraphOpen());
    });
    ASSERT_EQ(standin::MessageBoxes().size(), 2u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "Playback error (EC_ERRORABORT - 0x80040218). Aborting...\r\n");
    EXPECT_EQ(standin::MessageBoxes()[1].text, "Failed(0x8004020b) to stop media clip!\r\n");
}

TEST_F(GraphEventsTest, FailingFreeClosesTheClip)
{
    Play([] {
        standin::FailGraphCallOnce("FreeEventParams", E_FAIL);
        HandleGraphEvents();
        EXPECT_EQ(gPlayState, NoClip);
    });
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

TEST_F(GraphEventsTest, NotificationAfterCloseDoesNothing)
{
    Play([] {
        CloseClip();
        size_t mark = Mark();
        SendMessageA(ghApp, WM_GRAPH_EVENT, 0, 0);
        EXPECT_CALLS(mark);
    });
}

// After the advance, the drain goes on with the new clip's queue and frees there.
TEST_F(GraphEventsTest, EndOfClipAdvancesAndDrainsTheNewQueue)
{
    Play([] {
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        size_t mark = Mark();
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "C:\\media\\b.wmv");
        EXPECT_EQ(gPlayState, Running);
        std::vector<std::string> calls = CallsSince(mark);
        ASSERT_GE(calls.size(), 2u);
        EXPECT_EQ(calls[calls.size() - 2], "GetEvent empty");
        EXPECT_EQ(calls.back(), "FreeEventParams 1,0,0");
        EXPECT_EQ(standin::GraphsCreated(), 2);
    });
}

TEST_F(GraphEventsTest, EndOfTheLastClipWrapsToTheFirst)
{
    RunPlayer("C:\\media\\b.wmv", {[] {
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        standin::SetGraphPosition(600000000);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "C:\\media\\a.wmv");
        EXPECT_EQ(giPlaylist, 0);
    }});
}

TEST_F(GraphEventsTest, CompletionShortOfTheEndDoesNotAdvance)
{
    Play([] {
        standin::SetGraphPosition(100);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, kFirst);
        EXPECT_EQ(standin::GraphsCreated(), 1);
    });
}

TEST_F(GraphEventsTest, UnreportedPositionAndDurationCountAsTheEnd)
{
    Play([] {
        standin::FailGraphCall("GetDuration", E_FAIL);
        standin::FailGraphCall("GetCurrentPosition", E_FAIL);
        standin::SetGraphPosition(100);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "C:\\media\\b.wmv");
    });
}

// When the next clip fails to open, its close released pME: no further GetEvent or free.
TEST_F(GraphEventsTest, AdvanceIntoAnUnplayableClipEndsTheDrain)
{
    standin::PutFile("C:\\media\\c.wmv", "");
    Play([] {
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        HandleGraphEvents();
        ASSERT_STREQ(gszFileName, "C:\\media\\b.wmv");
        standin::FailGraphCall("RenderFile", E_FAIL);   // no entry plays any more
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        size_t mark = Mark();
        HandleGraphEvents();
        EXPECT_EQ(gPlayState, NoClip);
        std::vector<std::string> calls = CallsSince(mark);
        auto failed = std::find(calls.begin(), calls.end(), "RenderFile C:\\media\\c.wmv");
        ASSERT_NE(failed, calls.end());
        for (auto call = failed; call != calls.end(); ++call)
            EXPECT_TRUE(call->rfind("GetEvent", 0) && call->rfind("FreeEventParams", 0)) << *call;
    });
}

TEST_F(GraphEventsTest, LoopRestartsOnBothEndEventsOnlyWhilePlayingOrPaused)
{
    Play([] {
        grtA = 20000000;
        gABState = ABLooping;
        for (long code : {EC_END_OF_SEGMENT, EC_COMPLETE}) {
            standin::SetGraphPosition(600000000);
            standin::QueueGraphEvent(code, 0, 0);
            size_t mark = Mark();
            HandleGraphEvents();
            EXPECT_EQ(CallsSince(mark)[2], "SetPositions 20000000,5 -,0") << code;
        }
        Char('s');
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        size_t mark = Mark();
        HandleGraphEvents();
        EXPECT_CALLS(mark, "GetEvent 1", "GetEvent empty", "FreeEventParams 1,0,0") << "stopped: no restart, no advance";
        gABState = ABOff;
        standin::QueueGraphEvent(EC_END_OF_SEGMENT, 0, 0);
        mark = Mark();
        HandleGraphEvents();
        EXPECT_CALLS(mark, "GetEvent 28", "GetEvent empty", "FreeEventParams 28,0,0") << "no loop: ignored";
        EXPECT_STREQ(gszFileName, kFirst);
    });
}
