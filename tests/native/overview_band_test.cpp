// The overview's band: its columns' summaries at several widths, the picture it blits over the
// progress bar, and its columns where the bar places the same times.
#include "player_test.h"

#include "engine/overview.h"

#include <algorithm>

static const RECT k640 = {0, 0, 640, 360};   // the bar and the band: x 120 to 610, 490 columns

// Colours of the band's palette, as the picture shows them.
static const COLORREF kPlain = 0x404040, kKnown = 0x3A1E0E, kPeak = 0xEBE1AA, kRms = 0x968728, kMark = 0x00DCFF,
                      kLoop = 0xFF50FF, kPlace = 0x3C3CFF;

// Blocks made up for a test: all quiet but the spans [from, to) given; freed with the test.
struct Loud { int from, to; OverviewBlock block; };
struct MadeBlocks {
    OverviewBlocks blocks = {};
    MadeBlocks(int count, std::initializer_list<Loud> loud = {}, OverviewBlock quiet = {0, 0})
    {
        for (int i = 0; i < count; i++) {
            OverviewBlock block = quiet;
            for (const Loud &span : loud)
                if (i >= span.from && i < span.to)
                    block = span.block;
            EXPECT_TRUE(AppendOverviewBlock(&blocks, block));
        }
    }
    ~MadeBlocks() { FreeOverviewBlocks(&blocks); }
};

struct Summary {
    int final;
    std::vector<BYTE> peaks, rms;
};

// The whole overview known, cut into columns over as long a clip as its blocks.
static Summary Summarise(const MadeBlocks &made, int columns, int known = -1, bool complete = true,
                         REFERENCE_TIME duration = 0)
{
    Summary summary = {0, std::vector<BYTE>(columns, 0xEE), std::vector<BYTE>(columns, 0xEE)};
    int count = made.blocks.count;
    summary.final = SummariseBandColumns(&made.blocks, known < 0 ? count : known, complete,
                                         duration ? duration : (REFERENCE_TIME)count * OVERVIEW_BLOCK_TIME, columns,
                                         0, summary.peaks.data(), summary.rms.data());
    return summary;
}

static std::vector<int> LoudColumns(const Summary &summary)
{
    std::vector<int> loud;
    for (size_t column = 0; column < summary.peaks.size(); column++)
        if (summary.peaks[column])
            loud.push_back(static_cast<int>(column));
    return loud;
}

// One loud block lies in exactly the column where the bar places its start, at every width.
TEST(BandColumns, OneLoudBlockShowsInExactlyItsColumn)
{
    struct Case { int blocks, loud, columns; std::vector<int> shown; BYTE rms; };
    const Case cases[] = {
        {1000, 500, 1, {0}, 36},            // 1000 blocks a column: 200 over the fourth root of 1000
        {1000, 500, 490, {245}, 152},       // blocks 500 to 502
        {1000, 501, 490, {245}, 152},
        {1000, 503, 490, {246}, 168},       // blocks 503 and 504
        {1000, 500, 1000, {500}, 200},
        {1000, 999, 1000, {999}, 200},
        {1000, 0, 1000, {0}, 200},
        {1000000, 123456, 1, {0}, 6},
        {1000000, 123456, 490, {60}, 30},   // 2040 or 2041 blocks a column
        {1000000, 123456, 1000, {123}, 36},
        {1000000, 999999, 1000, {999}, 36},
        {1000000, 999999, 490, {489}, 30},
        {490, 245, 1000, {500, 501}, 200},   // 501 holds no block's start: it shows the block it starts in
    };
    for (const Case &c : cases) {
        MadeBlocks made(c.blocks, {{c.loud, c.loud + 1, {255, 200}}});
        Summary summary = Summarise(made, c.columns);
        EXPECT_EQ(summary.final, c.columns);
        EXPECT_EQ(LoudColumns(summary), c.shown) << c.blocks << " blocks, " << c.columns << " columns";
        EXPECT_EQ(summary.peaks[c.shown[0]], 255);
        EXPECT_EQ(summary.rms[c.shown[0]], c.rms) << c.blocks << " blocks, " << c.columns << " columns";
    }
}

