// The main window's tables: which inputs reach which operations, which cancel the loop first,
// and which messages go on to the video window.
#include "player_test.h"

class DispatchTest : public PlayerTest {};

// With point A marked, sends each input and checks the loop state it leaves.
template <typename Input, size_t N>
static void ExpectLoopAfter(void (*send)(Input), const Input (&inputs)[N], ABState expected)
{
    for (Input input : inputs) {
        gABState = ABMarked;
        send(input);
        EXPECT_EQ(gABState, expected) << "input " << input;
    }
}

TEST_F(DispatchTest, MovingKeysCancelTheLoopAndOthersDoNot)
{
    Play([] {
        const UINT cancelling[] = {VK_NEXT, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_F12};
        const UINT keeping[] = {VK_SPACE, VK_PRIOR, VK_END, VK_HOME, VK_DELETE, VK_F1, 'A'};
        ExpectLoopAfter(Key, keeping, ABMarked);
        ExpectLoopAfter(Key, cancelling, ABOff);
    });
}

TEST_F(DispatchTest, CommandsThatCancelTheLoopFirst)
{
    Play([] {
        // Open ends the loop by closing its clip; the others cancel it first.
        const WPARAM cancelling[] = {IDM_OPEN_CLIP, IDM_STOP, IDM_CLOSE_CLIP, IDM_EXIT};
        const WPARAM keeping[] = {IDM_PAUSE_PLAY, IDM_MUTE, IDM_FULL_SCREEN, IDM_SIZE_HALF};
        ExpectLoopAfter(Command, keeping, ABMarked);
        ExpectLoopAfter(Command, cancelling, ABOff);
    });
}

static LRESULT MediaKey(int command)
{
    return SendMessageA(ghApp, WM_APPCOMMAND, reinterpret_cast<WPARAM>(ghApp), MAKELPARAM(0, command));
}

// The media keys do what their keys do and are taken (TRUE), so the system does not act on them
// again; the volume keys stay the system's. Pause only pauses: a stopped clip stays stopped.
TEST_F(DispatchTest, MediaKeysDoWhatTheirKeysDoAndAreTaken)
{
    for (const char *name : {"C:\\media\\a.wmv", kClip, "C:\\media\\z.wmv"}) {
        standin::PutFile(name, "");
        standin::AddClip(name, {});
    }
    Play([] {
        const std::pair<int, PlayState> steps[] = {
            {APPCOMMAND_MEDIA_PLAY, Running}, {APPCOMMAND_MEDIA_PAUSE, Paused}, {APPCOMMAND_MEDIA_PAUSE, Paused},
            {APPCOMMAND_MEDIA_PLAY, Running}, {APPCOMMAND_MEDIA_PLAY_PAUSE, Paused},
            {APPCOMMAND_MEDIA_PLAY_PAUSE, Running}, {APPCOMMAND_MEDIA_STOP, Stopped}, {APPCOMMAND_MEDIA_PAUSE, Stopped},
            {APPCOMMAND_MEDIA_PLAY, Running},
        };
        for (const auto &step : steps) {
            gABState = ABMarked;
            EXPECT_EQ(MediaKey(step.first), TRUE) << step.first;
            EXPECT_EQ(gPlayState, step.second) << step.first;
            EXPECT_EQ(gABState, ABMarked) << "as p and s, the loop stays: " << step.first;
        }
        // The folder holds a.wmv, talk.wmv and z.wmv: the track keys step as Down and Up.
        const std::pair<int, const char *> moving[] = {
            {APPCOMMAND_MEDIA_FAST_FORWARD, kClip}, {APPCOMMAND_MEDIA_REWIND, kClip},
            {APPCOMMAND_MEDIA_NEXTTRACK, "C:\\media\\z.wmv"}, {APPCOMMAND_MEDIA_PREVIOUSTRACK, kClip},
        };
        for (const auto &move : moving) {
            gABState = ABMarked;
            EXPECT_EQ(MediaKey(move.first), TRUE) << move.first;
            EXPECT_EQ(gABState, ABOff) << move.first;
            EXPECT_STREQ(gszFileName, move.second) << move.first;
        }
        standin::SetGraphPosition(300000000);
        MediaKey(APPCOMMAND_MEDIA_FAST_FORWARD);
        REFERENCE_TIME forward = standin::GraphPosition();
        SendMessageA(ghApp, WM_KEYDOWN, VK_LEFT, 1);
        SendMessageA(ghApp, WM_KEYDOWN, VK_RIGHT, 1);
        EXPECT_EQ(standin::GraphPosition(), forward) << "fast forward jumps as far as Right";
        MediaKey(APPCOMMAND_MEDIA_REWIND);
        SendMessageA(ghApp, WM_KEYDOWN, VK_RIGHT, 1);
        EXPECT_EQ(standin::GraphPosition(), forward) << "rewind jumps as far as Left";
        LONG volume = glVolume;
        for (int command : {APPCOMMAND_VOLUME_UP, APPCOMMAND_VOLUME_DOWN, APPCOMMAND_VOLUME_MUTE})
            EXPECT_EQ(MediaKey(command), 0) << command;
        EXPECT_EQ(glVolume, volume);
    });
}

