// The main window's size from the video, the idle size, zoom, and full screen with the message drain.
#include "player_test.h"

class VideoWindowTest : public PlayerTest {
protected:
    static std::string Outer()
    {
        RECT r = standin::OuterRect(ghApp);
        return std::to_string(Width(r)) + "x" + std::to_string(Height(r));
    }
    static std::string Client()
    {
        RECT r = standin::ClientRect(ghApp);
        return std::to_string(r.right) + "x" + std::to_string(r.bottom);
    }
};

// The client area is the scaled video exactly, with the menu bar on one line or wrapped onto two.
TEST_F(VideoWindowTest, PresetsMakeTheClientAreaTheScaledVideo)
{
    standin::Clip clip;
    clip.width = 480;
    clip.height = 272;
    for (int menuWidth : {130, 300}) {
        standin::Reset();
        standin::SetMenuItemsWidth(menuWidth);
        Play([] {
            EXPECT_EQ(Client(), "480x272");
            Char('h');
            EXPECT_EQ(Client(), "240x136");
            Char('t');
            EXPECT_EQ(Client(), "360x204");
            Char('d');
            EXPECT_EQ(Client(), "960x544");
            Char('n');
            EXPECT_EQ(Client(), "480x272");
        }, clip);
    }
    standin::Reset();
    clip.width = 321;
    clip.height = 241;
    Play([] {
        EXPECT_EQ(Outer(), "329x287") << "frames of 4, a caption and a menu line of 19";
        Char('h');
        EXPECT_EQ(Client(), "192x120") << "160 x 120 held to the minimum width";
    }, clip);
}