// The RMS of a column is that of its whole span (the mean of the levels' squares), not the mean of
// its blocks' bytes; the peak is the highest.
TEST(BandColumns, PeakIsTheHighestAndRmsThatOfTheWholeSpan)
{
    MadeBlocks steady(1000, {{3, 4, {90, 77}}}, {80, 77});
    Summary summary = Summarise(steady, 10);
    EXPECT_EQ(summary.peaks, std::vector<BYTE>({90, 80, 80, 80, 80, 80, 80, 80, 80, 80}));
    EXPECT_EQ(summary.rms, std::vector<BYTE>(10, 77));
    MadeBlocks halves(2, {{0, 1, {200, 100}}, {1, 2, {10, 0}}});
    summary = Summarise(halves, 1);
    EXPECT_EQ(summary.peaks[0], 200);
    EXPECT_EQ(summary.rms[0], 84) << "100 over the fourth root of 2";
}

// Only the columns whose blocks are all known are summarised, and a later call from there leaves
// the earlier ones as they were; once complete, columns past the last block are silence.
TEST(BandColumns, AGrowingOverviewSummarisesOnlyTheColumnsNewlyKnown)
{
    MadeBlocks made(1000, {{100, 101, {255, 255}}, {700, 701, {255, 255}}}, {40, 30});
    REFERENCE_TIME duration = 1000 * OVERVIEW_BLOCK_TIME;
    BYTE peaks[490], rms[490];
    EXPECT_EQ(SummariseBandColumns(&made.blocks, 0, false, duration, 490, 0, peaks, rms), 0);
    EXPECT_EQ(SummariseBandColumns(&made.blocks, 500, false, duration, 490, 0, peaks, rms), 245);
    EXPECT_EQ(SummariseBandColumns(&made.blocks, 502, false, duration, 490, 0, peaks, rms), 245)
        << "column 245 is blocks 500 to 502";
    EXPECT_EQ(peaks[49], 255);
    memset(peaks, 0xEE, sizeof(peaks));
    EXPECT_EQ(SummariseBandColumns(&made.blocks, 503, false, duration, 490, 245, peaks, rms), 246);
    EXPECT_EQ(peaks[244], 0xEE) << "summarised once";
    EXPECT_EQ(peaks[245], 40);
    EXPECT_EQ(SummariseBandColumns(&made.blocks, 1000, false, duration, 490, 246, peaks, rms), 490);
    EXPECT_EQ(peaks[343], 255) << "block 700";
    EXPECT_EQ(peaks[342], 40);

    // The engine's duration a little past the blocks: the last columns wait for the whole clip.
    Summary longer = Summarise(made, 490, 1000, false, 1010 * OVERVIEW_BLOCK_TIME);
    EXPECT_EQ(longer.final, 485);
    longer = Summarise(made, 490, 1000, true, 1010 * OVERVIEW_BLOCK_TIME);
    EXPECT_EQ(longer.final, 490);
    EXPECT_EQ(longer.peaks[484], 40);
    EXPECT_EQ(longer.peaks[486], 0) << "past the last block";
    EXPECT_EQ(longer.rms[489], 0);
}

class BandTest : public PlayerTest {
protected:
    // A paint of the strip with the band drawn from the blocks given; the log of the paint.
    static std::vector<std::string> Paint(const MadeBlocks &made, int known, bool complete,
                                          const RECT &client = k640)
    {
        standin::DrawingLog().clear();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(ghStatus, &paint);
        PaintStatus(dc, &client);
        PaintOverviewBand(dc, &made.blocks, known, complete);
        EndPaint(ghStatus, &paint);
        return standin::DrawingLog();
    }
    static std::string Blit(const std::vector<std::string> &log)
    {
        for (const std::string &line : log)
            if (line.rfind("StretchDIBits", 0) == 0)
                return line;
        return "";
    }
    static COLORREF At(int x, int y) { return standin::LastPicture().At(x, y); }
    // What each of the band's columns shows along one row.
    static std::vector<COLORREF> Row(int y)
    {
        std::vector<COLORREF> row;
        for (int x = 0; x < standin::LastPicture().width; x++)
            row.push_back(At(x, y));
        return row;
    }
};

