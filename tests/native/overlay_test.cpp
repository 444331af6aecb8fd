// The status overlay's drawing, read back from the drawing log, and the click on its bar.
#include "player_test.h"

#include <algorithm>

static const RECT k640 = {0, 0, 640, 360};

class OverlayTest : public PlayerTest {
protected:
    static std::vector<std::string> Paint(const RECT &client = k640)
    {
        standin::DrawingLog().clear();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(ghStatus, &paint);
        PaintStatus(dc, &client);
        EndPaint(ghStatus, &paint);
        std::vector<std::string> log = standin::DrawingLog();
        return std::vector<std::string>(log.begin() + 1, log.end() - 1);
    }
};

TEST_F(OverlayTest, BarsVolumeAndKeyText)
{
    Play([] {
        standin::SetGraphPosition(300000000);   // half of 60 s
        Key('A');
        EXPECT_EQ(Paint(), (std::vector<std::string>{
            "Rectangle 120,46,610,56 FFFFFF",
            "Rectangle 120,46,365,56 80FF80",
            "Rectangle 5,46,97,56 0080FF",
            "TextOut 5,5 \"      Volume     \"",
            "TextOut 580,2 \"A  41\"",
            "TextOut 5,58 \"0:30 / 1:00\"",
        }));
        Key(VK_SPACE);
        EXPECT_EQ(Paint()[4], "TextOut 580,2 \"   20\"");
    });
}

TEST_F(OverlayTest, NoKeyYetDrawsAnEmptyKeyText)
{
    Play([] { EXPECT_EQ(Paint()[4], "TextOut 580,2 \"\""); });
}

TEST_F(OverlayTest, VolumeBarFollowsTheLevelNotTheMute)
{
    Play([] {
        const std::pair<LONG, int> table[] = {{0, 97}, {-1, 93}, {-2, 90}, {-4, 86}, {-8, 81}, {-16, 74},
            {-32, 68}, {-64, 61}, {-128, 54}, {-256, 47}, {-512, 39}, {-1024, 32}, {-2048, 25}, {-4096, 18}};
        for (const auto &row : table) {
            glVolume = row.first;
            EXPECT_EQ(Paint()[2], "Rectangle 5,46," + std::to_string(row.second) + ",56 0080FF") << row.first;
        }
        glVolume = 0;
        Char('m');
        EXPECT_EQ(Paint()[2], "Rectangle 5,46,97,56 0080FF");
    });
}

TEST_F(OverlayTest, BookmarkIndicesAndLoopPointsAtTheirPlaces)
{
    standin::PutFile("C:\\media\\talk.BMS", "0\n0\n300000000\n0\n600000000\n0\n");
    Play([] {
        gABState = ABLooping;
        grtA = 120000000;
        grtB = 480000000;
        std::vector<std::string> drawn = Paint();
        std::vector<std::string> labels(drawn.begin() + 5, drawn.end());
        // The number of the mark at the clip's end would run past the bar, over the key's text.
        EXPECT_EQ(labels, (std::vector<std::string>{"TextOut 120,5 \"0\"", "TextOut 365,5 \"1\"",
                                                    "TextOut 218,5 \"A\"", "TextOut 512,5 \"B\"",
                                                    "TextOut 5,58 \"0:00 / 1:00\""}));
        gABState = ABMarked;
        drawn = Paint();
        EXPECT_EQ(drawn[drawn.size() - 2], "TextOut 218,5 \"A\"");
        // Marks outside the clip, read from a file, are drawn at the nearer end of the bar.
        standin::PutFile("C:\\media\\talk.BMS", "4244967296\n4294967295\n4294967040\n2147483647\n");
        LoadBookmarks();
        ASSERT_EQ(gnBookmarks, 2);
        ASSERT_EQ(gBookmarks[0], -50000000);
        ASSERT_EQ(gBookmarks[1], 0x7FFFFFFFFFFFFF00);
        gABState = ABLooping;
        grtA = 900000000000;
        grtB = 0x7FFFFFFFFFFFFFFF;
        drawn = Paint();
        EXPECT_EQ(std::vector<std::string>(drawn.begin() + 5, drawn.end()),
                  (std::vector<std::string>{"TextOut 120,5 \"0\"", "TextOut 610,5 \"A\"", "TextOut 610,5 \"B\"",
                                            "TextOut 5,58 \"0:00 / 1:00\""}));
    });
}

