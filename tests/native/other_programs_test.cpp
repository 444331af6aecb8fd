// Control from other programs (hot keys), the rewind on resume and the foot pedals read as raw input.
#include "player_test.h"

#include <algorithm>
#include <memory>

static const UINT kHeldKeys[] = {VK_F9, VK_F7, VK_F8, VK_F8 | MOD_CONTROL << 8, VK_F7 | MOD_CONTROL << 8, VK_F6, VK_F10,
                                 VK_F11, VK_MEDIA_PLAY_PAUSE, VK_MEDIA_STOP, VK_MEDIA_NEXT_TRACK, VK_MEDIA_PREV_TRACK};
static const REFERENCE_TIME kSecond = 10000000;

class OtherProgramsTest : public PlayerTest {
protected:
    // The player's hot keys, each held by the main window with no repeat, its id its key with Ctrl's
    // modifier above (written here as the id).
    static void ExpectAllKeysHeld(const std::vector<UINT> &refused = {})
    {
        std::vector<std::string> seen, wanted;
        for (const standin::HeldHotKey &key : standin::HotKeysHeld())
            seen.push_back(std::to_string(key.vk) + " id " + std::to_string(key.id) + " modifiers " +
                           std::to_string(key.modifiers) + (key.hwnd == ghApp ? " main window" : " other window"));
        for (UINT id : kHeldKeys)
            if (std::find(refused.begin(), refused.end(), id) == refused.end())
                wanted.push_back(std::to_string(id & 0xFF) + " id " + std::to_string(id) + " modifiers " +
                                 std::to_string(MOD_NOREPEAT | id >> 8) + " main window");
        EXPECT_EQ(seen, wanted);
    }

    static void Press(UINT vk) { EXPECT_TRUE(standin::PressHotKey(vk)) << "no window holds key " << vk; }
};

TEST_F(OtherProgramsTest, KeysAreHeldWhileTheModeIsOnAndReleasedWhenItGoesOffAndAtExit)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
        EXPECT_TRUE(standin::HotKeysHeld().empty()) << "off by default";
        EXPECT_FALSE(standin::MenuItemChecked(ghMenu, IDM_GLOBAL_KEYS));
        Command(IDM_GLOBAL_KEYS);
        ExpectAllKeysHeld();
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_GLOBAL_KEYS));
        EXPECT_EQ(Setting("globalkeys"), 1);
        Command(IDM_GLOBAL_KEYS);
        EXPECT_TRUE(standin::HotKeysHeld().empty()) << "released as the mode goes off";
        EXPECT_FALSE(standin::MenuItemChecked(ghMenu, IDM_GLOBAL_KEYS));
        EXPECT_EQ(Setting("globalkeys"), 0);
        Command(IDM_GLOBAL_KEYS);
    }});
    EXPECT_TRUE(standin::HotKeysHeld().empty()) << "released as the player ends";
    EXPECT_EQ(Setting("globalkeys"), 1);

    RunPlayer(kClip, {[] {
        ExpectAllKeysHeld();
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_GLOBAL_KEYS)) << "remembered for the user";
    }});
    EXPECT_TRUE(standin::HotKeysHeld().empty());
    EXPECT_TRUE(standin::MessageBoxes().empty());

    // The menu's Exit lets go of the keys and the pedals as the close box does.
    RunPlayer(kClip, {[] {
        ExpectAllKeysHeld();
        EXPECT_FALSE(standin::RawInputRegistrations().empty());
        PostMessageA(ghApp, WM_COMMAND, IDM_EXIT, 0);
    }});
    EXPECT_TRUE(standin::HotKeysHeld().empty()) << "released at the menu's Exit";
    EXPECT_TRUE(standin::RawInputRegistrations().empty()) << "the pedals let go at the menu's Exit";
    EXPECT_EQ(standin::FindWindowOfClass("WMView"), nullptr);

    PutSetting("globalkeys", 2);
    RunPlayer(kClip, {[] { EXPECT_TRUE(standin::HotKeysHeld().empty()) << "only 1 is on"; }});
}

