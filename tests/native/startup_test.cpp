// Start-up, the message loop and shutdown: exit codes, the order of start-up, the windows and menu.
#include "player_test.h"

#include <algorithm>
#include <cstring>

TEST_F(PlayerTest, NormalExitEndsWithCodeZeroAndComUninitialised)
{
    standin::AddClip("C:\\media\\talk.wmv", {});
    int code = RunPlayer("C:\\media\\talk.wmv", {[] { Command(IDM_EXIT); }});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(standin::TerminatedWith(), 0) << "the process ended with the loop's code";
    EXPECT_EQ(standin::CoInitializeBalance(), 0);
    EXPECT_FALSE(standin::GraphOpen());
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

TEST_F(PlayerTest, ClosingTheMainWindowRunsExitAndEndsTheLoop)
{
    standin::AddClip("C:\\media\\talk.wmv", {});
    int code = RunPlayer("C:\\media\\talk.wmv", {[] { PostMessageA(ghApp, WM_CLOSE, 0, 0); }});
    EXPECT_EQ(code, 0);
    EXPECT_EQ(standin::FindWindowOfClass("WMView"), nullptr);
    EXPECT_EQ(standin::CoInitializeBalance(), 0);
}

TEST_F(PlayerTest, FailedComInitialisationExitsWithOneBeforeAnyWindow)
{
    standin::FailCoInitialize(E_OUTOFMEMORY);
    EXPECT_EQ(RunPlayer(""), 1);
    EXPECT_EQ(standin::FindWindowOfClass("WMView"), nullptr);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].caption, "Lumetrone");
    EXPECT_EQ(standin::MessageBoxes()[0].text, "CoInitialize Failed!\r\n");
}

TEST_F(PlayerTest, FailedClassRegistrationExitsWithOne)
{
    for (const char *className : {"WMView", "DSPWMSStatus"}) {
        standin::Reset();
        standin::FailRegisterClass(className, 0x57);
        EXPECT_EQ(RunPlayer(""), 1) << className;
        ASSERT_EQ(standin::MessageBoxes().size(), 1u) << className;
        EXPECT_EQ(standin::MessageBoxes()[0].text, "RegisterClass Failed! Error=0x57\r\n");
        EXPECT_EQ(standin::CoInitializeBalance(), 0) << className;
    }
}

TEST_F(PlayerTest, MainWindowThatCannotBeCreatedExitsWithZero)
{
    standin::FailCreateWindow("WMView", 0x5AF);
    EXPECT_EQ(RunPlayer(""), 0);
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "Failed to create the main window! Error=0x5af\r\n");
    EXPECT_EQ(standin::CoInitializeBalance(), 0);
}

TEST_F(PlayerTest, OverlayThatCannotBeCreatedDoesNotStopStartUp)
{
    standin::FailCreateWindow("DSPWMSStatus", 8);
    standin::AddClip("C:\\media\\talk.wmv", {});
    bool played = false;
    EXPECT_EQ(RunPlayer("C:\\media\\talk.wmv", {[&] {
        played = gPlayState == Running;
        standin::AdvanceClock(300);   // the status timer has nothing to repaint
    }}), 0);
    EXPECT_TRUE(played);
    EXPECT_EQ(ghStatus, nullptr);
}

// The open command is the first posted message, and by the time it runs the brushes exist.
TEST_F(PlayerTest, OpenCommandRunsAfterTheBrushesExist)
{
    standin::AddClip("C:\\media\\talk.wmv", {});
    RunPlayer("C:\\media\\talk.wmv", {[] {
        const std::vector<standin::LoggedMessage> &log = standin::MessageLog();
        size_t firstPosted = 0;
        while (firstPosted < log.size() && !log[firstPosted].posted)
            firstPosted++;
        ASSERT_LT(firstPosted, log.size());
        EXPECT_EQ(log[firstPosted].hwnd, ghApp);
        EXPECT_EQ(log[firstPosted].message, static_cast<UINT>(WM_COMMAND));
        EXPECT_EQ(log[firstPosted].wParam, static_cast<WPARAM>(IDM_OPEN_CLIP));
        EXPECT_FALSE(standin::TimerRunning(ghApp, STATUS_TIMER_ID)) << "no strip shown: the player sleeps";
        EXPECT_EQ(standin::BrushColour(ghbrWhite), 0xFFFFFFu);
        EXPECT_EQ(standin::BrushColour(ghbrGreen), 0x80FF80u);
        EXPECT_EQ(standin::BrushColour(ghbrOrange), 0x0080FFu);
        EXPECT_EQ(gPlayState, Running);
    }});
}