TEST_F(DispatchTest, CharacterSDoesNotCancelButTheStopCommandDoes)
{
    Play([] {
        gABState = ABMarked;
        Char('s');
        EXPECT_EQ(gABState, ABMarked);
        EXPECT_EQ(gPlayState, Stopped);
        Char('p');
        Command(IDM_STOP);
        EXPECT_EQ(gABState, ABOff);
        EXPECT_EQ(gPlayState, Stopped);
    });
}

// The loop goes with the clip it belongs to: nothing is sought on the way out.
TEST_F(DispatchTest, EscapeLeavesFullScreenFirstAndThenClosesWithoutSeeking)
{
    Play([] {
        Key(VK_RETURN);
        ASSERT_EQ(gbFullScreen, 1);
        gABState = ABLooping;
        Key(VK_ESCAPE);
        EXPECT_EQ(gbFullScreen, 0);
        EXPECT_EQ(gPlayState, Running) << "the first Escape only leaves full screen";
        EXPECT_EQ(gABState, ABLooping);
        size_t mark = Mark();
        Key(VK_ESCAPE);
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(gABState, ABOff);
        for (const std::string &call : CallsSince(mark))
            EXPECT_EQ(call.find("SetPositions"), std::string::npos) << call;
    });
}

TEST_F(DispatchTest, CommandWithANonZeroHighWordMatchesNothing)
{
    Play([] {
        Command(MAKELPARAM(IDM_CLOSE_CLIP, 1));
        EXPECT_EQ(gPlayState, Running);
        Command(IDM_CLOSE_CLIP);
        EXPECT_EQ(gPlayState, NoClip);
    });
}

TEST_F(DispatchTest, EveryKeyDownIsRememberedButNoCharacter)
{
    Play([] {
        Key(VK_F1);
        EXPECT_EQ(guLastKey, static_cast<UINT>(VK_F1));
        Key('A');
        EXPECT_EQ(guLastKey, static_cast<UINT>('A'));
        Char('z');
        EXPECT_EQ(guLastKey, static_cast<UINT>('A'));
    });
}

// A posted key-down is translated as the platform does, so P types the pause character.
TEST_F(DispatchTest, PostedKeyIsTranslatedIntoItsCharacter)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] { PostMessageA(ghApp, WM_KEYDOWN, 'P', 1); },
                      [] { EXPECT_EQ(gPlayState, Paused); EXPECT_EQ(guLastKey, static_cast<UINT>('P')); }});
}

TEST_F(DispatchTest, HandledMessagesGoToTheVideoWindowAndOthersDoNot)
{
    Play([] {
        size_t mark = Mark();
        SendMessageA(ghApp, WM_KEYDOWN, VK_F1, 1);
        SendMessageA(ghApp, WM_CHAR, 'q', 1);
        SendMessageA(ghApp, WM_COMMAND, 49999, 0);
        SendMessageA(ghApp, WM_VOLUME_DUCK, 1, 0);
        SendMessageA(ghApp, WM_PAINT, 0, 0);
        SendMessageA(ghApp, WM_TIMER, 1, 0);
        SendMessageA(ghApp, WM_MOUSEMOVE, 0, 0);
        std::vector<std::string> forwarded;
        for (size_t i = mark; i < standin::GraphCalls().size(); i++)
            if (standin::GraphCalls()[i].rfind("NotifyOwnerMessage", 0) == 0)
                forwarded.push_back(standin::GraphCalls()[i]);
        EXPECT_EQ(forwarded, (std::vector<std::string>{"NotifyOwnerMessage 256", "NotifyOwnerMessage 258",
                                                       "NotifyOwnerMessage 273", "NotifyOwnerMessage 65412"}));
    });
}

