// Control's "Skips...": the lengths of Left, Right, F7, F8 and the pedals' step, read in the dialog,
// kept for the user, used by the jumps and shown in the keys window.
#include "player_test.h"

static const REFERENCE_TIME kTenth = 1000000;
static const int kFields[] = {IDC_SKIP_BACK, IDC_SKIP_FORWARD, IDC_SKIP_OTHER_BACK, IDC_SKIP_OTHER_FORWARD,
                              IDC_PEDAL_STEP};
static const char *const kValues[] = {"skipback", "skipforward", "skipotherback", "skipotherforward", "pedalstep"};
static const int kStandard[] = {90, 300, 50, 50, 10};   // tenths

class SkipsTest : public PlayerTest {
protected:
    static MSG Press(int button) { return MSG{nullptr, WM_COMMAND, static_cast<WPARAM>(button), 0, 0, {0, 0}}; }
    static std::string KeyList()
    {
        char text[8192];
        FormatKeyList(text, sizeof(text));
        return text;
    }
};

// Each field starts at its length, and OK keeps all five (an open keys window then says them); 0.1 s
// and 600 s are taken, in tenths, and a length outside them or not a number keeps the dialog open
// with a hint and that field's text selected, keeping no length.
TEST_F(SkipsTest, TheDialogTakesEachLengthFromATenthToTenMinutesAndRefusesTheRest)
{
    RunPlayer("", {[] {
        standin::ScriptDialog({Press(IDOK)});
        Command(IDM_SKIPS);
        ASSERT_EQ(standin::DialogRuns().size(), 1u);
        EXPECT_EQ(standin::DialogRuns()[0].templateId, static_cast<UINT>(IDD_SKIPS));
        EXPECT_EQ(standin::DialogRuns()[0].owner, ghApp);
        const char *const shown[] = {"9", "30", "5", "5", "1"};
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(standin::DialogItemText(nullptr, kFields[i]), shown[i]) << kValues[i];

        for (int i = 0; i < 5; i++)
            for (const char *refused : {"0.0", "600.1", "2,5", "", "fast", "0.05", "-1", "1.25"}) {
                // A good length typed in the first field is not kept either.
                standin::ScriptDialog({standin::TypeIntoDialog(kFields[0], "3"),
                                       standin::TypeIntoDialog(kFields[i], refused), Press(IDOK)});
                Command(IDM_SKIPS);
                EXPECT_FALSE(standin::DialogRuns().back().ended) << kValues[i] << " " << refused;
                EXPECT_EQ(standin::DialogItemText(nullptr, IDC_SKIPS_HINT), "Type seconds from 0.1 to 600, such as 2.5.");
                EXPECT_EQ(standin::DialogFocusedItem(), kFields[i]) << refused;
                for (int j = 0; j < 5; j++) {
                    EXPECT_EQ(Setting(kValues[j]), kStandard[j]) << "nothing kept: " << kValues[i] << " " << refused;
                    EXPECT_EQ(giSkipTenths[j], kStandard[j]) << kValues[j];
                }
            }

        Key(VK_F1);
        const char *const typed[] = {"0.1", "600", " 2.5 ", "12", "0.5"};
        std::vector<MSG> script;
        for (int i = 0; i < 5; i++)
            script.push_back(standin::TypeIntoDialog(kFields[i], typed[i]));
        script.push_back(Press(IDOK));
        standin::ScriptDialog(script);
        Command(IDM_SKIPS);
        EXPECT_TRUE(standin::DialogRuns().back().ended);
        EXPECT_EQ(standin::DialogRuns().back().result, IDOK);
        const long long tenths[] = {1, 6000, 25, 120, 5};
        for (int i = 0; i < 5; i++) {
            EXPECT_EQ(Setting(kValues[i]), tenths[i]) << kValues[i];
            EXPECT_EQ(giSkipTenths[i], tenths[i]) << kValues[i];
        }
        const std::string keys = standin::DialogItemText(ghKeys, IDC_KEYS_LIST);
        EXPECT_NE(keys.find("Left\tback 0.1 s\r\n"), std::string::npos) << "the open keys window says the new lengths";
        EXPECT_NE(keys.find("F7\tback 2.5 s\r\n"), std::string::npos);

        standin::ScriptDialog({standin::TypeIntoDialog(kFields[0], "600"), standin::TypeIntoDialog(kFields[1], "0.1"),
                               Press(IDCANCEL)});
        Command(IDM_SKIPS);
        EXPECT_EQ(standin::DialogItemText(nullptr, kFields[2]), "2.5") << "shown as typed, with its tenth";
        EXPECT_EQ(standin::DialogRuns().back().result, IDCANCEL);
        EXPECT_EQ(Setting(kValues[0]), 1) << "Cancel keeps nothing";
        EXPECT_EQ(giSkipTenths[SKIP_FORWARD], 6000);
    }});
}