TEST_F(PlayerTest, WindowsAreCreatedAsTheDesktopExpects)
{
    RunPlayer("", {[] {
        EXPECT_EQ(standin::WindowClass(ghApp), "WMView");
        EXPECT_EQ(standin::WindowStyle(ghApp), static_cast<DWORD>(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN));
        EXPECT_EQ(standin::WindowClass(ghStatus), "DSPWMSStatus");
        EXPECT_EQ(standin::ParentOf(ghStatus), ghApp);
        EXPECT_EQ(standin::WindowStyle(ghStatus), static_cast<DWORD>(WS_CHILD | WS_CLIPSIBLINGS));
        EXPECT_EQ(standin::WindowTitle(ghStatus), "Lumetrone");
        RECT overlay = standin::OuterRect(ghStatus);
        EXPECT_EQ(Width(overlay), 1280);
        EXPECT_EQ(Height(overlay), STATUS_STRIP_HEIGHT);
        EXPECT_FALSE(IsWindowVisible(ghStatus));
        EXPECT_EQ(ghMenu, GetMenu(ghApp));
        EXPECT_EQ(gdRate, 1.0);
        EXPECT_EQ(gfZoom, 1.0f);
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(gbAudioOnly, 0) << "no clip has been opened or closed yet";
    }});
}

// The main window is first shown by the open command, the first posted message.
TEST_F(PlayerTest, MainWindowStaysHiddenUntilTheOpenCommand)
{
    standin::AddClip("C:\\media\\talk.wmv", {});
    RunPlayer("C:\\media\\talk.wmv", {[&] { EXPECT_TRUE(IsWindowVisible(ghApp)); }});
    const std::vector<standin::LoggedMessage> &log = standin::MessageLog();
    auto openCommand = std::find_if(log.begin(), log.end(), [](const standin::LoggedMessage &m) { return m.posted; });
    auto shown = std::find_if(log.begin(), log.end(), [](const standin::LoggedMessage &m) {
        return m.message == WM_SHOWWINDOW && m.wParam && m.hwnd == ghApp;
    });
    ASSERT_NE(shown, log.end());
    EXPECT_LT(openCommand - log.begin(), shown - log.begin());
}

