// A clip's road from the open command to a running graph and back, and what each failure leaves.
#include "player_test.h"

#include <algorithm>


static std::vector<std::string> HeldInterfaces()
{
    std::vector<std::string> held;
    if (pGB) held.push_back("pGB");
    if (pME) held.push_back("pME");
    if (pMC) held.push_back("pMC");
    if (pMS) held.push_back("pMS");
    if (pVW) held.push_back("pVW");
    if (pBV) held.push_back("pBV");
    if (pBA) held.push_back("pBA");
    return held;
}

// Each failing step returns its status with exactly what was obtained before it; CloseClip frees each once.
TEST_F(PlayerTest, EachFailingStepOfPlayClipFileLeavesWhatWasObtained)
{
    const std::vector<std::string> all = {"pGB", "pME", "pMC", "pMS", "pVW", "pBV", "pBA"};
    struct Case { const char *method; std::vector<std::string> held; };
    const Case cases[] = {
        {"CoCreateInstance", {}},
        {"QueryInterface IMediaEventEx", {"pGB"}},
        {"RenderFile", {"pGB", "pME"}},
        {"QueryInterface IMediaControl", {"pGB", "pME"}},
        {"QueryInterface IMediaSeeking", {"pGB", "pME", "pMC"}},
        {"QueryInterface IVideoWindow", {"pGB", "pME", "pMC", "pMS"}},
        {"QueryInterface IBasicVideo", {"pGB", "pME", "pMC", "pMS", "pVW"}},
        {"QueryInterface IBasicAudio", {"pGB", "pME", "pMC", "pMS", "pVW", "pBV"}},
        {"SetNotifyWindow", all},
        {"put_Owner", all},
        {"put_WindowStyle", all},
        {"SetWindowPosition", all},
        {"Run", all},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::AddClip(kClip, {});
        RunPlayer("", {[&] {
            standin::FailGraphCall(c.method, E_FAIL);
            EXPECT_EQ(PlayClipFile(kClip), E_FAIL) << c.method;
            EXPECT_EQ(HeldInterfaces(), c.held) << c.method;
            EXPECT_EQ(standin::LiveGraphReferences(), static_cast<int>(c.held.size())) << c.method;
            CloseClip();
            EXPECT_EQ(standin::LiveGraphReferences(), 0) << c.method;
            EXPECT_TRUE(HeldInterfaces().empty()) << c.method;
            EXPECT_EQ(gPlayState, NoClip) << c.method;
        }});
        EXPECT_TRUE(standin::MessageBoxes().empty()) << c.method;
    }
}

TEST_F(PlayerTest, MissingPathFailsBeforeAnyGraph)
{
    RunPlayer("", {[] { EXPECT_EQ(PlayClipFile(nullptr), E_POINTER); }});
    EXPECT_EQ(standin::GraphsCreated(), 0);
}

TEST_F(PlayerTest, ProtectedMediaClosesAndThenSaysWhy)
{
    standin::Clip clip;
    clip.renderStatus = NS_E_LICENSE_REQUIRED;
    standin::AddClip(kClip, clip);
    RunPlayer(kClip, {[] {
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(gszFileName[0], 0);
    }});
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "This media file requires a license. DRM is not supported by this version\r\n");
    EXPECT_EQ(standin::MessageBoxes()[0].caption, "Lumetrone");
}

// A start-up clip that cannot be played leaves a window the user can see, and says why once.
TEST_F(PlayerTest, StartUpClipThatFailsShowsTheIdleWindowAndSaysSo)
{
    standin::PutFile("C:\\media\\notes.avi", "not a clip");
    standin::Clip broken;
    broken.renderStatus = static_cast<HRESULT>(0x80040265);
    standin::AddClip("C:\\media\\notes.avi", broken);
    RunPlayer("C:\\media\\notes.avi", {[] {
        EXPECT_TRUE(IsWindowVisible(ghApp));
        EXPECT_EQ(standin::WindowTitle(ghApp), "Lumetrone");
        RECT outer = standin::OuterRect(ghApp);
        EXPECT_EQ(Width(outer), 900);
        EXPECT_EQ(Height(outer), 120);
        EXPECT_EQ(gbAudioOnly, 1);
    }});
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].caption, "Lumetrone");
    EXPECT_NE(standin::MessageBoxes()[0].text.find("The clip C:\\media\\notes.avi could not be played"), std::string::npos);
    EXPECT_NE(standin::MessageBoxes()[0].text.find("(error 0x80040265)"), std::string::npos);
    EXPECT_TRUE(standin::OpenDialogCalls().empty());
}