// Of two players with the mode on the first holds the keys; the second says so once, naming them,
// and only once its clip plays: the message box is modal and would hold the clip back.
TEST_F(OtherProgramsTest, AKeyThatAnotherProgramHoldsIsSaidOnceAndTheOthersStillWork)
{
    standin::AddClip(kClip, {});
    PutSetting("globalkeys", 1);
    standin::HoldHotKeyElsewhere(VK_F9);
    auto saidBeforeTheClipRan = std::make_shared<size_t>(0);
    standin::BeforeGraphCall("Run", [saidBeforeTheClipRan] { *saidBeforeTheClipRan = standin::MessageBoxes().size(); });
    RunPlayer(kClip, {[saidBeforeTheClipRan] {
                          EXPECT_EQ(*saidBeforeTheClipRan, 0u) << "said before the clip ran";
                          ASSERT_EQ(standin::MessageBoxes().size(), 1u);
                          EXPECT_EQ(standin::MessageBoxes()[0].text,
                                    "The key F9 could not be held for control from other programs: another program "
                                    "holds it.\r\n");
                          ExpectAllKeysHeld({VK_F9});
                          standin::SetGraphPosition(30 * kSecond);
                          Press(VK_F8);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 35 * kSecond);
                          EXPECT_EQ(standin::MessageBoxes().size(), 1u) << "said once";
                          Command(IDM_GLOBAL_KEYS);
                          Command(IDM_GLOBAL_KEYS);
                          EXPECT_EQ(standin::MessageBoxes().size(), 2u) << "said again as the mode is switched on";
                      }});

    standin::Reset();
    standin::AddClip(kClip, {});
    PutSetting("globalkeys", 1);
    for (UINT vk : {VK_F9, VK_F7, VK_F8, VK_F6, VK_F10, VK_F11, VK_MEDIA_PLAY_PAUSE, VK_MEDIA_STOP,
                    VK_MEDIA_NEXT_TRACK, VK_MEDIA_PREV_TRACK})
        standin::HoldHotKeyElsewhere(vk);
    // Another program's F7 and F8 leave Ctrl+F7 and Ctrl+F8 free.
    RunPlayer(kClip, {[] {
        ExpectAllKeysHeld({VK_F9, VK_F7, VK_F8, VK_F6, VK_F10, VK_F11, VK_MEDIA_PLAY_PAUSE, VK_MEDIA_STOP,
                           VK_MEDIA_NEXT_TRACK, VK_MEDIA_PREV_TRACK});
    }});
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].text,
              "The keys F9, F7, F8, F6, F10, F11, Media Play/Pause, Media Stop, Media Next track, Media Previous track could "
              "not be held for control from other programs: another program holds them.\r\n");
}

// Each key acts as its own; the jumps end the A-B loop as every jump does, pause and marks keep it.
TEST_F(OtherProgramsTest, HotKeysActWhicheverProgramHasTheFocus)
{
    for (const char *name : {"C:\\media\\a.wmv", kClip, "C:\\media\\z.wmv"}) {
        standin::PutFile(name, "");
        standin::AddClip(name, {});
    }
    PutSetting("globalkeys", 1);
    RunPlayer(kClip, {[] {
                          SetForegroundWindow(standin::AddForeignTopLevelWindow());
                          standin::SetGraphPosition(30 * kSecond);
                          gABState = ABMarked;
                          Press(VK_F9);
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Paused);
                          EXPECT_EQ(gABState, ABMarked);
                          Press(VK_F7);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 25 * kSecond);
                          EXPECT_EQ(gABState, ABOff);
                          Press(VK_F6);
                      },
                      [] {
                          EXPECT_EQ(standin::FileContent("C:\\media\\talk.BMS"), "250000000\n0\n");
                          Press(VK_F8);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 30 * kSecond);
                          Press(VK_MEDIA_PLAY_PAUSE);
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Running);
                          Press(VK_MEDIA_STOP);
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Stopped);
                          Press(VK_MEDIA_NEXT_TRACK);
                      },
                      [] {
                          EXPECT_STREQ(gszFileName, "C:\\media\\z.wmv");
                          Press(VK_MEDIA_PREV_TRACK);
                      },
                      [] {
                          EXPECT_STREQ(gszFileName, kClip);
                          Press(VK_F9);
                      },
                      [] { EXPECT_EQ(gPlayState, Paused) << "F9 as p, from a clip just opened"; }});
}