TEST_F(PlayerTest, MenuResourceHoldsTheCommandsInOrder)
{
    RunPlayer("", {[] {
        const std::vector<standin::MenuItem> expected = {
            {"&File", "&Open clip...", IDM_OPEN_CLIP},
            {"&File", "&Close clip", IDM_CLOSE_CLIP},
            {"&File", "&Export marks...\tCtrl+E", IDM_EXPORT_MARKS},
            {"&File", "E&xit", IDM_EXIT},
            {"&Control", "&Pause/Play\tP", IDM_PAUSE_PLAY},
            {"&Control", "&Stop\tS", IDM_STOP},
            {"&Control", "&Mute/Unmute\tM", IDM_MUTE},
            {"&Control", "&Go to time...\tCtrl+G", IDM_GO_TO_TIME},
            {"&Control", "&Copy time\tCtrl+C", IDM_COPY_TIME},
            {"&Control", "&List of marks\tL", IDM_MARK_LIST},
            {"&Control", "Add mark with &note\tE", IDM_ADD_MARK_WITH_NOTE},
            {"&Control", "Ne&xt words\tCtrl+Right", IDM_NEXT_WORDS},
            {"&Control", "Previous &words\tCtrl+Left", IDM_PREVIOUS_WORDS},
            {"&Control", "&Half size (50%)\tH", IDM_SIZE_HALF},
            {"&Control", "&Three-quarter size (75%)\tT", IDM_SIZE_THREE_QUARTER},
            {"&Control", "&Normal size (100%)\tN", IDM_SIZE_NORMAL},
            {"&Control", "&Double size (200%)\tD", IDM_SIZE_DOUBLE},
            {"&Control", "&Full Screen\t<Enter>", IDM_FULL_SCREEN},
            {"&Control", "Control from &other programs", IDM_GLOBAL_KEYS},
            {"&Control", "S&kips...", IDM_SKIPS},
            {"Rewind on &resume", "&Off", IDM_REWIND_OFF},
            {"Rewind on &resume", "&1 s", IDM_REWIND_1},
            {"Rewind on &resume", "&2 s", IDM_REWIND_2},
            {"Rewind on &resume", "&3 s", IDM_REWIND_3},
            {"Rewind on &resume", "&5 s", IDM_REWIND_5},
            {"Loop", "&Forever", IDM_LOOP_FOREVER},
            {"Loop", "&2 times", IDM_LOOP_2},
            {"Loop", "&3 times", IDM_LOOP_3},
            {"Loop", "&5 times", IDM_LOOP_5},
            {"Pause &between repeats", "&None", IDM_LOOP_GAP_NONE},
            {"Pause &between repeats", "&1 s", IDM_LOOP_GAP_1},
            {"Pause &between repeats", "&2 s", IDM_LOOP_GAP_2},
            {"&Control", "Level the &voices\tV", IDM_LEVELLING},
            {"Chann&els", "&Both", IDM_SIDES_BOTH},
            {"Chann&els", "&Left only", IDM_SIDES_LEFT},
            {"Chann&els", "&Right only", IDM_SIDES_RIGHT},
            {"Help", "&Keys\tF1", IDM_KEYS},
            {"Help", "About Lumetrone", IDM_ABOUT},
        };
        std::vector<standin::MenuItem> items = standin::MenuItems(ghMenu);
        ASSERT_EQ(items.size(), expected.size());
        for (size_t i = 0; i < items.size(); i++)
            for (size_t j = 0; j < i; j++)
                EXPECT_NE(items[i].id, items[j].id) << items[i].text << " and " << items[j].text << " would run one command";
        for (size_t i = 0; i < items.size(); i++) {
            EXPECT_EQ(items[i].popup, expected[i].popup) << i;
            EXPECT_EQ(items[i].text, expected[i].text) << i;
            EXPECT_EQ(items[i].id, expected[i].id) << i;
        }
        // Two items of one id would both run the command found first.
        for (size_t i = 0; i < items.size(); i++)
            for (size_t j = i + 1; j < items.size(); j++)
                EXPECT_NE(items[i].id, items[j].id) << items[i].text << " and " << items[j].text;
    }});
}

// The path that reaches the engine shows what the quote rule made of the command line.
TEST_F(PlayerTest, CommandLineQuoteRule)
{
    struct Case { const char *commandLine; const char *path; };
    const Case cases[] = {
        {"\"C:\\my media\\talk.wmv\"", "C:\\my media\\talk.wmv"},
        {"C:\\my media\\talk.wmv", "C:\\my media\\talk.wmv"},
        {"\"C:\\media\\a.wmv\" more", "C:\\media\\a.wmv\" more"},
        {"C:\\media\\a.wmv\"", "C:\\media\\a.wmv\""},
    };
    for (const Case &c : cases) {
        standin::Reset();
        RunPlayer(c.commandLine);
        ASSERT_GE(standin::GraphCalls().size(), 3u) << c.commandLine;
        EXPECT_EQ(standin::GraphCalls()[2], std::string("RenderFile ") + c.path) << c.commandLine;
    }
}

TEST_F(PlayerTest, QuotesAloneGiveAnEmptyPathAndTheDialogWithoutReadingTheRegistry)
{
    for (const char *commandLine : {"\"", "\"\""}) {
        standin::Reset();
        standin::PutRegistryValue(kRecordKey, "lastpath", REG_SZ, std::string("C:\\media\0", 9));
        standin::PutRegistryValue(kRecordKey, "lastfile", REG_SZ, std::string("talk.wmv\0", 9));
        RunPlayer(commandLine);
        EXPECT_EQ(standin::OpenDialogCalls().size(), 1u) << commandLine;
        EXPECT_EQ(standin::GraphsCreated(), 0) << commandLine;
    }
}