// However many marks there are, a number is drawn only where it overlaps no number before it (4
// pixels apart) and ends within the bar (120 to 610); the stand-in's characters are 6 pixels wide.
TEST_F(OverlayTest, ManyMarksDrawOnlyTheNumbersThatFit)
{
    std::string file;
    for (int i = 0; i < 100000; i++)
        file += std::to_string(i * 6000) + "\n0\n";   // evenly over the 60 s clip
    standin::PutFile("C:\\media\\talk.BMS", file);
    Play([] {
        ASSERT_EQ(gnBookmarks, 100000);
        std::vector<std::string> drawn = Paint();
        EXPECT_EQ(std::vector<std::string>(drawn.begin() + 5, drawn.end()), (std::vector<std::string>{
            "TextOut 120,5 \"0\"", "TextOut 130,5 \"2041\"", "TextOut 158,5 \"7756\"",
            "TextOut 186,5 \"13470\"", "TextOut 220,5 \"20409\"", "TextOut 254,5 \"27347\"",
            "TextOut 288,5 \"34286\"", "TextOut 322,5 \"41225\"", "TextOut 356,5 \"48164\"",
            "TextOut 390,5 \"55103\"", "TextOut 424,5 \"62041\"", "TextOut 458,5 \"68980\"",
            "TextOut 492,5 \"75919\"", "TextOut 526,5 \"82858\"", "TextOut 560,5 \"89796\"",
            "TextOut 5,58 \"0:00 / 1:00\""}));
    });
}

// With no duration nothing is placed on the bar and nothing divides by zero.
TEST_F(OverlayTest, ZeroDurationDrawsNoPlacedMarks)
{
    Play([] {
        standin::SetGraphDuration(0);
        standin::PutFile("C:\\media\\talk.BMS", "10\n0\n");
        LoadBookmarks();
        gABState = ABMarked;
        std::vector<std::string> drawn = Paint();
        EXPECT_EQ(drawn.size(), 5u) << "white bar, volume bar and the three texts";
        EXPECT_EQ(drawn.back(), "TextOut 5,58 \"0:00\"") << "no duration: the position alone";
        EXPECT_EQ(drawn[1], "Rectangle 5,46,97,56 0080FF");
        size_t mark = Mark();
        SeekToClick(365);
        EXPECT_CALLS(mark, "GetDuration");
    });
}

TEST_F(OverlayTest, ClickSeeksBetweenTheBarsEndsOnly)
{
    Play([] {
        SetWindowPos(ghApp, nullptr, 0, 0, 648, 406, SWP_NOMOVE);   // client 640 wide
        size_t mark = Mark();
        SeekToClick(365);
        EXPECT_CALLS(mark, "GetDuration", "GetDuration", "SetPositions 300000000,5 -,0");
        for (int x : {120, 610, 700, 0}) {
            mark = Mark();
            SeekToClick(x);
            EXPECT_CALLS(mark, "GetDuration") << x;
        }
        SendMessageA(ghApp, WM_LBUTTONDOWN, 0, MAKELPARAM(121, 90));
        EXPECT_EQ(standin::GraphPosition(), 1224489) << "the main window's clicks seek too, whatever y";
        SendMessageA(ghStatus, WM_LBUTTONDOWN, 0, MAKELPARAM(609, 3));
        EXPECT_EQ(standin::GraphPosition(), 598775510);
    });
}

// Every size of the strip follows the window's DPI: its height, bars, labels and font (the band's
// are in overview_band_test.cpp).
TEST_F(OverlayTest, StripIsDrawnAtTheWindowsDpi)
{
    struct Row { UINT dpi; int height; const char *font, *bar, *volume, *label, *time; };
    const Row rows[] = {
        {96, 72, "SelectObject font -12", "Rectangle 120,46,610,56 FFFFFF", "Rectangle 5,46,97,56 0080FF",
         "TextOut 5,5 \"      Volume     \"", "TextOut 5,58 \"0:00 / 1:00\""},
        {144, 108, "SelectObject font -18", "Rectangle 180,69,595,84 FFFFFF", "Rectangle 8,69,147,84 0080FF",
         "TextOut 8,8 \"      Volume     \"", "TextOut 8,87 \"0:00 / 1:00\""},
        {192, 144, "SelectObject font -24", "Rectangle 240,92,580,112 FFFFFF", "Rectangle 10,92,195,112 0080FF",
         "TextOut 10,10 \"      Volume     \"", "TextOut 10,116 \"0:00 / 1:00\""},
    };
    for (const Row &row : rows) {
        standin::Reset();
        standin::SetDpi(row.dpi);
        Play([&] {
            Key(VK_SPACE);
            EXPECT_EQ(Height(standin::OuterRect(ghStatus)), row.height) << row.dpi;
            std::vector<std::string> drawn = Paint();
            EXPECT_EQ(drawn[0], row.bar) << row.dpi;
            EXPECT_EQ(drawn[2], row.volume) << row.dpi;
            EXPECT_EQ(drawn[3], row.label) << row.dpi;
            EXPECT_EQ(drawn.back(), row.time) << row.dpi;
            standin::DrawingLog().clear();
            InvalidateRect(ghStatus, NULL, TRUE);
            UpdateWindow(ghStatus);
            const std::vector<std::string> &painted = standin::DrawingLog();
            EXPECT_NE(std::find(painted.begin(), painted.end(), row.font), painted.end()) << row.dpi;
            EXPECT_EQ(painted[painted.size() - 2], "SelectObject font dc") << "the DC's own font is put back";
        });
    }
}

