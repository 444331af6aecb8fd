// Volume steps, mute, and ducking between instances.
#include "player_test.h"

class VolumeTest : public PlayerTest {
protected:
    static int Broadcasts(HWND to)
    {
        int count = 0;
        for (const standin::LoggedMessage &m : standin::MessageLog())
            count += m.hwnd == to && m.message == WM_VOLUME_DUCK;
        return count;
    }
};

TEST_F(VolumeTest, StepsHalveAndDoubleBetweenFullAndTheLowestLevel)
{
    Play([] {
        Char('+');
        EXPECT_EQ(glVolume, 0);
        const LONG down[] = {-1, -2, -4, -8, -16, -32, -64, -128, -256, -512, -1024, -2048, -4096, -4096};
        for (LONG level : down) {
            Char('-');
            EXPECT_EQ(glVolume, level);
        }
        EXPECT_EQ(standin::GraphVolume(), -4096);
        for (int i = 0; i < 13; i++)
            Char('=');
        EXPECT_EQ(glVolume, 0);
        Char('_');
        EXPECT_EQ(glVolume, -1);
    });
}

TEST_F(VolumeTest, RaisingBroadcastsOnceAndTheSenderIgnoresItsOwnMessage)
{
    HWND other = nullptr;
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[&] {
                          other = standin::AddForeignTopLevelWindow();
                          Char('+');
                          Char('-');
                          Char('-');
                          Char('+');
                      },
                      [&] {
                          EXPECT_EQ(glVolume, -1) << "its own broadcast does not duck it";
                          EXPECT_EQ(Broadcasts(other), 1);
                          EXPECT_EQ(Broadcasts(ghApp), 1);
                      }});
}

TEST_F(VolumeTest, DuckingReceiveRule)
{
    Play([] {
        HWND stranger = reinterpret_cast<HWND>(0x1234);
        SendMessageA(ghApp, WM_VOLUME_DUCK, VOLUME_DUCK_TAG, reinterpret_cast<LPARAM>(stranger));
        EXPECT_EQ(glVolume, -1);
        SendMessageA(ghApp, WM_VOLUME_DUCK, VOLUME_DUCK_TAG + 1, reinterpret_cast<LPARAM>(stranger));
        SendMessageA(ghApp, WM_VOLUME_DUCK, VOLUME_DUCK_TAG, reinterpret_cast<LPARAM>(ghApp));
        EXPECT_EQ(glVolume, -1);
        CloseClip();
        SendMessageA(ghApp, WM_VOLUME_DUCK, VOLUME_DUCK_TAG, reinterpret_cast<LPARAM>(stranger));
        EXPECT_EQ(glVolume, -1) << "no clip: the broadcast is ignored";
    });
}

TEST_F(VolumeTest, MuteDecidesFromTheEngineLevel)
{
    Play([] {
        for (int i = 0; i < 10; i++)
            Char('-');
        ASSERT_EQ(glVolume, -512);
        Char('m');
        EXPECT_EQ(standin::GraphVolume(), 0) << "a quiet clip goes to full volume";
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] ");
        Char('m');
        EXPECT_EQ(standin::GraphVolume(), -10000);
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Muted)");
        Command(IDM_MUTE);
        EXPECT_EQ(standin::GraphVolume(), 0);
        EXPECT_EQ(glVolume, -512);
    });
}

// A muted clip stays silent, and says so, whatever steps come, the user's or another instance's
// ducking: they move the level only. The toggle unmutes; then the steps are heard again.
TEST_F(VolumeTest, StepsWhileMutedStaySilentUntilTheToggle)
{
    Play([] {
        Char('m');
        ASSERT_EQ(standin::GraphVolume(), -10000);
        Char('-');
        Char('-');
        Char('-');
        SendMessageA(ghApp, WM_VOLUME_DUCK, VOLUME_DUCK_TAG, 0x1234);   // another instance
        SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
        Char('+');
        EXPECT_EQ(glVolume, -8);
        EXPECT_EQ(standin::GraphVolume(), -10000) << "still silent";
        Char('p');
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Muted)(Paused)");
        Char('m');
        EXPECT_EQ(standin::GraphVolume(), 0);
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Paused)");
        Char('+');
        EXPECT_EQ(standin::GraphVolume(), -4) << "unmuted, a step is heard";
    });
}

// A mute the engine refuses leaves the clip as loud as it was: no mark, now or at the next title,
// and the steps still reach it.
TEST_F(VolumeTest, RefusedMuteLeavesTheClipAudible)
{
    Play([] {
        standin::FailGraphCallOnce("put_Volume", E_FAIL);
        Char('m');
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] ");
        Char('p');
        EXPECT_EQ(standin::WindowTitle(ghApp), "talk.wmv [Video] (Paused)");
        Char('-');
        EXPECT_EQ(standin::GraphVolume(), -1);
        Char('m');
        EXPECT_EQ(standin::GraphVolume(), 0) << "from -1 the toggle goes to full volume";
    });
}

TEST_F(VolumeTest, ClipWithoutAudioIgnoresMuteButStillSteps)
{
    standin::Clip silent;
    silent.audio = false;
    Play([] {
        size_t mark = Mark();
        Char('m');
        EXPECT_CALLS(mark, "get_Volume");
        Char('-');
        EXPECT_EQ(glVolume, -1);
    }, silent);
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

TEST_F(VolumeTest, FailedVolumeReadIsReported)
{
    Play([] {
        standin::FailGraphCall("get_Volume", E_FAIL);
        EXPECT_EQ(ToggleMute(), E_FAIL);
    });
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "Failed to read audio volume!  hr=0x80004005\r\n");
}

// Each notch of the wheel (120, however many messages bring it) is one step of + or -, and a step
// up ducks the other instances; a turn the other way starts the count again.
TEST_F(VolumeTest, WheelStepsLikeTheKeys)
{
    HWND other = nullptr;
    auto wheel = [](int delta) { SendMessageA(ghApp, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0); };
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[&] {
                          other = standin::AddForeignTopLevelWindow();
                          wheel(-240);
                          EXPECT_EQ(glVolume, -2) << "two notches down";
                          wheel(30);
                          wheel(30);
                          wheel(30);
                          EXPECT_EQ(glVolume, -2) << "three quarters of a notch";
                          wheel(30);
                          EXPECT_EQ(glVolume, -1) << "a fine wheel's fourth message ends the notch";
                          wheel(90);
                          wheel(-60);
                          wheel(-60);
                          EXPECT_EQ(glVolume, -2) << "down from where the turn began";
                          wheel(-100);
                          EXPECT_EQ(glVolume, -2) << "the rest of the earlier notch was kept";
                          wheel(-20);
                          EXPECT_EQ(glVolume, -4);
                      },
                      [&] { EXPECT_EQ(Broadcasts(other), 1); }});
}