// The jumps go by the stored lengths, still held inside the clip and ending the loop; a value missing,
// of another type or out of range is the standard length. The keys window says the lengths.
TEST_F(SkipsTest, JumpsAndTheKeysWindowGoByTheStoredLengths)
{
    const DWORD stored[] = {25, 123, 7, 6000, 3};
    for (int i = 0; i < 5; i++)
        PutSetting(kValues[i], stored[i]);
    Play([] {
        standin::SetGraphPosition(200000000);
        gABState = ABMarked;
        Key(VK_LEFT);
        EXPECT_EQ(standin::GraphPosition(), 200000000 - 25 * kTenth);
        EXPECT_EQ(gABState, ABOff);
        Key(VK_RIGHT);
        EXPECT_EQ(standin::GraphPosition(), 200000000 + 98 * kTenth);
        SendMessageA(ghApp, WM_HOTKEY, VK_F7, 0);
        EXPECT_EQ(standin::GraphPosition(), 200000000 + 91 * kTenth);
        PressPedals(PEDAL_BACK);
        PressPedals(0);
        EXPECT_EQ(standin::GraphPosition(), 200000000 + 88 * kTenth);
        PressPedals(PEDAL_FORWARD);
        PressPedals(0);
        EXPECT_EQ(standin::GraphPosition(), 200000000 + 91 * kTenth);
        size_t mark = Mark();
        SendMessageA(ghApp, WM_HOTKEY, VK_F8, 0);
        EXPECT_CALLS(mark, "GetCurrentPosition", "GetDuration", "SetPositions 600000000,5 -,0") << "held at the end";
        standin::SetGraphPosition(20 * kTenth);
        Key(VK_LEFT);
        EXPECT_EQ(standin::GraphPosition(), 0) << "held at the start";
        standin::SetGraphPosition(0);
        Key(VK_NEXT);
        EXPECT_EQ(standin::GraphPosition(), 600000000) << "Page Down's 100 s as it was";

        std::string list = KeyList();
        for (const char *line : {"Left\tback 2.5 s\r\n", "Right\tforward 12.3 s\r\n", "F7\tback 0.7 s\r\n",
                                 "F8\tforward 600 s\r\n", "Left pedal\tback 0.3 s, and again every 250 ms while held\r\n",
                                 "Right pedal\tforward 0.3 s, and again every 250 ms while held\r\n",
                                 "Page Down\tforward 100 s\r\n", "Media Rewind\tas Left\r\n"})
            EXPECT_NE(list.find(line), std::string::npos) << line;
    });

    PutSetting("skipback", 0);
    PutSetting("skipforward", 6001);
    standin::PutRegistryValue(kRecordKey, "skipotherback", REG_SZ, "2");
    PutSetting("pedalstep", 0xFFFFFFFF);
    standin::PutRegistryValue(kRecordKey, "skipotherforward", REG_DWORD, std::string("\x14\0", 2));
    Play([] {
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(giSkipTenths[i], kStandard[i]) << kValues[i];
        std::string list = KeyList();
        for (const char *line : {"Left\tback 9 s\r\n", "Right\tforward 30 s\r\n", "F7\tback 5 s\r\n", "F8\tforward 5 s\r\n",
                                 "Left pedal\tback 1 s, and again every 250 ms while held\r\n"})
            EXPECT_NE(list.find(line), std::string::npos) << line;
    });
}