TEST_F(OverlayTest, SpaceShowsTheStripOnTopAndHidesIt)
{
    Play([] {
        Key(VK_SPACE);
        EXPECT_TRUE(IsWindowVisible(ghStatus));
        EXPECT_TRUE(standin::IsTopmost(ghStatus));
        EXPECT_EQ(Width(standin::OuterRect(ghStatus)), 1280);
        EXPECT_EQ(Height(standin::OuterRect(ghStatus)), STATUS_STRIP_HEIGHT);
        Key(VK_SPACE);
        EXPECT_FALSE(IsWindowVisible(ghStatus));
        EXPECT_EQ(gbStatusVisible, 0);
    });
}

// The timer runs only while the strip is shown over a clip, and then invalidates it every 100 ms;
// a strip left without a clip is painted black once, and nothing wakes after that.
TEST_F(OverlayTest, TimerRepaintsTheStripOnlyWhileItShowsAClip)
{
    standin::PutFile(kClip, "");
    standin::PutFile("C:\\media\\u.wmv", "");
    standin::AddClip(kClip, {});
    standin::AddClip("C:\\media\\u.wmv", {});
    RunPlayer(kClip, {[] {
                          EXPECT_FALSE(standin::TimerRunning(ghApp, STATUS_TIMER_ID));
                          Key(VK_SPACE);
                          EXPECT_TRUE(standin::TimerRunning(ghApp, STATUS_TIMER_ID));
                          standin::DrawingLog().clear();
                          standin::AdvanceClock(100);
                      },
                      [] {
                          const std::vector<std::string> &log = standin::DrawingLog();
                          ASSERT_GE(log.size(), 4u);
                          EXPECT_EQ(log[0], "InvalidateRect DSPWMSStatus all erase=1");
                          EXPECT_EQ(log[1], "BeginPaint DSPWMSStatus");
                          EXPECT_EQ(log[2], "SelectObject font -12");
                          EXPECT_EQ(log[3], "Rectangle 120,46,610,56 FFFFFF") << "from the main window's client, 640 wide";
                          Key(VK_DOWN);
                          ASSERT_STREQ(gszFileName, "C:\\media\\u.wmv");
                          EXPECT_TRUE(standin::TimerRunning(ghApp, STATUS_TIMER_ID)) << "the folder's next clip";
                          Key(VK_SPACE);
                          EXPECT_FALSE(standin::TimerRunning(ghApp, STATUS_TIMER_ID)) << "hidden";
                          Key(VK_SPACE);
                          standin::DrawingLog().clear();
                          CloseClip();
                          EXPECT_FALSE(standin::TimerRunning(ghApp, STATUS_TIMER_ID)) << "no clip";
                      },
                      [] {
                          standin::AdvanceClock(1000);
                          EXPECT_EQ(standin::DrawingLog(), (std::vector<std::string>{
                              "InvalidateRect DSPWMSStatus all erase=1", "InvalidateRect WMView 0,0,640,360 erase=1",
                              "BeginPaint DSPWMSStatus", "EndPaint DSPWMSStatus"}))
                              << "no clip: the black background, once";
                      }});
}

// The clip's time under the bars: m:ss under an hour, h:mm:ss from an hour on, the position alone
// without a duration, and the rate the engine plays at when it is not 100 %.
TEST_F(OverlayTest, ClipTimeAndRate)
{
    struct Case { REFERENCE_TIME position, duration; double rate; const char *text; };
    const Case cases[] = {
        {125000000, 599990000, 1.0, "0:12 / 0:59"},
        {7250000000, 35990000000, 1.0, "12:05 / 59:59"},
        {0, 36000000000, 1.0, "0:00:00 / 1:00:00"},
        {37230000000, 72000000000, 1.0, "1:02:03 / 2:00:00"},
        {-5, 600000000, 1.0, "0:00 / 1:00"},
        {125000000, 0, 1.0, "0:12"},
        {125000000, 600000000, 1.0201, "0:12 / 1:00   rate 102 %"},
        {125000000, 600000000, 0.99, "0:12 / 1:00   rate 99 %"},
        {0x7FFFFFFFFFFFFFFF, 0x7FFFFFFFFFFFFFFF, 1e300,
         "256204778:48:05 / 256204778:48:05   rate 99999 %"},
    };
    for (const Case &c : cases) {
        char text[64];
        FormatClipTime(text, sizeof(text), c.position, c.duration, c.rate);
        EXPECT_STREQ(text, c.text);
    }
    Play([] {
        Char('*');
        Char('*');
        EXPECT_EQ(Paint().back(), "TextOut 5,58 \"0:00 / 1:00   rate 102 %\"");
    });
}
