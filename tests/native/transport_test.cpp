// Pause and play, stop, jumps, tenths and rate steps, and the play-state machine they move.
#include "player_test.h"

#include <algorithm>

#include <math.h>

class TransportTest : public PlayerTest {};

TEST_F(TransportTest, PlayStateMachine)
{
    Play([] {
        ASSERT_EQ(gPlayState, Running);
        PausePlay();
        EXPECT_EQ(gPlayState, Paused);
        PausePlay();
        EXPECT_EQ(gPlayState, Running);
        StopClip();
        EXPECT_EQ(gPlayState, Stopped);
        PausePlay();
        EXPECT_EQ(gPlayState, Running) << "play after stop starts again";

        standin::FailGraphCallOnce("Pause", E_FAIL);
        PausePlay();
        EXPECT_EQ(gPlayState, Running) << "a refused pause changes nothing";
        PausePlay();
        standin::FailGraphCallOnce("Run", E_FAIL);
        PausePlay();
        EXPECT_EQ(gPlayState, Paused) << "a refused run changes nothing";
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Paused)");

        standin::FailGraphCallOnce("Stop", E_FAIL);
        StopClip();
        EXPECT_EQ(gPlayState, Stopped) << "stop whatever the engine answers";
        CloseClip();
        EXPECT_EQ(gPlayState, NoClip);
    });
}

// A graph run straight from Stopped loses its first sound: every start from Stopped pauses it,
// waits a bounded time for it to say it is ready, and runs it, ready or not. From Paused the
// renderers hold their samples already.
TEST_F(TransportTest, EveryStartFromStoppedIsCuedFirst)
{
    standin::Clip slow;
    slow.neverCues = true;
    Play([] {
        EXPECT_EQ(gPlayState, Running) << "a graph that never says it is ready runs all the same";
        std::vector<std::string> open = CallsSince(0);
        EXPECT_EQ(std::vector<std::string>(open.end() - 4, open.end()),
                  (std::vector<std::string>{"Pause", "GetState 2000", "Run", "put_Volume 0"}));
        Char('s');
        size_t mark = Mark();
        Char('p');
        EXPECT_CALLS(mark, "Pause", "GetState 2000", "Run");
        EXPECT_EQ(gPlayState, Running);
        Char('p');
        mark = Mark();
        Char('p');
        EXPECT_CALLS(mark, "Run");
    }, slow);
}

TEST_F(TransportTest, StopRewindsAndLeavesTheFirstFramePaused)
{
    Play([] {
        standin::SetGraphPosition(50000000);
        size_t mark = Mark();
        Char('s');
        EXPECT_CALLS(mark, "Stop", "SetPositions 0,1 -,0", "Pause");
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] ");
        mark = Mark();
        SetWindowTextA(ghApp, "stale");
        StopClip();
        EXPECT_CALLS(mark) << "already stopped: no engine call";
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] ") << "but the title is refreshed";
    });
}

// A jump past either end lands on that end.
TEST_F(TransportTest, JumpsAreRelativeHeldInsideTheClipAndOnlyWhilePlayingOrPaused)
{
    Play([] {
        standin::SetGraphPosition(100000000);
        Key(VK_RIGHT);
        EXPECT_EQ(standin::GraphPosition(), 400000000);
        Key(VK_LEFT);
        EXPECT_EQ(standin::GraphPosition(), 310000000);
        standin::SetGraphPosition(50000000);
        Key(VK_LEFT);
        EXPECT_EQ(standin::GraphPosition(), 0) << "back 9 s from 5 s lands on the start";
        standin::SetGraphPosition(590000000);
        size_t mark = Mark();
        Key(VK_RIGHT);
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetDuration", "SetPositions 600000000,5 -,0");
        Char('p');
        standin::SetGraphPosition(100000000);
        Key(VK_NEXT);
        EXPECT_EQ(standin::GraphPosition(), 600000000);
        EXPECT_EQ(gPlayState, Paused);
        Char('s');
        mark = Mark();
        Key(VK_RIGHT);
        EXPECT_CALLS(mark) << "no jump while stopped";
    });
}