TEST_F(OtherProgramsTest, RewoundPlaceStaysInsideTheClipAndTheLoop)
{
    EXPECT_EQ(RewoundPlace(60000000, 3, 0), 30000000);
    EXPECT_EQ(RewoundPlace(60000000, 5, 0), 10000000);
    EXPECT_EQ(RewoundPlace(20000000, 3, 0), 0) << "never before the start";
    EXPECT_EQ(RewoundPlace(0, 1, 0), 0);
    EXPECT_EQ(RewoundPlace(90000000, 3, 50000000), 60000000) << "inside the loop, far enough from A";
    EXPECT_EQ(RewoundPlace(70000000, 5, 50000000), 50000000) << "never before A";
    EXPECT_EQ(RewoundPlace(40000000, 3, 50000000), 40000000) << "paused before A: never forward";
    EXPECT_EQ(RewoundPlace(-9223372036854775807LL - 1, 5, 0), 0) << "whatever place the engine reports";
}

// Every resume from a pause takes the rewind; a start from Stopped is at the start already.
TEST_F(OtherProgramsTest, ResumeFromAPauseStartsThatManySecondsEarlier)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_REWIND_OFF)) << "Off by default";
        Command(IDM_REWIND_3);
        EXPECT_EQ(Setting("rewindseconds"), 3);
        for (UINT item : {IDM_REWIND_OFF, IDM_REWIND_1, IDM_REWIND_2, IDM_REWIND_3, IDM_REWIND_5})
            EXPECT_EQ(standin::MenuItemChecked(ghMenu, item), item == IDM_REWIND_3) << item;
        standin::SetGraphPosition(60000000);
        Char('p');
        size_t mark = Mark();
        Char('p');
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetDuration", "SetPositions 30000000,5 -,0", "Run");
        EXPECT_EQ(gPlayState, Running);

        Char('s');
        mark = Mark();
        Char('p');
        EXPECT_CALLS(mark, "Pause", "GetState 2000", "Run") << "from Stopped: no rewind";

        // A at 5 s, B at 20 s: paused at 6 s the play resumes at A, not at 3 s.
        standin::SetGraphPosition(50000000);
        Key(VK_INSERT);
        standin::SetGraphPosition(200000000);
        Key(VK_INSERT);
        standin::SetGraphPosition(60000000);
        Command(IDM_PAUSE_PLAY);
        SendMessageA(ghApp, WM_APPCOMMAND, reinterpret_cast<WPARAM>(ghApp), MAKELPARAM(0, APPCOMMAND_MEDIA_PLAY));
        EXPECT_EQ(standin::GraphPosition(), 50000000);
        EXPECT_EQ(gABState, ABLooping);

        Command(IDM_REWIND_OFF);
        EXPECT_EQ(Setting("rewindseconds"), 0);
        Char('p');
        mark = Mark();
        Char('p');
        EXPECT_CALLS(mark, "Run") << "Off: the play goes on from the paused place";
    }});

    PutSetting("rewindseconds", 5);
    RunPlayer(kClip, {[] {
        EXPECT_EQ(giRewindSeconds, 5);
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_REWIND_5));
        EXPECT_FALSE(standin::MenuItemChecked(ghMenu, IDM_REWIND_OFF));
    }});
    PutSetting("rewindseconds", 4);
    RunPlayer(kClip, {[] {
        EXPECT_EQ(giRewindSeconds, 0) << "not one of the menu's choices";
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_REWIND_OFF));
    }});
}

class PedalsTest : public OtherProgramsTest {
protected:
    static HANDLE vec, philips, philipsOther, foreign;
    void SetUp() override
    {
        OtherProgramsTest::SetUp();
        vec = standin::AddHidDevice(0x05F3, 0x00FF, 0x0C, 0x03);
        philips = standin::AddHidDevice(0x0911, 0x1844, 0x01, 0x04);
        philipsOther = standin::AddHidDevice(0x0911, 0x091A, 0x01, 0x04);
        foreign = standin::AddHidDevice(0x1234, 0x00FF, 0x0C, 0x03);
        standin::AddClip(kClip, {});
    }
    static void Send(HANDLE device, std::vector<BYTE> report)
    {
        EXPECT_TRUE(standin::SendHidReport(device, report)) << "no window took the report";
    }
};
HANDLE PedalsTest::vec, PedalsTest::philips, PedalsTest::philipsOther, PedalsTest::foreign;

