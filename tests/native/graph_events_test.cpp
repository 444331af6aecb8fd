// Draining the engine's events: loop restarts, the end of a clip, errors, and notifications that come late.
#include "player_test.h"

#include <algorithm>
#include <memory>

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

    // The calls since a mark that begin with a method's name.
    static int CallsOf(size_t mark, const std::string &method)
    {
        int count = 0;
        for (const std::string &call : CallsSince(mark))
            count += call.rfind(method + " ", 0) == 0;
        return count;
    }
    // Where a call stands among the calls since a mark, or -1.
    static long IndexOf(size_t mark, const std::string &call)
    {
        std::vector<std::string> calls = CallsSince(mark);
        auto found = std::find(calls.begin(), calls.end(), call);
        return found == calls.end() ? -1 : static_cast<long>(found - calls.begin());
    }
};

TEST_F(GraphEventsTest, EveryEventTakenIsFreedOnceAndAnEmptyQueueFreesNothing)
{
    Play([] {
        standin::QueueGraphEvent(EC_CLOCK_CHANGED, 0, 0);
        standin::QueueGraphEvent(0x0E, 7, 8);
        size_t mark = Mark();
        EXPECT_EQ(HandleGraphEvents(), 0);
        EXPECT_CALLS(mark, "GetEvent 13", "FreeEventParams 13,0,0", "GetEvent 14", "FreeEventParams 14,7,8",
                     "GetEvent empty");
        mark = Mark();
        HandleGraphEvents();
        EXPECT_CALLS(mark, "GetEvent empty") << "an empty queue hands out nothing to free";
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
        size_t mark = Mark();
        EXPECT_EQ(HandleGraphEvents(), static_cast<LONG>(0x80040218u));
        EXPECT_CALLS(mark, "GetEvent 3", "FreeEventParams 3,2147746328,0", "Stop") << "the event that ends the drain is freed too";
        EXPECT_EQ(standin::QueuedGraphEvents(), 1);
        EXPECT_EQ(gPlayState, Running) << "the state is not changed";
        EXPECT_TRUE(standin::GraphOpen());
    });
    ASSERT_EQ(standin::MessageBoxes().size(), 2u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "Playback error (EC_ERRORABORT - 0x80040218). Aborting...\r\n");
    EXPECT_EQ(standin::MessageBoxes()[1].text, "Failed(0x8004020b) to stop media clip!\r\n");
}

// The clip closes at once: nothing more is taken from its queue, or freed.
TEST_F(GraphEventsTest, FailingFreeClosesTheClip)
{
    Play([] {
        standin::QueueGraphEvent(EC_CLOCK_CHANGED, 0, 0);
        standin::QueueGraphEvent(EC_CLOCK_CHANGED, 0, 0);
        standin::FailGraphCallOnce("FreeEventParams", E_FAIL);
        size_t mark = Mark();
        HandleGraphEvents();
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(CallsOf(mark, "GetEvent"), 1);
        EXPECT_EQ(CallsOf(mark, "FreeEventParams"), 1);
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

// The end of the clip is freed on its own graph before the advance lets that graph go; the drain
// then goes on with the new clip's queue, and frees what it takes there.
TEST_F(GraphEventsTest, EndOfClipIsFreedBeforeTheAdvanceAndTheNewQueueIsDrained)
{
    Play([] {
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        // The next clip's graph has an event waiting as soon as it runs.
        auto queued = std::make_shared<bool>(false);
        standin::BeforeGraphCall("Run", [queued] {
            if (standin::GraphsCreated() == 2 && !*queued) {
                *queued = true;
                standin::QueueGraphEvent(EC_CLOCK_CHANGED, 5, 6);
            }
        });
        size_t mark = Mark();
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "C:\\media\\b.wmv");
        EXPECT_EQ(gPlayState, Running);
        EXPECT_EQ(standin::GraphsCreated(), 2);
        long freed = IndexOf(mark, "FreeEventParams 1,0,0");
        long next = IndexOf(mark, "CoCreateInstance FilterGraph");
        ASSERT_GE(freed, 0);
        EXPECT_EQ(freed, 1) << "freed as soon as it was taken";
        EXPECT_GT(next, freed);
        EXPECT_GT(IndexOf(mark, "FreeEventParams 13,5,6"), next) << "the new clip's event is freed on its graph";
        EXPECT_EQ(CallsOf(mark, "FreeEventParams"), 2);
        EXPECT_EQ(CallsSince(mark).back(), "GetEvent empty");
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

TEST_F(GraphEventsTest, AClipPausedAsItsEndArrivesStaysUntilItPlaysOn)
{
    Play([] {
        PausePlay();
        ASSERT_EQ(gPlayState, Paused);
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, kFirst);
        EXPECT_EQ(gPlayState, Paused);
        EXPECT_EQ(standin::GraphsCreated(), 1);
        PausePlay();
        standin::SetGraphPosition(600000000);
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        HandleGraphEvents();
        EXPECT_STREQ(gszFileName, "C:\\media\\b.wmv");
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
        EXPECT_EQ(CallsOf(mark, "FreeEventParams"), 1) << "the end of b.wmv, freed before the advance";
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
            EXPECT_GE(IndexOf(mark, "SetPositions 20000000,5 -,0"), 0) << code;
            EXPECT_EQ(CallsOf(mark, "FreeEventParams"), 1) << code;
        }
        Char('s');
        standin::QueueGraphEvent(EC_COMPLETE, 0, 0);
        size_t mark = Mark();
        HandleGraphEvents();
        EXPECT_CALLS(mark, "GetEvent 1", "FreeEventParams 1,0,0", "GetEvent empty") << "stopped: no restart, no advance";
        gABState = ABOff;
        standin::QueueGraphEvent(EC_END_OF_SEGMENT, 0, 0);
        mark = Mark();
        HandleGraphEvents();
        EXPECT_CALLS(mark, "GetEvent 28", "FreeEventParams 28,0,0", "GetEvent empty") << "no loop: ignored";
        EXPECT_STREQ(gszFileName, kFirst);
    });
}