// Over a 60 s clip, 6000 blocks: half known, a loud column about 15 s, a loud block at 45 s, and
// the place at 0:00.
TEST_F(BandTest, KnownPartDrawnAboutTheMiddleTheRestPlain)
{
    MadeBlocks made(6000, {{1494, 1507, {255, 128}}, {4500, 4501, {255, 255}}}, {0, 0});
    Play([&] {
        standin::SetGraphPosition(300000000);
        Paint(made, 3000, false);
        EXPECT_EQ(At(245, 12), kPlace) << "over the first column not yet known";
        standin::SetGraphPosition(0);
        EXPECT_EQ(Blit(Paint(made, 3000, false)), "StretchDIBits 120,20,490,24 from 490x24");
        EXPECT_EQ(At(0, 12), kPlace) << "the place, at the start";
        EXPECT_EQ(At(1, 12), kKnown);
        // Column 122 holds blocks 1494 to 1506: their peak fills the height, their RMS of half scale
        // the middle half.
        for (int y : {0, 5, 18, 23})
            EXPECT_EQ(At(122, y), kPeak) << y;
        for (int y : {6, 12, 17})
            EXPECT_EQ(At(122, y), kRms) << y;
        EXPECT_EQ(At(121, 12), kKnown);
        EXPECT_EQ(At(123, 12), kKnown);
        EXPECT_EQ(At(244, 12), kKnown) << "blocks 2988 to 2999, all known";
        EXPECT_EQ(At(245, 12), kPlain) << "blocks 3000 to 3012: not yet";
        EXPECT_EQ(At(367, 12), kPlain) << "block 4500, not known";
        EXPECT_EQ(At(489, 23), kPlain);

        Paint(made, 6000, true);
        EXPECT_EQ(At(367, 0), kPeak) << "block 4500 once known, one of 13 in its column";
        EXPECT_EQ(At(367, 4), kPeak);
        EXPECT_EQ(At(367, 5), kRms);
        EXPECT_EQ(At(367, 17), kRms);
        EXPECT_EQ(At(367, 18), kPeak);
        EXPECT_EQ(At(489, 23), kKnown);
    });
}

// The band's picture is redrawn only where columns become known: a column drawn once stays as it
// is (here spoilt on purpose) until the bar's width changes and the band is cut afresh.
TEST_F(BandTest, OnlyColumnsNewlyKnownAreDrawnAgain)
{
    MadeBlocks made(6000, {}, {128, 64});
    Play([&] {
        Paint(made, 1000, false);
        EXPECT_EQ(gnBandFinal, 81);
        gBandPixels[10] = 5;   // column 10's top row, in A and B's colour
        Paint(made, 6000, true);
        EXPECT_EQ(gnBandFinal, 490);
        EXPECT_EQ(At(10, 0), kLoop) << "drawn again";
        EXPECT_EQ(At(100, 0), kKnown);
        EXPECT_EQ(At(100, 12), kRms);
        EXPECT_EQ(Blit(Paint(made, 6000, true, {0, 0, 700, 360})), "StretchDIBits 120,20,550,24 from 550x24");
        EXPECT_EQ(At(10, 0), kKnown) << "a new width, a new cut";
        Key(VK_SPACE);
        EXPECT_EQ(gnBandColumns, 550) << "shown";
        Key(VK_SPACE);
        EXPECT_EQ(gnBandColumns, 0) << "hidden, cut afresh when shown again";
    });
}