TEST_F(PlayerTest, OpenDialogRecordAndItsFirstCallFolder)
{
    RunPlayer("", {[] { Command(IDM_OPEN_CLIP); }});
    ASSERT_EQ(standin::OpenDialogCalls().size(), 2u);
    const standin::OpenDialogCall &first = standin::OpenDialogCalls()[0];
    EXPECT_EQ(first.record.lStructSize, static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A));
    EXPECT_EQ(first.record.hwndOwner, ghApp);
    EXPECT_EQ(first.record.nFilterIndex, 1u);
    EXPECT_EQ(first.record.nMaxFile, 3u * 259 + 1) << "any 259-unit path in UTF-8";
    EXPECT_EQ(first.record.Flags, 0x1801u);
    EXPECT_EQ(first.record.lpstrFileTitle, nullptr);
    EXPECT_EQ(first.record.lpstrCustomFilter, nullptr);
    EXPECT_EQ(first.title, "Open Media File...");
    EXPECT_EQ(first.defaultExt, "*");
    EXPECT_EQ(first.initialDir, "\\");
    EXPECT_EQ(first.filters, (std::vector<std::string>{
        "A/V Files (*.wmv; *.mp3; *.avi; *.mpg; *.mpeg; *.m4a; *.mp4; *.m4v; *.mov; *.mkv; *.webm; *.flac; *.ogg; "
        "*.oga; *.opus; *.aac; *.wav; *.wma; *.asf)",
        "*.wmv; *.mp3; *.avi; *.mpg; *.mpeg; *.m4a; *.mp4; *.m4v; *.mov; *.mkv; *.webm; *.flac; *.ogg; *.oga; *.opus; "
        "*.aac; *.wav; *.wma; *.asf",
        "All Files (*.*)", "*.*;"}));
    EXPECT_EQ(standin::OpenDialogCalls()[1].initialDir, "<none>");
    EXPECT_TRUE(standin::MessageBoxes().empty()) << "a cancelled dialog says nothing";
}

TEST_F(PlayerTest, FailingDialogReportsTheLastError)
{
    standin::FailOpenDialog(CDERR_INITIALIZATION);
    RunPlayer("", {[] {
        EXPECT_EQ(gPlayState, NoClip);
        SetLastError(0x1f);
        Command(IDM_OPEN_CLIP);
    }});
    ASSERT_EQ(standin::MessageBoxes().size(), 2u);
    EXPECT_EQ(standin::MessageBoxes()[1].text, "GetClipFileName Failed! Error=0x1f\r\n");
}

TEST_F(PlayerTest, ChosenFilePlaysAndBuildsItsPlaylist)
{
    standin::PutFile(kClip, "");
    standin::PutFile("C:\\media\\other.mp3", "");
    standin::AddClip(kClip, {});
    standin::AnswerOpenDialog(kClip);
    RunPlayer("", {[] {
        EXPECT_EQ(gPlayState, Running);
        EXPECT_STREQ(gszFileName, kClip);
        EXPECT_EQ(gnPlaylist, 2);
        EXPECT_STREQ(gszFolder, "C:\\media");
    }});
}

// The road of a video clip, call by call.
TEST_F(PlayerTest, VideoClipIsBuiltSizedShownAndRun)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
        EXPECT_CALLS(0,
            "CoCreateInstance FilterGraph", "QueryInterface IMediaEventEx", std::string("RenderFile ") + kClip,
            "QueryInterface IMediaControl", "QueryInterface IMediaSeeking", "QueryInterface IVideoWindow",
            "QueryInterface IBasicVideo", "QueryInterface IBasicAudio", "SetNotifyWindow 1,1044,0",
            "get_Visible", "put_Owner app", "put_WindowStyle 1174405120", "GetVideoSize",
            "SetWindowPosition 0,0,640,360", "SetWindowPosition 0,0,640,360",
            "Pause", "GetState 2000", "Run", "put_Volume 0");
        RECT outer = standin::OuterRect(ghApp);
        EXPECT_EQ(Width(outer), 648);
        EXPECT_EQ(Height(outer), 406);
        EXPECT_EQ(gbAudioOnly, 0);
        EXPECT_EQ(gbFullScreen, 0);
        EXPECT_EQ(standin::ForegroundWindow(), ghApp);
        EXPECT_EQ(standin::FocusWindow(), ghApp);
    }});
}

TEST_F(PlayerTest, AudioOnlyClipKeepsTheIdleSizeWithTransportEnabled)
{
    standin::Clip clip;
    clip.video = false;
    standin::AddClip("C:\\media\\song.mp3", clip);
    RunPlayer("C:\\media\\song.mp3", {[] {
        EXPECT_EQ(gbAudioOnly, 1);
        RECT outer = standin::OuterRect(ghApp);
        EXPECT_EQ(Width(outer), 900);
        EXPECT_EQ(Height(outer), 120);
        for (UINT item : {IDM_PAUSE_PLAY, IDM_STOP, IDM_MUTE})
            EXPECT_FALSE(standin::MenuItemGrayed(ghMenu, item)) << item;
        for (UINT item : {IDM_SIZE_HALF, IDM_SIZE_DOUBLE, IDM_SIZE_NORMAL, IDM_SIZE_THREE_QUARTER, IDM_FULL_SCREEN})
            EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, item)) << item;
        EXPECT_EQ(standin::WindowTitle(ghApp), "song.mp3 [Audio] ");
    }});
}