// Both makes' pedals: play while held, a side pedal steps at once and every 250 ms until let go.
TEST_F(PedalsTest, PlayWhileHeldAndStepWhileHeld)
{
    RunPlayer(kClip, {[] {
                          SetForegroundWindow(ghApp);
                          Char('p');
                          Send(vec, {0x02});
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Running) << "the middle pedal plays";
                          Send(vec, {0x00});
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Paused) << "and pauses when let go";
                          standin::SetGraphPosition(30 * kSecond);
                          Send(vec, {0x01});
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 29 * kSecond) << "a step at once";
                          EXPECT_TRUE(standin::TimerRunning(ghApp, PEDAL_TIMER_ID));
                          standin::AdvanceClock(249);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 29 * kSecond);
                          standin::AdvanceClock(1);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 28 * kSecond) << "and one every 250 ms";
                          standin::AdvanceClock(250);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 27 * kSecond);
                          Send(vec, {0x00});
                      },
                      [] {
                          EXPECT_FALSE(standin::TimerRunning(ghApp, PEDAL_TIMER_ID)) << "no timer without a pedal held";
                          standin::AdvanceClock(1000);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 27 * kSecond);
                          Send(philips, {0x04, 0x7F});
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 28 * kSecond) << "Philips: forward";
                          standin::AdvanceClock(250);
                      },
                      [] {
                          EXPECT_EQ(standin::GraphPosition(), 29 * kSecond);
                          Send(philips, {0x06});
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Running) << "Philips: play, the forward pedal still down";
                          EXPECT_EQ(standin::GraphPosition(), 29 * kSecond) << "a pedal held is no new press";
                          Send(philipsOther, {0x00});
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Paused);
                          EXPECT_FALSE(standin::TimerRunning(ghApp, PEDAL_TIMER_ID));
                      }});
    EXPECT_TRUE(standin::RawInputRegistrations().empty()) << "the pedals let go as the player ends";
}

// With the mode off a release is not heard once the focus has gone: what is held is let go with it.
TEST_F(PedalsTest, PedalsHeldAreLetGoWithTheFocus)
{
    RunPlayer(kClip, {[] {
                          SetForegroundWindow(ghApp);
                          Send(vec, {0x03});
                      },
                      [] {
                          EXPECT_TRUE(standin::TimerRunning(ghApp, PEDAL_TIMER_ID));
                          SendMessageA(ghApp, WM_ACTIVATE, WA_INACTIVE, 0);
                          EXPECT_FALSE(standin::TimerRunning(ghApp, PEDAL_TIMER_ID));
                          EXPECT_EQ(gbPedalsHeld, 0);
                          EXPECT_EQ(gPlayState, Paused) << "the play pedal let go";
                      }});
}

TEST_F(PedalsTest, OtherDevicesAndShortReportsAreIgnored)
{
    RunPlayer(kClip, {[] {
                          SetForegroundWindow(ghApp);
                          standin::SetGraphPosition(30 * kSecond);
                          Send(foreign, {0x02});
                          Send(foreign, {0x01});
                          Send(vec, {});
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Running);
                          EXPECT_EQ(standin::GraphPosition(), 30 * kSecond);
                          EXPECT_FALSE(standin::TimerRunning(ghApp, PEDAL_TIMER_ID));
                          EXPECT_EQ(gbPedalsHeld, 0);
                      }});
}

// With the mode off the pedals are the player's only while it has the focus; with it on, always.
TEST_F(PedalsTest, InTheBackgroundOnlyWithControlFromOtherPrograms)
{
    RunPlayer(kClip, {[] {
                          std::vector<standin::RawInputRegistration> r = standin::RawInputRegistrations();
                          ASSERT_EQ(r.size(), 2u);
                          EXPECT_EQ(r[0].usagePage, 0x0C);
                          EXPECT_EQ(r[0].usage, 0x03);
                          EXPECT_EQ(r[1].usagePage, 0x01);
                          EXPECT_EQ(r[1].usage, 0x04);
                          for (const auto &registration : r) {
                              EXPECT_EQ(registration.flags, 0u);
                              EXPECT_EQ(registration.target, ghApp);
                          }
                          SetForegroundWindow(standin::AddForeignTopLevelWindow());
                          EXPECT_FALSE(standin::SendHidReport(vec, {0x02})) << "another program has the focus";
                          Command(IDM_GLOBAL_KEYS);
                          for (const auto &registration : standin::RawInputRegistrations())
                              EXPECT_EQ(registration.flags, static_cast<DWORD>(RIDEV_INPUTSINK));
                          Char('p');
                          Send(vec, {0x02});
                      },
                      [] {
                          EXPECT_EQ(gPlayState, Running);
                          Command(IDM_GLOBAL_KEYS);
                          for (const auto &registration : standin::RawInputRegistrations())
                              EXPECT_EQ(registration.flags, 0u);
                      }});
}