// Too long to hold, a command line is said and not cut: its first part could name another file.
TEST_F(PlayerTest, CommandLineTooLongToHoldIsSaidNotCut)
{
    const std::string held = "C:\\" + std::string(3 * 259 - 3, 'x');
    standin::PutFile(held.c_str(), "");
    standin::AddClip(held.c_str(), {});
    for (const std::string &commandLine : {held + "x", "\"" + held + "x\""}) {
        standin::Reset();
        RunPlayer(commandLine.c_str());
        EXPECT_EQ(standin::GraphsCreated(), 0) << commandLine.size();
        EXPECT_EQ(standin::OpenDialogCalls().size(), 1u) << "the dialog is offered instead";
        ASSERT_EQ(standin::MessageBoxes().size(), 1u);
        EXPECT_EQ(standin::MessageBoxes()[0].text.find("The clip C:\\xxx"), 0u);
        EXPECT_NE(standin::MessageBoxes()[0].text.find(" could not be played: its path is longer than 259 characters.\r\n"),
                  std::string::npos);
    }
}

TEST_F(PlayerTest, NoCommandLineAndNoRecordShowsTheIdleWindowWithTheDialog)
{
    RunPlayer("", {[] {
        RECT outer = standin::OuterRect(ghApp);
        EXPECT_EQ(Width(outer), 900);
        EXPECT_EQ(Height(outer), 120);
        EXPECT_TRUE(IsWindowVisible(ghApp));
        EXPECT_EQ(standin::WindowTitle(ghApp), "Lumetrone");
    }});
    EXPECT_EQ(standin::OpenDialogCalls().size(), 1u);
}

// OK, Escape and the close button (both IDCANCEL to a dialog) close it; nothing else does.
TEST_F(PlayerTest, AboutBoxClosesThroughOkEscapeAndItsCloseButton)
{
    for (WPARAM button : {IDOK, IDCANCEL}) {
        standin::Reset();
        standin::ScriptDialog({{nullptr, WM_CLOSE, 0, 0, 0, {0, 0}},
                               {nullptr, WM_COMMAND, IDCANCEL + 100, 0, 0, {0, 0}},
                               {nullptr, WM_COMMAND, button, 0, 0, {0, 0}}});
        RunPlayer("", {[] { Command(IDM_ABOUT); }});
        ASSERT_EQ(standin::DialogRuns().size(), 1u);
        const standin::DialogRun &run = standin::DialogRuns()[0];
        EXPECT_EQ(run.templateId, static_cast<UINT>(IDD_ABOUT));
        EXPECT_TRUE(run.ended) << button;
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.owner, ghApp) << "modal to the main window";
    }
    standin::Reset();
    standin::ScriptDialog({{nullptr, WM_COMMAND, IDCANCEL + 100, 0, 0, {0, 0}}});
    RunPlayer("", {[] { Command(IDM_ABOUT); }});
    ASSERT_EQ(standin::DialogRuns().size(), 1u);
    EXPECT_FALSE(standin::DialogRuns()[0].ended);
}

// A buffer too small for the whole list gets as much of it as fits, terminated, and nothing past
// its end, also where a line ends exactly at the buffer's last byte.
TEST(KeyList, ShortBufferHoldsTheListCutAndNothingBeyond)
{
    char whole[4096];
    FormatKeyList(whole, sizeof(whole));
    const std::string list = whole;
    for (size_t size = 1; size <= list.size() + 1; size++) {
        std::vector<char> buffer(size + 1, '#');
        FormatKeyList(buffer.data(), size);
        ASSERT_EQ(buffer[size], '#') << "written past a buffer of " << size;
        ASSERT_NE(memchr(buffer.data(), 0, size), nullptr) << "unterminated in a buffer of " << size;
        ASSERT_EQ(std::string(buffer.data()), list.substr(0, size - 1)) << "in a buffer of " << size;
    }
}