TEST_F(PlayerTest, OddVisibilityFailureIsReportedAndTheClipStillOpensAsVideo)
{
    standin::Clip clip;
    clip.visibleStatus = E_FAIL;
    standin::AddClip(kClip, clip);
    RunPlayer(kClip, {[] {
        EXPECT_EQ(gbAudioOnly, 0);
        EXPECT_EQ(gPlayState, Running);
    }});
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "Failed(80004005) in pVW->get_Visible()!\r\n");
}

// When Run is asked for, the window is already shown and titled; a refusal then closes the clip.
TEST_F(PlayerTest, RefusedRunHasAlreadyShownTheClipThenCloses)
{
    standin::AddClip(kClip, {});
    standin::FailGraphCall("Run", E_FAIL);
    bool shown = false;
    std::string title;
    standin::BeforeGraphCall("Run", [&] {
        shown = IsWindowVisible(ghApp);
        title = standin::WindowTitle(ghApp);
    });
    RunPlayer(kClip, {[] {
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(standin::WindowTitle(ghApp), "Lumetrone");
    }});
    EXPECT_TRUE(shown);
    EXPECT_EQ(title, "talk.wmv [Video] ");
    EXPECT_EQ(standin::MessageBoxes().size(), 1u);
}

// 259 UTF-16 units fit in any script; one more is said once and never reaches the engine, cut or whole.
TEST_F(PlayerTest, PathLimitIsTheEnginesUtf16LengthInAnyScript)
{
    std::string cjk;
    for (int i = 0; i < 256; i++)
        cjk += "\xE4\xBC\x9A";                              // 会: one unit, three bytes
    const std::string longest = "C:\\" + cjk;             // 259 units, 771 bytes
    const std::string emoji = "C:\\" + cjk.substr(3) + "\xF0\x9F\x8E\x99";   // 🎙 is two units: 260
    const std::string ascii = "C:\\" + std::string(257, 'v');
    for (const std::string &path : {longest, emoji, ascii}) {
        standin::Reset();
        standin::PutFile(path.c_str(), "");
        standin::AddClip(path.c_str(), {});
        RunPlayer(path.c_str());
        std::vector<std::string> rendered;
        for (const std::string &call : standin::GraphCalls())
            if (call.rfind("RenderFile ", 0) == 0)
                rendered.push_back(call.substr(11));
        if (path == longest) {
            EXPECT_EQ(rendered, std::vector<std::string>{path});
            EXPECT_TRUE(standin::MessageBoxes().empty());
            continue;
        }
        EXPECT_TRUE(rendered.empty()) << path.size();
        ASSERT_EQ(standin::MessageBoxes().size(), 1u) << path.size();
        EXPECT_EQ(standin::MessageBoxes()[0].text,
                  "The clip " + path + " could not be played: its path is longer than 259 characters.\r\n");
    }
}

TEST_F(PlayerTest, CloseReleasesInOrderAndReturnsToIdle)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
        RECT client = standin::ClientRect(ghApp);
        standin::DrawingLog().clear();
        size_t mark = Mark();
        Command(IDM_CLOSE_CLIP);
        const std::vector<std::string> &drawn = standin::DrawingLog();
        EXPECT_NE(std::find(drawn.begin(), drawn.end(), "InvalidateRect WMView 0,0," + std::to_string(client.right) +
                            "," + std::to_string(client.bottom) + " erase=1"), drawn.end());
        EXPECT_CALLS(mark, "GetCurrentPosition", "Stop", "put_Visible 0", "put_Owner 0", "SetNotifyWindow 0,0,0");
        EXPECT_EQ(standin::LiveGraphReferences(), 0);
        EXPECT_EQ(gPlayState, NoClip);
        EXPECT_EQ(gbAudioOnly, 1);
        EXPECT_EQ(gszFileName[0], 0);
        EXPECT_EQ(standin::WindowTitle(ghApp), "Lumetrone");
        EXPECT_EQ(Width(standin::OuterRect(ghApp)), 900);
    }});
}

TEST_F(PlayerTest, EveryNewClipGetsTheStoredVolume)
{
    standin::AddClip(kClip, {});
    RunPlayer(kClip, {[] {
        Char('-');
        Char('-');
        EXPECT_EQ(glVolume, -2);
        Command(IDM_OPEN_CLIP);   // the dialog is cancelled: nothing plays
        gszFileName[0] = 0;
        CopyPath(gszFileName, kClip);
        OpenClip(nullptr, 0);
        EXPECT_EQ(standin::GraphVolume(), -2);
        EXPECT_EQ(glMuteVolume, -2);
    }});
}