TEST_F(TransportTest, TenthsSeekFromTheDurationEvenWhenStopped)
{
    Play([] {
        Char('s');
        size_t mark = Mark();
        Char('5');
        EXPECT_CALLS(mark, "GetDuration", "GetDuration", "SetPositions 300000000,5 -,0");
        standin::SetGraphDuration(6000000000);
        Char('5');
        EXPECT_EQ(standin::GraphPosition(), 3000000000);
        Char('0');
        EXPECT_EQ(standin::GraphPosition(), 0);
        standin::SetGraphDuration(19);
        Char('9');
        EXPECT_EQ(standin::GraphPosition(), 17) << "9 x 19 / 10, truncated";
    });
}

TEST_F(TransportTest, RateStepsReturnToNormalThenCompound)
{
    Play([] {
        Char('*');
        EXPECT_DOUBLE_EQ(gdRate, 1.01);
        Char('*');
        EXPECT_DOUBLE_EQ(gdRate, 1.0201);
        Char('/');
        EXPECT_EQ(gdRate, 1.0);
        Char('/');
        EXPECT_DOUBLE_EQ(gdRate, 0.99);
        gdRate = 0.95;
        Char('*');
        EXPECT_EQ(gdRate, 1.0);
        gdRate = 1.05;
        Char('/');
        EXPECT_EQ(gdRate, 1.0);
        Char('*');
        CloseClip();
        Char('*');
        EXPECT_DOUBLE_EQ(gdRate, 1.01) << "no clip: no change";
    });
}

// A new clip plays at normal speed; the next step starts from the stored rate.
// The rate carries over to the next clip, so that the rate shown, the rate heard and the next step agree.
TEST_F(TransportTest, RateCarriesOverToTheNextClip)
{
    Play([] {
        Char('*');
        size_t mark = Mark();
        CloseClip();
        CopyPath(gszFileName, kClip);
        OpenClip(nullptr, 0);
        std::vector<std::string> calls = CallsSince(mark);
        EXPECT_NE(std::find(calls.begin(), calls.end(), "SetRate 1.01"), calls.end());
        mark = Mark();
        Char('*');
        EXPECT_CALLS(mark, "SetRate 1.0201", "GetRate");
    });
}

// Ten points a step on whole percents, Backspace back to normal, and never beyond 25 % or 400 %.
TEST_F(TransportTest, RateStepsByTenStayInTheirRange)
{
    Play([] {
        Char('*');
        Char(']');
        EXPECT_DOUBLE_EQ(gdRate, 1.11);
        for (int i = 0; i < 40; i++)
            Char(']');
        EXPECT_DOUBLE_EQ(gdRate, 4.0);
        Char(0x08);
        EXPECT_DOUBLE_EQ(gdRate, 1.0);
        for (int i = 0; i < 9; i++)
            Char('[');
        EXPECT_DOUBLE_EQ(gdRate, 0.25);
        Char('/');
        EXPECT_DOUBLE_EQ(gdRate, 0.25);
    });
}

// The rate kept is the engine's answer: one that ignores rates leaves the player at normal speed,
// and a refused step keeps the rate the engine still plays at.
TEST_F(TransportTest, RateIsWhatTheEngineReports)
{
    standin::Clip deaf;
    deaf.ignoresRate = true;
    Play([] {
        Char('*');
        Char('*');
        EXPECT_EQ(gdRate, 1.0);
        Char('/');
        EXPECT_EQ(gdRate, 1.0);
    }, deaf);
    standin::Reset();
    Play([] {
        Char('*');
        standin::FailGraphCallOnce("SetRate", E_FAIL);
        Char('*');
        EXPECT_DOUBLE_EQ(gdRate, 1.01);
    });
}

TEST_F(TransportTest, NothingHappensWithoutAClip)
{
    RunPlayer("", {[] {
        std::string title = standin::WindowTitle(ghApp);
        SetWindowTextA(ghApp, "marker");
        for (char c : std::string("ps05*/"))
            Char(c);
        Key(VK_LEFT);
        Key(VK_RIGHT);
        EXPECT_EQ(standin::WindowTitle(ghApp), "marker") << "pause with no clip does not even refresh the title";
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(gdRate, 1.0);
    }});
    EXPECT_EQ(standin::GraphsCreated(), 0);
}