// F1 and the Help menu's item show one keys window, listed from the dispatch tables; it stays
// until Escape or Close.
TEST_F(PlayerTest, KeysWindowListsEveryInputAndEscapeClosesIt)
{
    RunPlayer("", {[] {
                       SendMessageA(ghApp, WM_KEYDOWN, VK_F1, 1);
                       ASSERT_NE(ghKeys, nullptr);
                       HWND first = ghKeys;
                       Command(IDM_KEYS);
                       EXPECT_EQ(ghKeys, first) << "one keys window at a time";
                       ASSERT_EQ(standin::DialogRuns().size(), 1u);
                       EXPECT_EQ(standin::DialogRuns()[0].templateId, static_cast<UINT>(IDD_KEYS));
                       EXPECT_EQ(standin::FocusWindow(), GetDlgItem(ghKeys, IDC_KEYS_LIST)) << "the list has the keys";
                       EXPECT_EQ(standin::DialogFocusedItem(), 0) << "at its top, nothing selected";
                       EXPECT_EQ(standin::ForegroundWindow(), ghKeys);
                       std::string text = standin::DialogItemText(ghKeys, IDC_KEYS_LIST);
                       for (const char *line : {"Enter\tfull screen on and off\r\n", "F1\tthis list of keys\r\n",
                                                "Ctrl+G\tgo to a time (h:mm:ss, m:ss or seconds)\r\n",
                                                "Ctrl+E\texport the marks as SubRip, WebVTT, Audacity labels or CSV\r\n",
                                                "+ or =\tvolume up (other players duck)\r\n",
                                                "0 to 9\tjump to that tenth of the clip\r\n",
                                                "Mouse wheel\tvolume up and down, a step for each notch\r\n",
                                                "]\tplayback rate up by 10 points (400 % at the most)\r\n",
                                                "Backspace\tplayback rate back to 100 %\r\n",
                                                "v\tlevel the voices: quiet speakers up, loud ones down (on and off)\r\n",
                                                "e\tadd a mark and type its note (Enter keeps it, Escape leaves it)\r\n",
                                                "Media Play/Pause\tas p\r\n",
                                                "From any program\twhile Control from other programs is on (Control menu):\r\n",
                                                "F9\tpause and play\r\n", "F7\tback 5 s\r\n", "F8\tforward 5 s\r\n",
                                                "Left\tback 9 s\r\n", "Right\tforward 30 s\r\n",
                                                "Ctrl+Right\tnext words: where speech starts after 0.5 s of silence, 0.2 s early\r\n",
                                                "Ctrl+Left\tprevious words: where the speech before began (0.8 s back or more), 0.2 s early\r\n",
                                                "Ctrl+F8\tas Ctrl+Right\r\n", "Ctrl+F7\tas Ctrl+Left\r\n",
                                                "F6\tadd a bookmark at the current place\r\n",
                                                "F10\ttype the current place where you type, as [m:ss] (not in the player)\r\n",
                                                "F11\tgo to the first time in what is selected (the clipboard is put back)\r\n",
                                                "Middle pedal\tplays while held, pauses when let go\r\n",
                                                "Left pedal\tback 1 s, and again every 250 ms while held\r\n",
                                                "Rewind on resume\tControl menu: a play after a pause starts 1, 2, 3 or 5 s earlier, not before A in a loop\r\n",
                                                "Skips\tControl menu: the lengths of Left, Right, F7, F8 and the pedals' step\r\n",
                                                "Loop\tControl menu: the A-B loop repeats forever, or 2, 3 or 5 times and plays on past B\r\n",
                                                "Pause between repeats\tControl menu: 1 or 2 s of silence at B before each return to A\r\n"})
                           EXPECT_NE(text.find(line), std::string::npos) << line;
                       EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 15 + 2 + 23 + 4 + 8 + 1 + 12 + 9)
                           << "every key, Ctrl key, character, other input and media key, once; then a heading, the keys "
                              "from other programs, the pedals, the rewind, the skips and the loop's repeats";
                       PostMessageA(ghKeys, WM_KEYDOWN, 'A', 1);
                   },
                   [] {
                       ASSERT_NE(ghKeys, nullptr) << "it stays until closed";
                       PostMessageA(ghKeys, WM_KEYDOWN, VK_ESCAPE, 1);
                   },
                   [] {
                       EXPECT_EQ(ghKeys, nullptr);
                       EXPECT_EQ(gPlayState, NoClip) << "the Escape was the keys window's, not the player's";
                   }});
}