TEST_F(DispatchTest, OpenCommandClosesAnOpenClipFirst)
{
    Play([] {
        size_t mark = Mark();
        Command(IDM_OPEN_CLIP);
        ASSERT_FALSE(CallsSince(mark).empty());
        EXPECT_EQ(CallsSince(mark)[1], "Stop") << "after reading the place the clip is left at";
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(standin::OpenDialogCalls().size(), 1u);
    });
}

TEST_F(DispatchTest, MainWindowCannotBeMadeSmallerThanTheMinimumTrackingSize)
{
    Play([] {
        SetWindowPos(ghApp, nullptr, 0, 0, 150, 80, SWP_NOMOVE);
        RECT outer = standin::OuterRect(ghApp);
        EXPECT_EQ(Width(outer), 200);
        EXPECT_EQ(Height(outer), 120);
    });
}

// The size keys and the size commands give the same sizes (of the 640 x 360 video) and check marks.
TEST_F(DispatchTest, SizeKeysAndCommandsSizeAndMoveTheCheckMarkAlike)
{
    Play([] {
        struct Size { char key; UINT command; LONG width, height; };
        const Size sizes[] = {{'h', IDM_SIZE_HALF, 328, 226}, {'t', IDM_SIZE_THREE_QUARTER, 488, 316},
                              {'d', IDM_SIZE_DOUBLE, 1288, 766}, {'n', IDM_SIZE_NORMAL, 648, 406}};
        for (bool byCommand : {false, true}) {
            for (const Size &size : sizes) {
                if (byCommand)
                    Command(size.command);
                else
                    Char(size.key);
                RECT outer = standin::OuterRect(ghApp);
                EXPECT_EQ(Width(outer), size.width) << size.key << byCommand;
                EXPECT_EQ(Height(outer), size.height) << size.key << byCommand;
                for (UINT item : {IDM_SIZE_HALF, IDM_SIZE_DOUBLE, IDM_SIZE_NORMAL, IDM_SIZE_THREE_QUARTER})
                    EXPECT_EQ(standin::MenuItemChecked(ghMenu, item), item == size.command) << size.key << " " << item;
            }
        }
        Char('H');
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_SIZE_NORMAL)) << "upper case does nothing";
    });
}

struct ExpectedMessage { UINT message; WPARAM wParam; bool posted; };