// At 144 DPI the window's own sizes grow by half; the video's stay in video pixels. Moving to a
// screen of another DPI takes the system's rectangle and redraws the strip at the new DPI. A system
// before Windows 10 knows no window's own DPI: the screen's is read from its DC, which is given back.
TEST_F(VideoWindowTest, WindowSizesFollowTheDpiAndVideoSizesDoNot)
{
    standin::SetDpi(144);
    standin::Clip clip;
    clip.width = 480;
    clip.height = 272;
    Play([] {
        EXPECT_EQ(Client(), "480x272");
        Char('h');
        EXPECT_EQ(Outer(), "300x204") << "252 wide held to the minimum tracking width, 300";
        CloseClip();
        EXPECT_EQ(Outer(), "1350x180") << "the idle size";
        standin::SetDpi(96);
        RECT suggested = {40, 30, 940, 150};
        SendMessageA(ghApp, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
        RECT outer = standin::OuterRect(ghApp);
        EXPECT_EQ(outer.left, 40);
        EXPECT_EQ(outer.top, 30);
        EXPECT_EQ(Outer(), "900x120");
        EXPECT_EQ(giProgressLeft, 120);
        EXPECT_EQ(Height(standin::OuterRect(ghStatus)), STATUS_STRIP_HEIGHT) << "placed while hidden";
        Key(VK_SPACE);
        EXPECT_EQ(Height(standin::OuterRect(ghStatus)), STATUS_STRIP_HEIGHT);
    }, clip);
    standin::Reset();
    standin::SetDpi(144);
    standin::SetWindowsVersion(VER_PLATFORM_WIN32_NT, 6);
    clip.visibleStatus = E_NOINTERFACE;
    Play([] {
        Char('n');
        EXPECT_EQ(Outer(), "750x180") << "the audio-only preset";
    }, clip);
}

// The picture keeps its proportions in a client area of any other shape, centred between black
// bars: a 640 x 360 one in 640 x 400, and a portrait one (as a phone's clip stands upright) in a
// landscape window.
TEST_F(VideoWindowTest, ThePictureKeepsItsAspectInAnyClientArea)
{
    Play([] {
        size_t mark = Mark();
        SetWindowPos(ghApp, nullptr, 0, 0, 648, 446, SWP_NOMOVE);   // client 640 x 400
        EXPECT_CALLS(mark, "SetWindowPosition 0,20,640,360");
        mark = Mark();
        Char('n');
        EXPECT_EQ(Client(), "640x360");
        EXPECT_CALLS(mark, "GetVideoSize", "SetWindowPosition 0,0,640,360", "SetWindowPosition 0,0,640,360");
    });
    standin::Reset();
    standin::Clip portrait;
    portrait.width = 360;
    portrait.height = 640;
    Play([] {
        EXPECT_EQ(Client(), "360x640");
        size_t mark = Mark();
        SetWindowPos(ghApp, nullptr, 0, 0, 648, 406, SWP_NOMOVE);   // client 640 x 360
        EXPECT_CALLS(mark, "SetWindowPosition 219,0,202,360");
    }, portrait);
}

// Zooming grows the picture the client area shows, bars and all, from its top-left corner.
TEST_F(VideoWindowTest, ZoomCompoundsInSinglePrecisionAndResizingFitsThePictureAgain)
{
    Play([] {
        SetWindowPos(ghApp, nullptr, 0, 0, 648, 406, SWP_NOMOVE);   // client 640 x 360
        const char *expected[] = {"SetWindowPosition 0,0,704,396", "SetWindowPosition 0,0,774,435",
                                  "SetWindowPosition 0,0,851,479"};
        for (const char *call : expected) {
            size_t mark = Mark();
            Char('z');
            EXPECT_CALLS(mark, call);
        }
        EXPECT_EQ(gfZoom, 1.33100008964538574f);
        size_t mark = Mark();
        SetWindowPos(ghApp, nullptr, 0, 0, 658, 406, SWP_NOMOVE);
        EXPECT_CALLS(mark, "SetWindowPosition 5,0,640,360") << "bars of 5 either side of the picture";
        mark = Mark();
        Char('z');
        EXPECT_EQ(gfZoom, 1.46410012245178223f);
        EXPECT_CALLS(mark, "SetWindowPosition 7,0,937,527");
        // Held down, z grows the video to the largest size a window takes (16-bit coordinates), no further.
        std::string last;
        for (int i = 0; i < 400; i++) {
            size_t before = Mark();
            Char('z');
            std::vector<std::string> calls = CallsSince(before);
            if (!calls.empty())
                last = calls.back();
        }
        EXPECT_EQ(last, "SetWindowPosition 248,0,31862,17922") << "its right edge at 32110";
        EXPECT_LT(gfZoom, 50.41f);
    });
}

TEST_F(VideoWindowTest, ZoomOnAnAudioClipStillGrowsAndWithoutAClipDoesNothing)
{
    standin::Clip clip;
    clip.video = false;
    Play([] {
        standin::FailGraphCall("SetWindowPosition", E_FAIL);
        EXPECT_EQ(ZoomVideo(5), E_FAIL);
        EXPECT_EQ(gfZoom, 1.10000002384185791f);
        CloseClip();
        EXPECT_EQ(ZoomVideo(5), 0);
        EXPECT_EQ(gfZoom, 1.10000002384185791f);
    }, clip);
}

TEST_F(VideoWindowTest, PresetOnAnAudioClipThatReportsAVideoSize)
{
    standin::Clip clip;
    clip.visibleStatus = E_NOINTERFACE;
    Play([] {
        ASSERT_EQ(gbAudioOnly, 1);
        Char('d');
        EXPECT_EQ(Outer(), "500x120");
    }, clip);
}

TEST_F(VideoWindowTest, UnknownVideoSizeKeepsTheWindowAndFitsTheVideo)
{
    standin::Clip clip;
    clip.videoSizeStatus = E_FAIL;
    Play([] {
        EnableClipMenus(NoClipMenus);
        std::string before = Outer();
        size_t mark = Mark();
        Char('d');
        EXPECT_EQ(Outer(), before);
        RECT client = standin::ClientRect(ghApp);
        EXPECT_CALLS(mark, "GetVideoSize", "SetWindowPosition 0,0," + std::to_string(client.right) + "," +
                                               std::to_string(client.bottom));
        for (UINT item : {IDM_SIZE_HALF, IDM_SIZE_DOUBLE, IDM_SIZE_NORMAL, IDM_SIZE_THREE_QUARTER, IDM_FULL_SCREEN})
            EXPECT_FALSE(standin::MenuItemGrayed(ghMenu, item)) << item;
    }, clip);
}

TEST_F(VideoWindowTest, FullScreenSavesAndRestoresTheDrain)
{
    Play([] {
        standin::SetGraphMessageDrain(0x777);
        size_t mark = Mark();
        Key(VK_RETURN);
        EXPECT_CALLS(mark, "get_FullScreenMode", "get_MessageDrain", "put_MessageDrain " +
                     std::to_string(reinterpret_cast<OAHWND>(ghApp)), "put_FullScreenMode -1");
        EXPECT_EQ(gbFullScreen, 1);
        mark = Mark();
        Command(IDM_FULL_SCREEN);
        EXPECT_CALLS(mark, "get_FullScreenMode", "put_FullScreenMode 0", "put_MessageDrain 1911",
                     "SetWindowPosition 0,0,640,360", "SetWindowForeground -1")
            << "the video at the client's size again, not at the screen's";
        EXPECT_EQ(gbFullScreen, 0);
        EXPECT_EQ(standin::FocusWindow(), ghApp);
    });
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// In full screen the video window hands a media key's WM_KEYDOWN on to the main window, and the
// WM_APPCOMMAND goes elsewhere; in a window the system makes the WM_APPCOMMAND of the key. Either
// way the key acts once.
TEST_F(VideoWindowTest, MediaKeysActInFullScreenAsInAWindow)
{
    Play([] {
        Key(VK_MEDIA_PLAY_PAUSE);
        EXPECT_EQ(gPlayState, Paused) << "in a window, once";
        Key(VK_MEDIA_PLAY_PAUSE);
        EXPECT_EQ(gPlayState, Running);
        Key(VK_RETURN);
        ASSERT_EQ(gbFullScreen, 1);
        Key(VK_MEDIA_PLAY_PAUSE);
        EXPECT_EQ(gPlayState, Paused) << "in full screen";
        Key(VK_MEDIA_PLAY_PAUSE);
        EXPECT_EQ(gPlayState, Running);
        Key(VK_MEDIA_STOP);
        EXPECT_EQ(gPlayState, Stopped);
        EXPECT_EQ(guLastKey, static_cast<UINT>(VK_MEDIA_STOP));
    });
}

// A keys window opened before full screen stays in front of the full-screen video, and F1 brings
// an open one forward; it is topmost only while the video is full screen.
TEST_F(VideoWindowTest, KeysWindowStaysInFrontOfTheFullScreenVideo)
{
    Play([] {
        Key(VK_F1);
        HWND keys = ghKeys;
        ASSERT_NE(keys, nullptr);
        EXPECT_EQ(standin::FrontWindow(), keys);
        EXPECT_FALSE(standin::IsTopmost(keys)) << "in a window, not above the user's other programs";
        SetForegroundWindow(ghApp);   // the user goes back to the player
        Key(VK_RETURN);
        ASSERT_EQ(gbFullScreen, 1);
        EXPECT_EQ(standin::FrontWindow(), keys) << "in front of the full-screen video";
        SetWindowPos(ghApp, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);   // the user brings the player forward
        Key(VK_F1);
        EXPECT_EQ(ghKeys, keys);
        EXPECT_EQ(standin::FrontWindow(), keys) << "F1 brings the open one forward";
        EXPECT_EQ(standin::ForegroundWindow(), keys);
        EXPECT_TRUE(standin::IsTopmost(keys));
        Key(VK_ESCAPE);
        ASSERT_EQ(gbFullScreen, 0);
        EXPECT_FALSE(standin::IsTopmost(keys)) << "an ordinary window again";
    });
}

// A refused full screen puts the drain back, leaves the flag clear, and says so.
TEST_F(VideoWindowTest, RefusedFullScreenRestoresTheDrain)
{
    Play([] {
        standin::SetGraphMessageDrain(0x777);
        standin::FailGraphCall("put_FullScreenMode", E_NOTIMPL);
        EXPECT_EQ(ToggleFullScreen(), E_NOTIMPL);
        EXPECT_EQ(gbFullScreen, 0);
        EXPECT_EQ(standin::GraphMessageDrain(), 0x777);
        Key(VK_ESCAPE);
        EXPECT_EQ(gPlayState, NoClip) << "Escape closes when full screen was refused";
    });
    ASSERT_EQ(standin::MessageBoxes().size(), 1u);
    EXPECT_EQ(standin::MessageBoxes()[0].text, "The video could not be shown in full screen (error 0x80004001).\r\n");
}

// Refused on the way back, full screen stays on, so Escape tries again rather than closing.
TEST_F(VideoWindowTest, RefusedExitFromFullScreenKeepsItOn)
{
    Play([] {
        Key(VK_RETURN);
        ASSERT_EQ(gbFullScreen, 1);
        standin::FailGraphCallOnce("put_FullScreenMode", E_FAIL);
        Key(VK_ESCAPE);
        EXPECT_EQ(gbFullScreen, 1);
        EXPECT_EQ(standin::GraphMessageDrain(), reinterpret_cast<OAHWND>(ghApp));
        Key(VK_ESCAPE);
        EXPECT_EQ(gbFullScreen, 0);
        EXPECT_EQ(gPlayState, Running);
    });
}

TEST_F(VideoWindowTest, DrainFailuresAreReportedWithoutStopping)
{
    Play([] {
        standin::FailGraphCall("get_MessageDrain", E_FAIL);
        standin::FailGraphCall("put_MessageDrain", E_FAIL);
        standin::FailGraphCall("SetWindowForeground", E_FAIL);
        ToggleFullScreen();
        EXPECT_EQ(gbFullScreen, 1);
        EXPECT_EQ(ToggleFullScreen(), E_FAIL);
        EXPECT_EQ(gbFullScreen, 0);
    });
    std::vector<std::string> texts;
    for (const standin::ShownMessage &m : standin::MessageBoxes())
        texts.push_back(m.text);
    EXPECT_EQ(texts, (std::vector<std::string>{
        "FAILED(hr=0x80004005) in pVW->get_MessageDrain((OAHWND *) &hDrain)\n",
        "FAILED(hr=0x80004005) in pVW->put_MessageDrain((OAHWND) ghApp)\n",
        "FAILED(hr=0x80004005) in pVW->put_MessageDrain((OAHWND) hDrain)\n",
        "FAILED(hr=0x80004005) in pVW->SetWindowForeground(-1)\n"}));
}

TEST_F(VideoWindowTest, AudioClipHasNoFullScreen)
{
    standin::Clip clip;
    clip.video = false;
    Play([] {
        size_t mark = Mark();
        Key(VK_RETURN);
        Command(IDM_FULL_SCREEN);
        EXPECT_CALLS(mark);
        Key(VK_ESCAPE);
        EXPECT_EQ(gPlayState, NoClip);
    }, clip);
}