// On Wine before 10 every seek is made with the graph stopped, which is then returned to the state
// it was in; on Wine 10 and on Windows the graph is sought as it is.
TEST_F(TransportTest, SeeksStopTheGraphOnlyWhereTheEngineStallsOtherwise)
{
    standin::SetWineVersion("8.0");
    Play([] {
        EXPECT_EQ(gbStopToSeek, TRUE);
        standin::SetGraphPosition(100000000);
        size_t mark = Mark();
        Key(VK_RIGHT);
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetDuration", "GetState", "Stop", "SetPositions 400000000,5 -,0", "Pause",
                     "GetState 2000", "Run");
        Char('p');
        mark = Mark();
        Char('0');
        EXPECT_CALLS(mark, "GetDuration", "GetState", "Stop", "SetPositions 0,5 -,0", "Pause");
        mark = Mark();
        Char('s');
        EXPECT_CALLS(mark, "Stop", "GetState", "SetPositions 0,1 -,0", "Pause") << "already stopped for the rewind";
        mark = Mark();
        Char('5');
        EXPECT_CALLS(mark, "GetDuration", "GetDuration", "GetState", "Stop", "SetPositions 300000000,5 -,0", "Pause");
        EXPECT_EQ(gPlayState, Stopped);
        // An engine that cannot say its state: the play state tells which to return to.
        standin::FailGraphCall("GetState", E_FAIL);
        Char('p');
        mark = Mark();
        Char('0');
        EXPECT_CALLS(mark, "GetDuration", "GetState", "Stop", "SetPositions 0,5 -,0", "Pause", "GetState 2000", "Run");
        Char('p');
        mark = Mark();
        Char('0');
        EXPECT_CALLS(mark, "GetDuration", "GetState", "Stop", "SetPositions 0,5 -,0", "Pause");
    });
    for (const char *version : std::vector<const char *>{"10.0", nullptr}) {
        standin::Reset();
        standin::SetWineVersion(version);
        Play([] {
            EXPECT_EQ(gbStopToSeek, FALSE);
            standin::SetGraphPosition(100000000);
            size_t mark = Mark();
            Key(VK_RIGHT);
            EXPECT_CALLS(mark, "GetCurrentPosition", "GetDuration", "SetPositions 400000000,5 -,0");
        });
    }
}

// An engine that reports absurd values never leads the player into undefined arithmetic: jumps and
// tenths near the 64-bit limits saturate, and a rate that is not a number is not kept or shown.
TEST_F(TransportTest, AbsurdEngineValuesAreHeldOrIgnored)
{
    standin::Clip absurd;
    absurd.duration = 0x7FFFFFFFFFFFFFFF;
    absurd.reportedRate = NAN;
    Play([] {
        standin::SetGraphPosition(0x7FFFFFFFFFFFFFFF - 5);
        Key(VK_RIGHT);
        EXPECT_EQ(standin::GraphPosition(), 0x7FFFFFFFFFFFFFFF);
        Key(VK_NEXT);
        EXPECT_EQ(standin::GraphPosition(), 0x7FFFFFFFFFFFFFFF);
        standin::SetGraphPosition(static_cast<REFERENCE_TIME>(0x8000000000000005ull));
        Key(VK_LEFT);
        EXPECT_EQ(standin::GraphPosition(), 0);
        Char('9');
        EXPECT_EQ(standin::GraphPosition(), 8301034833169298226);
        Char('*');
        EXPECT_DOUBLE_EQ(gdRate, 1.01) << "the rate asked for, since the answer is no rate";
        Char('*');
        EXPECT_DOUBLE_EQ(gdRate, 1.0201);
        ToggleStatusBar();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(ghStatus, &paint);
        RECT client = standin::ClientRect(ghApp);
        standin::DrawingLog().clear();
        standin::SetGraphPosition(0x7FFFFFFFFFFFFFFF / 2);
        PaintStatus(dc, &client);
        const std::vector<std::string> drawn = standin::DrawingLog();
        EndPaint(ghStatus, &paint);
        EXPECT_EQ(drawn[1], "Rectangle 120,46,365,56 80FF80") << "half the bar, for half the clip";
        EXPECT_EQ(drawn.back(), "TextOut 5,58 \"128102389:24:02 / 256204778:48:05\"") << "no rate shown";
    }, absurd);
}