// One line of a message sequence: the message by name where the table knows it, its wParam, and
// how it came.
static std::string DescribeMessage(UINT message, WPARAM wParam, bool posted)
{
    static const std::pair<UINT, const char *> kNames[] = {
        {WM_CLOSE, "WM_CLOSE"}, {WM_COMMAND, "WM_COMMAND"}, {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
        {WM_SIZE, "WM_SIZE"}, {WM_DESTROY, "WM_DESTROY"},
    };
    char name[32];
    snprintf(name, sizeof(name), "message 0x%04X", message);
    for (const auto &known : kNames)
        if (known.first == message)
            snprintf(name, sizeof(name), "%s", known.second);
    return std::string(name) + " " + std::to_string(wParam) + (posted ? " posted" : " sent") + "\n";
}

// Compares the messages a window received since a mark with the expected ones; on a mismatch it
// prints both sequences, a message a line, at the caller's file and line.
template <size_t N>
static void ExpectMessages(HWND hwnd, size_t mark, const ExpectedMessage (&expected)[N], const char *file, int line)
{
    std::string wanted, seen;
    for (const ExpectedMessage &m : expected)
        wanted += DescribeMessage(m.message, m.wParam, m.posted);
    const std::vector<standin::LoggedMessage> &log = standin::MessageLog();
    for (size_t i = mark; i < log.size(); i++)
        if (log[i].hwnd == hwnd)
            seen += DescribeMessage(log[i].message, log[i].wParam, log[i].posted);
    if (seen != wanted)
        ADD_FAILURE_AT(file, line) << "the messages differ\nexpected:\n" << wanted << "seen:\n" << seen;
}
#define EXPECT_MESSAGES(hwnd, mark, expected) ExpectMessages(hwnd, mark, expected, __FILE__, __LINE__)

// Closing, by the close box or by the Exit that the menu posts, takes one road: the clip closes
// inside WM_CLOSE, then the window is destroyed.
TEST_F(DispatchTest, CloseMessageSequence)
{
    standin::AddClip(kClip, {});
    size_t mark = 0;
    RunPlayer(kClip, {[&] {
        mark = standin::MessageLog().size();
        PostMessageA(ghApp, WM_CLOSE, 0, 0);
    }});
    static const ExpectedMessage closeBox[] = {
        {WM_CLOSE, 0, true},
        {WM_GETMINMAXINFO, 0, false},   // the close shrinks the window to the idle size
        {WM_SIZE, SIZE_RESTORED, false},
        {WM_DESTROY, 0, false},
    };
    EXPECT_MESSAGES(ghApp, mark, closeBox);
    EXPECT_FALSE(standin::TimerRunning(ghApp, STATUS_TIMER_ID));

    RunPlayer(kClip, {[&] {
        mark = standin::MessageLog().size();
        PostMessageA(ghApp, WM_COMMAND, IDM_EXIT, 0);
    }});
    static const ExpectedMessage exitCommand[] = {
        {WM_COMMAND, IDM_EXIT, true},
        {WM_CLOSE, 0, false},
        {WM_GETMINMAXINFO, 0, false},
        {WM_SIZE, SIZE_RESTORED, false},
        {WM_DESTROY, 0, false},
    };
    EXPECT_MESSAGES(ghApp, mark, exitCommand);
    EXPECT_FALSE(standin::TimerRunning(ghApp, STATUS_TIMER_ID));
}

// A dropped file opens as the Open command's: the loop ends and the playlist is the file's folder.
// A folder, a path that is not there, or several files but the first, open nothing; a path too
// long to take is said, and never cut to one that may name another file.
TEST_F(DispatchTest, DroppedFileOpensLikeTheOpenCommand)
{
    static const std::string cut = "C:\\other\\" + std::string(3 * 259 - 9, 'x');
    for (const std::string &name : {std::string("C:\\other\\a.mp3"), std::string("C:\\other\\b.mp3"), cut}) {
        standin::PutFile(name.c_str(), "");
        standin::AddClip(name.c_str(), {});
    }
    standin::MakeFolder("C:\\other\\sub.avi");
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
                          EXPECT_TRUE(standin::AcceptsDroppedFiles(ghApp));
                          standin::DropFiles(ghApp, {"C:\\other\\sub.avi"});
                          standin::DropFiles(ghApp, {"C:\\other\\gone.mp3"});
                          standin::DropFiles(ghApp, {cut + "yy.mp3"});
                      },
                      [] {
                          EXPECT_STREQ(gszFileName, kClip) << "a folder, a missing or a long path opens nothing";
                          gABState = ABMarked;
                          standin::DropFiles(ghApp, {"C:\\other\\b.mp3", "C:\\other\\a.mp3"});
                      },
                      [] {
                          EXPECT_STREQ(gszFileName, "C:\\other\\b.mp3");
                          EXPECT_EQ(gABState, ABOff);
                          EXPECT_STREQ(gszFolder, "C:\\other");
                          EXPECT_EQ(gnPlaylist, 3) << "a.mp3, b.mp3 and the folder sub.avi";
                          EXPECT_EQ(gPlayState, Running);
                      }});
    ASSERT_EQ(standin::MessageBoxes().size(), 1u) << "only the long path is said";
    EXPECT_EQ(standin::MessageBoxes()[0].text.find("The dropped file could not be opened: its path is longer than 259 characters.\r\n"), 0u);
}