// Marks, A and B and the place are lines over the band, one for each column of marks however
// many it holds, and they leave the band as it was where they are gone.
TEST_F(BandTest, MarksLoopPointsAndThePlaceAreLinesOverTheBand)
{
    standin::PutFile("C:\\media\\talk.BMS", "100000000\n0\n100100000\n0\n500000000\n0\n");
    MadeBlocks made(6000, {}, {255, 0});
    Play([&] {
        standin::SetGraphPosition(300000000);
        gABState = ABLooping;
        grtA = 200000000;
        grtB = 400000000;
        Paint(made, 6000, true);
        std::vector<COLORREF> row = Row(3);
        for (int x = 0; x < 490; x++) {
            COLORREF expected = x == 81 || x == 408 ? kMark : x == 163 || x == 326 ? kLoop : x == 245 ? kPlace : kPeak;
            EXPECT_EQ(row[x], expected) << x;
        }
        gABState = ABMarked;
        Paint(made, 6000, true);
        EXPECT_EQ(At(163, 3), kLoop) << "A alone";
        EXPECT_EQ(At(326, 3), kPeak);
        gnBookmarks = 0;
        gABState = ABOff;
        standin::SetGraphPosition(0);
        Paint(made, 6000, true);
        EXPECT_EQ(At(0, 3), kPlace);
        for (int x : {81, 163, 245, 326, 408})
            EXPECT_EQ(At(x, 3), kPeak) << x;
        // Marks outside the clip, read from a file, and the place at its very end lie in the end columns.
        standin::PutFile("C:\\media\\talk.BMS", "4244967296\n4294967295\n4294967040\n2147483647\n");
        LoadBookmarks();
        ASSERT_EQ(gBookmarks[0], -50000000);
        standin::SetGraphPosition(600000000);
        Paint(made, 6000, true);
        EXPECT_EQ(At(0, 3), kMark);
        EXPECT_EQ(At(489, 3), kPlace);
        EXPECT_EQ(At(488, 3), kPeak);
    });
}

// A loud stretch about 30 s lies in column 245, x 365, where the bar's played part ends at 30 s, and
// a click there, at any height in the band, seeks to the stretch's first block.
TEST_F(BandTest, ABlocksColumnIsWhereTheBarPlacesItsTime)
{
    MadeBlocks made(6000, {{3000, 3013, {255, 255}}});
    Play([&] {
        standin::SetGraphPosition(300000000);
        std::vector<std::string> log = Paint(made, 6000, true);
        EXPECT_NE(std::find(log.begin(), log.end(), "Rectangle 120,46,365,56 80FF80"), log.end());
        std::vector<COLORREF> row = Row(1);
        EXPECT_EQ(std::count(row.begin(), row.end(), kPlace), 1);
        EXPECT_EQ(row[245], kPlace);
        EXPECT_EQ(std::count(row.begin(), row.end(), kKnown), 489) << "no other column is loud";
        standin::SetGraphPosition(0);
        Paint(made, 6000, true);
        EXPECT_EQ(At(245, 1), kRms);
        for (int y : {20, 43}) {
            SendMessageA(ghStatus, WM_LBUTTONDOWN, 0, MAKELPARAM(365, y));
            EXPECT_EQ(standin::GraphPosition(), 300000000) << y;
            standin::SetGraphPosition(0);
        }
    });
}

// The band lies between the labels and the bars, as wide as the bar, at any DPI; a bar wider than
// the widest desktop's shows the columns stretched.
TEST_F(BandTest, BandSizesFollowTheDpiAndTheBar)
{
    MadeBlocks made(6000);
    struct Row { UINT dpi; RECT client; const char *blit; };
    const Row rows[] = {
        {96, k640, "StretchDIBits 120,20,490,24 from 490x24"},
        {192, k640, "StretchDIBits 240,40,340,48 from 340x48"},
        {96, {0, 0, 9000, 360}, "StretchDIBits 120,20,8850,24 from 8192x24"},
        {480, {0, 0, 9000, 360}, "StretchDIBits 600,100,8250,120 from 8192x120"},
        {96, {0, 0, 150, 360}, ""},
    };
    for (const Row &row : rows) {
        standin::Reset();
        standin::SetDpi(row.dpi);
        Play([&] { EXPECT_EQ(Blit(Paint(made, 3000, false, row.client)), row.blit) << row.dpi; });
    }
}
