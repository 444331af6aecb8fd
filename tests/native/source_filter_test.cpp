// The player's own source, its pure parts: decoded frames to RGB32, the place it keeps over the
// graph's state changes and seeks, the media types it offers its renderers, the speakers of more
// than two channels and their mix to stereo; and the sound pin's choice between the two with a
// renderer that takes them or not.
#include "player_test.h"

#include "engine/source_filter/downmix.h"
#include "engine/source_filter/media_types.h"
#include "engine/source_filter/pixels.h"
#include "engine/source_filter/source_filter.h"
#include "engine/source_filter/timeline.h"

#include <stdio.h>

// Each pixel as its bytes B, G, R, X in hex; rows apart by " | ".
static std::string Pixels(const BYTE *rgb, int width, int rows, int rowBytes)
{
    std::string text;
    char pixel[9];
    for (int row = 0; row < rows; row++) {
        for (int x = 0; x < width; x++) {
            const BYTE *p = rgb + row * rowBytes + 4 * x;
            snprintf(pixel, sizeof(pixel), "%02X%02X%02X%02X", p[0], p[1], p[2], p[3]);
            text += (x ? " " : row ? " | " : "") + std::string(pixel);
        }
    }
    return text;
}

static FrameLayout Layout(const GUID &subtype, LONG width, LONG height, LONG stride = 0)
{
    return FrameLayout{subtype, width, height, stride, 0, 0, width, height, false, false, 0};
}

// Studio-range black (Y 16), white (Y 235) and a saturated red (Y 81, Cb 90, Cr 240), each over a
// 2x2 block that shares its chroma, in every form the decoders give; by HD video's matrix (BT.709)
// the same red has a little green.
TEST(SourcePixels, BlackWhiteAndRedInEveryDecodedFormByEitherMatrix)
{
    static const char kRow[] = "00000000 00000000 FFFFFF00 FFFFFF00 0000FF00 0000FF00";
    static const char kHdRow[] = "00000000 00000000 FFFFFF00 FFFFFF00 0018FF00 0018FF00";
    struct Case { const char *form; GUID subtype; std::vector<BYTE> frame; };
    const Case cases[] = {
        {"NV12", MFVideoFormat_NV12, {16, 16, 235, 235, 81, 81, 16, 16, 235, 235, 81, 81, 128, 128, 128, 128, 90, 240}},
        {"IYUV", MFVideoFormat_IYUV, {16, 16, 235, 235, 81, 81, 16, 16, 235, 235, 81, 81, 128, 128, 90, 128, 128, 240}},
        {"YV12", MFVideoFormat_YV12, {16, 16, 235, 235, 81, 81, 16, 16, 235, 235, 81, 81, 128, 128, 240, 128, 128, 90}},
        {"YUY2", MFVideoFormat_YUY2, {16, 128, 16, 128, 235, 128, 235, 128, 81, 90, 81, 240,
                                      16, 128, 16, 128, 235, 128, 235, 128, 81, 90, 81, 240}},
    };
    for (const Case &c : cases) {
        FrameLayout layout = Layout(c.subtype, 6, 2);
        BYTE rgb[2 * 6 * 4];
        memset(rgb, 0xAB, sizeof(rgb));
        ASSERT_TRUE(ConvertDecodedFrame(&layout, c.frame.data(), (DWORD)c.frame.size(), rgb, 6 * 4)) << c.form;
        EXPECT_EQ(Pixels(rgb, 6, 2, 6 * 4), std::string(kRow) + " | " + kRow) << c.form;
        layout.bt709 = true;
        ASSERT_TRUE(ConvertDecodedFrame(&layout, c.frame.data(), (DWORD)c.frame.size(), rgb, 6 * 4)) << c.form;
        EXPECT_EQ(Pixels(rgb, 6, 2, 6 * 4), std::string(kHdRow) + " | " + kHdRow) << c.form << ", BT.709";
    }
}

// 75 % white (Y 191, R G B 191 in full range, 180 in studio range), a full-range red (Y 76, Cb 85,
// Cr 255) and black, as the type's nominal range says: full range kept as it is, studio range
// (said, or not said at all) stretched to full; by either matrix.
TEST(SourcePixels, TheTypesNominalRangeIsFollowed)
{
    const BYTE nv12[] = {191, 191, 76, 76, 0, 0, 191, 191, 76, 76, 0, 0, 128, 128, 85, 255, 128, 128};
    struct Case { const char *what; UINT32 range; bool said, bt709; const char *row; };
    const Case cases[] = {
        {"full range", MFNominalRange_0_255, true, false, "BFBFBF00 BFBFBF00 0000FE00 0000FE00 00000000 00000000"},
        {"full range, HD", MFNominalRange_0_255, true, true, "BFBFBF00 BFBFBF00 0019FF00 0019FF00 00000000 00000000"},
        {"studio range", MFNominalRange_16_235, true, false, "CCCCCC00 CCCCCC00 0000FF00 0000FF00 00000000 00000000"},
        {"not said", 0, false, false, "CCCCCC00 CCCCCC00 0000FF00 0000FF00 00000000 00000000"},
    };
    for (const Case &c : cases) {
        IMFMediaType *type = nullptr;
        ASSERT_EQ(MFCreateMediaType(&type), S_OK);
        if (c.said)
            type->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, c.range);
        type->SetUINT32(MF_MT_YUV_MATRIX, c.bt709 ? MFVideoTransferMatrix_BT709 : MFVideoTransferMatrix_BT601);
        FrameLayout layout = Layout(MFVideoFormat_NV12, 6, 2);
        ReadPictureForm(type, nullptr, &layout);
        type->Release();
        BYTE rgb[2 * 6 * 4];
        ASSERT_TRUE(ConvertDecodedFrame(&layout, nv12, sizeof(nv12), rgb, 6 * 4)) << c.what;
        EXPECT_EQ(Pixels(rgb, 6, 2, 6 * 4), std::string(c.row) + " | " + c.row) << c.what;
    }
}

// Luma 10 to 80 over a 4 x 2 frame in full range, so that each pixel shows its own grey: turned
// upright by the quarters the type says (counter-clockwise, as the frames were turned), or the
// stream's native type where the decoded one does not say, also into the bottom-up rows the
// renderer takes; a rotation that is no quarter is not believed, and the decoded type's word holds.
TEST(SourcePixels, PictureTurnedUprightAsTheTypeSays)
{
    const BYTE nv12[] = {10, 20, 30, 40, 50, 60, 70, 80, 128, 128, 128, 128};
    struct Case { UINT32 rotation; bool native; int width, height; const char *upright; };
    const Case cases[] = {
        {0, false, 4, 2, "0A0A0A00 14141400 1E1E1E00 28282800 | 32323200 3C3C3C00 46464600 50505000"},
        {90, false, 2, 4, "32323200 0A0A0A00 | 3C3C3C00 14141400 | 46464600 1E1E1E00 | 50505000 28282800"},
        {180, false, 4, 2, "50505000 46464600 3C3C3C00 32323200 | 28282800 1E1E1E00 14141400 0A0A0A00"},
        {270, false, 2, 4, "28282800 50505000 | 1E1E1E00 46464600 | 14141400 3C3C3C00 | 0A0A0A00 32323200"},
        {45, false, 4, 2, "0A0A0A00 14141400 1E1E1E00 28282800 | 32323200 3C3C3C00 46464600 50505000"},
        {90, true, 2, 4, "32323200 0A0A0A00 | 3C3C3C00 14141400 | 46464600 1E1E1E00 | 50505000 28282800"},
    };
    for (const Case &c : cases) {
        IMFMediaType *type = nullptr, *native = nullptr;
        ASSERT_EQ(MFCreateMediaType(&type), S_OK);
        ASSERT_EQ(MFCreateMediaType(&native), S_OK);
        native->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, MFNominalRange_16_235);
        native->SetUINT32(MF_MT_VIDEO_ROTATION, c.native ? c.rotation : 180);
        type->SetUINT32(MF_MT_VIDEO_NOMINAL_RANGE, MFNominalRange_0_255);
        if (!c.native)
            type->SetUINT32(MF_MT_VIDEO_ROTATION, c.rotation);
        FrameLayout layout = Layout(MFVideoFormat_NV12, 4, 2);
        ReadPictureForm(type, native, &layout);
        type->Release();
        native->Release();
        ASSERT_EQ(UprightWidth(&layout), c.width) << c.rotation;
        ASSERT_EQ(UprightHeight(&layout), c.height) << c.rotation;
        BYTE rgb[8 * 4];
        LONG rowBytes = c.width * 4;
        ASSERT_TRUE(ConvertDecodedFrame(&layout, nv12, sizeof(nv12), rgb, rowBytes)) << c.rotation;
        EXPECT_EQ(Pixels(rgb, c.width, c.height, rowBytes), c.upright) << c.rotation;
        ASSERT_TRUE(ConvertDecodedFrame(&layout, nv12, sizeof(nv12), rgb + (c.height - 1) * rowBytes, -rowBytes));
        std::string topDown;
        for (int row = c.height - 1; row >= 0; row--)
            topDown += (topDown.empty() ? "" : " | ") + Pixels(rgb + row * rowBytes, c.width, 1, rowBytes);
        EXPECT_EQ(topDown, c.upright) << c.rotation << ", bottom-up";
    }
}

// An odd frame takes its chroma at half size rounded up, and its rows at least an even width:
// the last column and row have chroma of their own.
TEST(SourcePixels, OddWidthAndHeightKeepTheirLastColumnAndRow)
{
    static const char kPicture[] = "00000000 00000000 0000FF00 | 00000000 00000000 0000FF00 | FFFFFF00 FFFFFF00 FFFFFF00";
    struct Case { const char *form; GUID subtype; std::vector<BYTE> frame; };
    const Case cases[] = {
        {"NV12", MFVideoFormat_NV12, {16, 16, 81, 0, 16, 16, 81, 0, 235, 235, 235, 0,
                                      128, 128, 90, 240, 128, 128, 128, 128}},
        {"IYUV", MFVideoFormat_IYUV, {16, 16, 81, 0, 16, 16, 81, 0, 235, 235, 235, 0,
                                      128, 90, 128, 128, 128, 240, 128, 128}},
        {"YV12", MFVideoFormat_YV12, {16, 16, 81, 0, 16, 16, 81, 0, 235, 235, 235, 0,
                                      128, 240, 128, 128, 128, 90, 128, 128}},
        {"YUY2", MFVideoFormat_YUY2, {16, 128, 16, 128, 81, 90, 0, 240, 16, 128, 16, 128, 81, 90, 0, 240,
                                      235, 128, 235, 128, 235, 128, 0, 128}},
    };
    for (const Case &c : cases) {
        FrameLayout layout = Layout(c.subtype, 3, 3);
        BYTE rgb[3 * 3 * 4];
        ASSERT_TRUE(ConvertDecodedFrame(&layout, c.frame.data(), (DWORD)c.frame.size(), rgb, 3 * 4)) << c.form;
        EXPECT_EQ(Pixels(rgb, 3, 3, 3 * 4), kPicture) << c.form;
    }
}

// The decoder's padding after each row (0xEE here) is never shown; the rows go bottom-up with a
// negative stride, the picture's last row first in memory.
TEST(SourcePixels, WideStrideAndBottomUpRows)
{
    const BYTE nv12[] = {16, 16, 0xEE, 0xEE, 235, 235, 0xEE, 0xEE, 128, 128, 0xEE, 0xEE};
    FrameLayout layout = Layout(MFVideoFormat_NV12, 2, 2, 4);
    BYTE rgb[2 * 2 * 4];
    ASSERT_TRUE(ConvertDecodedFrame(&layout, nv12, sizeof(nv12), rgb, 2 * 4));
    EXPECT_EQ(Pixels(rgb, 2, 2, 2 * 4), "00000000 00000000 | FFFFFF00 FFFFFF00");
    ASSERT_TRUE(ConvertDecodedFrame(&layout, nv12, sizeof(nv12), rgb + 2 * 4, -2 * 4));
    EXPECT_EQ(Pixels(rgb, 2, 2, 2 * 4), "FFFFFF00 FFFFFF00 | 00000000 00000000");

    const BYTE yuy2[] = {16, 128, 16, 128, 0xEE, 0xEE, 235, 128, 235, 128, 0xEE, 0xEE};
    layout = Layout(MFVideoFormat_YUY2, 2, 2, 6);
    ASSERT_TRUE(ConvertDecodedFrame(&layout, yuy2, sizeof(yuy2), rgb + 2 * 4, -2 * 4));
    EXPECT_EQ(Pixels(rgb, 2, 2, 2 * 4), "FFFFFF00 FFFFFF00 | 00000000 00000000");
}

// Rows padded without the type saying so (as Wine's decoders pad them to 4 bytes, an odd frame's
// luma to an even count of rows, and each planar chroma row on its own) are told by the buffer's
// length: the picture is not sheared.
TEST(SourcePixels, PaddingTheTypeDoesNotSayIsToldByTheBufferLength)
{
    const BYTE nv12[] = {16, 16, 81, 0xEE, 16, 16, 81, 0xEE, 235, 235, 235, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                         128, 128, 90, 240, 128, 128, 128, 128};
    FrameLayout layout = Layout(MFVideoFormat_NV12, 3, 3);
    BYTE rgb[3 * 6 * 4];
    ASSERT_TRUE(ConvertDecodedFrame(&layout, nv12, sizeof(nv12), rgb, 3 * 4));
    EXPECT_EQ(Pixels(rgb, 3, 3, 3 * 4),
              "00000000 00000000 0000FF00 | 00000000 00000000 0000FF00 | FFFFFF00 FFFFFF00 FFFFFF00");

    const BYTE iyuv[] = {16, 16, 235, 235, 81, 81, 0xEE, 0xEE, 16, 16, 235, 235, 81, 81, 0xEE, 0xEE,
                         128, 128, 90, 0xEE, 128, 128, 240, 0xEE};
    layout = Layout(MFVideoFormat_IYUV, 6, 2);
    ASSERT_TRUE(ConvertDecodedFrame(&layout, iyuv, sizeof(iyuv), rgb, 6 * 4));
    EXPECT_EQ(Pixels(rgb, 6, 2, 6 * 4), "00000000 00000000 FFFFFF00 FFFFFF00 0000FF00 0000FF00 | "
                                        "00000000 00000000 FFFFFF00 FFFFFF00 0000FF00 0000FF00");
}

// The picture inside a padded frame: its luma from its own rows and columns, its chroma from the
// blocks under it.
TEST(SourcePixels, PictureInsideThePaddedFrame)
{
    const BYTE nv12[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 81, 81, 0, 0, 235, 235,
                         0, 0, 0, 0, 0, 0, 90, 240};
    const BYTE iyuv[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 81, 81, 0, 0, 235, 235, 0, 0, 0, 90, 0, 0, 0, 240};
    FrameLayout layout = {MFVideoFormat_NV12, 4, 4, 0, 2, 2, 2, 2, false, false, 0};
    BYTE rgb[2 * 2 * 4];
    ASSERT_TRUE(ConvertDecodedFrame(&layout, nv12, sizeof(nv12), rgb, 2 * 4));
    EXPECT_EQ(Pixels(rgb, 2, 2, 2 * 4), "0000FF00 0000FF00 | B2B3FF00 B2B3FF00");
    layout.subtype = MFVideoFormat_IYUV;
    ASSERT_TRUE(ConvertDecodedFrame(&layout, iyuv, sizeof(iyuv), rgb, 2 * 4));
    EXPECT_EQ(Pixels(rgb, 2, 2, 2 * 4), "0000FF00 0000FF00 | B2B3FF00 B2B3FF00");
}

// Data one byte short of the layout, a picture that leaves the frame, a stride narrower than the
// row: refused, and nothing written.
TEST(SourcePixels, ShortDataAndPicturesOutsideTheFrameAreRefused)
{
    const BYTE frame[64] = {};
    struct Case { const char *what; FrameLayout layout; DWORD length; };
    const Case cases[] = {
        {"NV12 short", Layout(MFVideoFormat_NV12, 2, 2), 5},
        {"IYUV short", Layout(MFVideoFormat_IYUV, 2, 2), 5},
        {"YV12 short", Layout(MFVideoFormat_YV12, 2, 2), 5},
        {"YUY2 short", Layout(MFVideoFormat_YUY2, 2, 2), 7},
        {"NV12 odd short", Layout(MFVideoFormat_NV12, 3, 3), 19},
        {"right of the frame", {MFVideoFormat_NV12, 4, 4, 0, 2, 0, 4, 2, false, false, 0}, 64},
        {"below the frame", {MFVideoFormat_NV12, 4, 4, 0, 0, 2, 2, 4, false, false, 0}, 64},
        {"before the frame", {MFVideoFormat_NV12, 4, 4, 0, -2, 0, 2, 2, false, false, 0}, 64},
        {"empty picture", {MFVideoFormat_NV12, 4, 4, 0, 0, 0, 0, 2, false, false, 0}, 64},
        {"stride narrower than the row", Layout(MFVideoFormat_YUY2, 2, 2, 3), 60},   // no whole rows in 60
    };
    for (const Case &c : cases) {
        BYTE rgb[4 * 4 * 4];
        memset(rgb, 0xAB, sizeof(rgb));
        EXPECT_FALSE(ConvertDecodedFrame(&c.layout, frame, c.length, rgb, 4 * 4)) << c.what;
        EXPECT_EQ(std::count(rgb, rgb + sizeof(rgb), 0xAB), (long)sizeof(rgb)) << c.what;
    }
}

// The graph hands the start times: play 3 s from reference time 0, pause 1 s, play 1 s (run again
// at 1 s, so that stream time goes on from 3 s), pause 3 s: 4 s played.
TEST(SourceTimeline, PlaceOverRunsAndPauses)
{
    Timeline timeline = {};
    timeline.rate = 1.0;
    timeline.end = 600000000;
    TimelinePause(&timeline, 0);
    EXPECT_EQ(TimelinePlace(&timeline, 0), 0);
    TimelineRun(&timeline, 0);
    EXPECT_EQ(TimelinePlace(&timeline, 20000000), 20000000);
    TimelinePause(&timeline, 30000000);
    EXPECT_EQ(TimelinePlace(&timeline, 35000000), 30000000);
    TimelineRun(&timeline, 10000000);
    EXPECT_EQ(TimelinePlace(&timeline, 45000000), 35000000);
    TimelinePause(&timeline, 50000000);
    EXPECT_EQ(TimelinePlace(&timeline, 80000000), 40000000);
    EXPECT_EQ(timeline.state, State_Paused);
}

// A seek starts stream time afresh at the target, whatever the state; a stop keeps the place for
// the next start; before the first run nothing has played.
TEST(SourceTimeline, SeeksWhileRunningPausedAndStopped)
{
    Timeline timeline = {};
    timeline.rate = 1.0;
    TimelinePause(&timeline, 0);
    TimelineRun(&timeline, 0);
    TimelinePause(&timeline, 20000000);
    TimelineSeek(&timeline, 100000000);
    EXPECT_EQ(TimelinePlace(&timeline, 25000000), 100000000);
    TimelineRun(&timeline, 30000000);
    EXPECT_EQ(TimelinePlace(&timeline, 40000000), 110000000);

    TimelineSeek(&timeline, 50000000);   // running: the next run's start says when it plays
    TimelineRun(&timeline, 60000000);
    EXPECT_EQ(TimelinePlace(&timeline, 50000000), 50000000);
    EXPECT_EQ(TimelinePlace(&timeline, 70000000), 60000000);

    TimelineStop(&timeline, 90000000);
    EXPECT_EQ(timeline.segmentStart, 80000000);
    EXPECT_EQ(TimelinePlace(&timeline, 95000000), 80000000);
    TimelineSeek(&timeline, 20000000);
    TimelinePause(&timeline, 100000000);
    EXPECT_EQ(TimelinePlace(&timeline, 100000000), 20000000);
    TimelineRun(&timeline, 100000000);
    EXPECT_EQ(TimelinePlace(&timeline, 110000000), 30000000);
}

// Over changes of rate the place is media time: held until the new rate takes effect, a latency
// after the change, then moving at that rate; a pause holds it; a seek keeps the rate and starts afresh.
TEST(SourceTimeline, PlaceFollowsEveryChangeOfRate)
{
    Timeline timeline = {};
    timeline.rate = 1.0;
    TimelinePause(&timeline, 0);
    TimelineRun(&timeline, 0);
    TimelineRate(&timeline, 0.7, 20000000, 500000);                // at 2 s, to 70 % from 2.05 s
    EXPECT_EQ(TimelinePlace(&timeline, 20300000), 20000000);
    EXPECT_EQ(TimelinePlace(&timeline, 120500000), 90000000);     // 10 s at 70 %: 7 s more
    EXPECT_EQ(TimelineStreamTime(&timeline, 90000000), 120500000);
    TimelineRate(&timeline, 1.5, 120500000, 500000);
    EXPECT_EQ(TimelinePlace(&timeline, 221000000), 240000000);    // 10 s at 150 %: 15 s more
    TimelinePause(&timeline, 221000000);
    TimelineRate(&timeline, 0.5, 230000000, 500000);              // paused: held, and from the run on
    EXPECT_EQ(TimelinePlace(&timeline, 260000000), 240000000);
    TimelineRun(&timeline, 39000000);                             // stream time 221 s again at 260 s
    EXPECT_EQ(TimelinePlace(&timeline, 280500000), 250000000);
    TimelineSeek(&timeline, 100000000);
    TimelineRun(&timeline, 300000000);
    EXPECT_EQ(TimelinePlace(&timeline, 320000000), 110000000);
    EXPECT_EQ(timeline.rate, 0.5);
}

// No place lies past the stop position, also after a seek to exactly it or past it; with none
// known (0) the place is not held. A stream moved on in running (a stop position cleared after its
// end went out) plays from its new place a latency later, at the same rate, and is no longer finished.
TEST(SourceTimeline, StopPositionHoldsThePlace)
{
    Timeline timeline = {};
    timeline.rate = 1.0;
    timeline.end = 50000000;
    TimelinePause(&timeline, 0);
    TimelineRun(&timeline, 0);
    EXPECT_EQ(TimelinePlace(&timeline, 40000000), 40000000);
    EXPECT_EQ(TimelinePlace(&timeline, 70000000), 50000000);
    TimelineSeek(&timeline, 50000000);
    TimelineRun(&timeline, 70000000);
    EXPECT_EQ(TimelinePlace(&timeline, 90000000), 50000000);
    TimelineSeek(&timeline, 60000000);
    EXPECT_EQ(TimelinePlace(&timeline, 90000000), 50000000);
    timeline.end = 0;
    EXPECT_EQ(TimelinePlace(&timeline, 90000000), 80000000);

    timeline.end = 50000000;
    TimelineSeek(&timeline, 40000000);
    TimelineRun(&timeline, 0);
    TimelineFinish(&timeline);
    EXPECT_EQ(TimelinePlace(&timeline, 5000000), 50000000);
    timeline.end = 300000000;
    timeline.rate = 0.5;
    TimelineMove(&timeline, 45000000, 5000000, 300000);
    EXPECT_FALSE(timeline.finished);
    EXPECT_EQ(TimelinePlace(&timeline, 5100000), 45000000);
    EXPECT_EQ(TimelinePlace(&timeline, 25300000), 55000000);   // 2 s at 50 %

    // A stream that broke holds the place where it broke, whatever the stop; a seek reads afresh.
    timeline.brokenAt = 50000000;
    EXPECT_EQ(TimelinePlace(&timeline, 45300000), 50000000);
    TimelineSeek(&timeline, 20000000);
    TimelineRun(&timeline, 45300000);
    EXPECT_EQ(TimelinePlace(&timeline, 45300000), 20000000);
    EXPECT_EQ(TimelinePlace(&timeline, 145300000), 70000000);   // 10 s at 50 %, past where it broke
}

// 48 kHz stereo: 192000 bytes a second, 4 a frame; a tenth of a second is 19200 bytes.
TEST(SourceTimeline, BytesBeforeStopAtTheEdges)
{
    struct Case { REFERENCE_TIME start, stop; DWORD bytes, expected; };
    const Case cases[] = {
        {0, 1000000, 19200, 19200},              // the stop at the buffer's end
        {0, 2000000, 19200, 19200},              // beyond it
        {0, 500000, 19200, 9600},                // half way
        {0, 333333, 19200, 6396},                // 6399.99 bytes: whole frames only
        {1000000, 1000000, 19200, 0},            // at the start
        {1000000, 0, 19200, 0},                  // before it
        {0, 1, 19200, 0},                        // less than a frame
        {0, MAXLONGLONG, 19200, 19200},
        {-10000000, MAXLONGLONG, 4294967292u, 4294967292u},
        {0, 1000000, 0, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(BytesBeforeStop(c.start, c.stop, c.bytes, 192000, 4), c.expected) << c.start << " to " << c.stop;
    EXPECT_EQ(BytesBeforeStop(0, 1000000, 19200, 0, 4), 0u);
    EXPECT_EQ(BytesBeforeStop(0, 1000000, 19200, 192000, 0), 0u);
}

// One or two channels as plain PCM, as ever; more as WAVEFORMATEXTENSIBLE, which names their
// speakers, with its PCM subformat {00000001-0000-0010-8000-00AA00389B71}.
TEST(SourceMediaTypes, SoundIsSixteenBitPcmInFixedFramesAndNamesTheSpeakersOfMore)
{
    static const GUID kPcmSubformat = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    struct Case { WORD channels; DWORD rate, layout; WORD tag, block; DWORD perSecond; ULONG size; };
    const Case cases[] = {
        {1, 44100, SPEAKER_FRONT_CENTER, WAVE_FORMAT_PCM, 2, 88200, 18},
        {2, 48000, SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT, WAVE_FORMAT_PCM, 4, 192000, 18},
        {3, 48000, 0x7, WAVE_FORMAT_EXTENSIBLE, 6, 288000, 40},
        {6, 44100, 0x3F, WAVE_FORMAT_EXTENSIBLE, 12, 529200, 40},
        {6, 48000, 0x60F, WAVE_FORMAT_EXTENSIBLE, 12, 576000, 40},
        {8, 44100, 0x63F, WAVE_FORMAT_EXTENSIBLE, 16, 705600, 40},
    };
    for (const Case &c : cases) {
        AM_MEDIA_TYPE type;
        WAVEFORMATEXTENSIBLE format;
        memset(&format, 0xAB, sizeof(format));
        AudioMediaType(&type, &format, c.channels, c.rate, c.layout);
        const WAVEFORMATEX &wave = format.Format;
        EXPECT_EQ(wave.wFormatTag, c.tag) << c.channels;
        EXPECT_EQ(wave.nChannels, c.channels);
        EXPECT_EQ(wave.nSamplesPerSec, c.rate);
        EXPECT_EQ(wave.wBitsPerSample, 16);
        EXPECT_EQ(wave.nBlockAlign, c.block);
        EXPECT_EQ(wave.nAvgBytesPerSec, c.perSecond);
        EXPECT_EQ(wave.cbSize, c.size - 18) << c.channels;
        EXPECT_TRUE(IsEqualGUID(type.majortype, MEDIATYPE_Audio));
        EXPECT_TRUE(IsEqualGUID(type.subtype, MEDIASUBTYPE_PCM));
        EXPECT_TRUE(IsEqualGUID(type.formattype, FORMAT_WaveFormatEx));
        EXPECT_TRUE(type.bFixedSizeSamples);
        EXPECT_FALSE(type.bTemporalCompression);
        EXPECT_EQ(type.lSampleSize, c.block);
        EXPECT_EQ(type.cbFormat, c.size) << c.channels;
        EXPECT_EQ(type.pbFormat, (BYTE *)&format);
        EXPECT_EQ(type.pUnk, nullptr);
        if (c.tag == WAVE_FORMAT_EXTENSIBLE) {
            EXPECT_EQ(format.Samples.wValidBitsPerSample, 16);
            EXPECT_EQ(format.dwChannelMask, c.layout) << c.channels;
            EXPECT_TRUE(IsEqualGUID(format.SubFormat, kPcmSubformat)) << c.channels;
        }
    }
}

TEST(SourceMediaTypes, PictureIsBottomUpRgb32AtThePictureSize)
{
    AM_MEDIA_TYPE type;
    VIDEOINFOHEADER video;
    memset(&video, 0xAB, sizeof(video));
    VideoMediaType(&type, &video, 640, 360, 400000);
    const BITMAPINFOHEADER &bitmap = video.bmiHeader;
    EXPECT_EQ(video.AvgTimePerFrame, 400000);
    EXPECT_EQ(video.rcSource.right, 0);
    EXPECT_EQ(video.dwBitRate, 0u);
    EXPECT_EQ(bitmap.biSize, 40u);
    EXPECT_EQ(bitmap.biWidth, 640);
    EXPECT_EQ(bitmap.biHeight, 360);
    EXPECT_EQ(bitmap.biPlanes, 1);
    EXPECT_EQ(bitmap.biBitCount, 32);
    EXPECT_EQ(bitmap.biCompression, (DWORD)BI_RGB);
    EXPECT_EQ(bitmap.biSizeImage, 921600u);
    EXPECT_TRUE(IsEqualGUID(type.majortype, MEDIATYPE_Video));
    EXPECT_TRUE(IsEqualGUID(type.subtype, MEDIASUBTYPE_RGB32));
    EXPECT_TRUE(IsEqualGUID(type.formattype, FORMAT_VideoInfo));
    EXPECT_TRUE(type.bFixedSizeSamples);
    EXPECT_EQ(type.lSampleSize, 921600u);
    EXPECT_EQ(type.cbFormat, (ULONG)sizeof(VIDEOINFOHEADER));
    EXPECT_EQ(type.pbFormat, (BYTE *)&video);
}

// A copy owns its format block; a type asked for matches in every part it does not leave open.
TEST(SourceMediaTypes, CopiesAndMatches)
{
    AM_MEDIA_TYPE offered, copy, other;
    WAVEFORMATEXTENSIBLE wave, otherWave;
    AudioMediaType(&offered, &wave, 2, 48000, 0);
    ASSERT_EQ(CopyOfMediaType(&copy, &offered), S_OK);
    EXPECT_NE(copy.pbFormat, offered.pbFormat);
    EXPECT_EQ(copy.cbFormat, 18u);
    EXPECT_EQ(memcmp(copy.pbFormat, &wave, 18), 0);
    EXPECT_TRUE(MatchesMediaType(&offered, &copy));

    AM_MEDIA_TYPE open = {};
    EXPECT_TRUE(MatchesMediaType(&offered, &open));
    open.majortype = MEDIATYPE_Audio;
    EXPECT_TRUE(MatchesMediaType(&offered, &open));
    open.subtype = MEDIASUBTYPE_RGB32;
    EXPECT_FALSE(MatchesMediaType(&offered, &open));
    open.subtype = MEDIASUBTYPE_PCM;
    open.formattype = FORMAT_WaveFormatEx;
    EXPECT_FALSE(MatchesMediaType(&offered, &open)) << "a format asked for without its block";

    AudioMediaType(&other, &otherWave, 2, 44100, 0);
    EXPECT_FALSE(MatchesMediaType(&offered, &other));
    copy.cbFormat = 16;
    EXPECT_FALSE(MatchesMediaType(&offered, &copy));
    copy.cbFormat = 18;
    open.formattype = FORMAT_VideoInfo;
    EXPECT_FALSE(MatchesMediaType(&offered, &open));
    CoTaskMemFree(copy.pbFormat);
}

// Six channels named by the decoder are taken as named; a mask that names another number of
// speakers, or none, gives the usual layout for the count.
TEST(SourceSpeakers, LayoutsByMaskOrCountAndWhereTheLowFrequencyChannelIs)
{
    struct Case { WORD channels; DWORD mask, layout; };
    const Case cases[] = {
        {1, 0, 0x4}, {2, 0, 0x3}, {3, 0, 0x7}, {4, 0, 0x33}, {5, 0, 0x37}, {6, 0, 0x3F}, {7, 0, 0x70F},
        {8, 0, 0x63F}, {6, 0x60F, 0x60F}, {6, 0x7, 0x3F}, {2, 0x3F, 0x3}, {5, 0x3B, 0x3B}, {9, 0, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SpeakerLayout(c.channels, c.mask), c.layout) << c.channels << " channels, mask " << c.mask;
    EXPECT_EQ(SpeakerChannel(0x3F, SPEAKER_LOW_FREQUENCY), 3);
    EXPECT_EQ(SpeakerChannel(0x63F, SPEAKER_LOW_FREQUENCY), 3);
    EXPECT_EQ(SpeakerChannel(0x3B, SPEAKER_LOW_FREQUENCY), 2);
    EXPECT_EQ(SpeakerChannel(0x60F, SPEAKER_SIDE_RIGHT), 5);
    EXPECT_EQ(SpeakerChannel(0x33, SPEAKER_LOW_FREQUENCY), -1);
}

// Each stereo frame as "left,right", apart by spaces.
static std::string Frames(const short *samples, DWORD bytes)
{
    std::string text;
    for (DWORD i = 0; i < bytes / 4; i++)
        text += (i ? " " : "") + std::to_string(samples[2 * i]) + "," + std::to_string(samples[2 * i + 1]);
    return text;
}

// One channel at a time at 10000, in each layout: the front sides into their own side, the centre
// and the surrounds 3 dB down into both, a back centre 3 dB down again into each, the low-frequency
// channel nowhere, and a channel with no speaker named into both; all scaled so that no side's
// weights add up to more than one (5.1's front left at 1 / (1 + 2 * 0.707)).
TEST(SourceDownmix, EachSpeakerIntoItsSidesAtAGainThatCannotClip)
{
    struct Case { const char *name; WORD channels; DWORD layout; const char *expected; };
    const Case cases[] = {
        {"5.1", 6, 0x3F, "4142,0 0,4142 2929,2929 0,0 2929,0 0,2929"},
        {"5.1 sides", 6, 0x60F, "4142,0 0,4142 2929,2929 0,0 2929,0 0,2929"},
        {"7.1", 8, 0x63F, "3204,0 0,3204 2265,2265 0,0 2265,0 0,2265 2265,0 0,2265"},
        {"6.1", 7, 0x70F, "3431,0 0,3431 2426,2426 0,0 1716,1716 2426,0 0,2426"},
        {"3.0", 3, 0x7, "5858,0 0,5858 4142,4142"},
        {"quad", 4, 0x33, "5858,0 0,5858 4142,0 0,4142"},
        {"unnamed", 3, 0, "3333,3333 3333,3333 3333,3333"},
    };
    for (const Case &c : cases) {
        Downmix mix;
        ASSERT_TRUE(StartDownmix(&mix, c.channels, c.layout)) << c.name;
        std::vector<short> pcm((size_t)c.channels * c.channels);
        for (WORD k = 0; k < c.channels; k++)
            pcm[(size_t)k * c.channels + k] = 10000;
        DWORD bytes = DownmixInPlace(&mix, (BYTE *)pcm.data(), (DWORD)(pcm.size() * 2));
        EXPECT_EQ(bytes, 4u * c.channels) << c.name;
        EXPECT_EQ(Frames(pcm.data(), bytes), c.expected) << c.name;
    }
}

// Every channel at full scale, either way, stays at full scale: the weights' rounding carries 5.1's
// sum a step past it, which saturates rather than wraps round to the other sign.
TEST(SourceDownmix, FullScaleSaturates)
{
    Downmix mix;
    ASSERT_TRUE(StartDownmix(&mix, 6, 0x3F));
    std::vector<short> pcm = {32767, 32767, 32767, 32767, 32767, 32767, -32768, -32768, -32768, -32768, -32768, -32768};
    DWORD bytes = DownmixInPlace(&mix, (BYTE *)pcm.data(), (DWORD)(pcm.size() * 2));
    EXPECT_EQ(Frames(pcm.data(), bytes), "32767,32767 -32768,-32768");
}

// Mixed in the buffer it came in, frame after frame; a frame cut short at the end is not mixed.
// With no mix the sound is left as it is; two channels, or more than eight, are not mixed.
TEST(SourceDownmix, InPlaceWholeFramesOnly)
{
    Downmix mix;
    ASSERT_TRUE(StartDownmix(&mix, 3, 0x7));
    std::vector<short> pcm = {1000, 2000, 3000, -1000, -2000, -3000, 100, 0, 0, 7, 7};
    EXPECT_EQ(DownmixInPlace(&mix, (BYTE *)pcm.data(), (DWORD)(pcm.size() * 2)), 12u);
    EXPECT_EQ(Frames(pcm.data(), 12), "1828,2414 -1828,-2414 59,0");

    mix.channels = 0;
    std::vector<short> same = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(DownmixInPlace(&mix, (BYTE *)same.data(), 12), 12u);
    EXPECT_EQ(same, std::vector<short>({1, 2, 3, 4, 5, 6}));
    EXPECT_FALSE(StartDownmix(&mix, 2, 0x3));
    EXPECT_EQ(mix.channels, 0);
    EXPECT_FALSE(StartDownmix(&mix, 9, 0));
    EXPECT_EQ(mix.channels, 0);
}

namespace {

HRESULT Unexpected(const char *method)
{
    ADD_FAILURE() << method << " called on the renderer";
    return E_UNEXPECTED;
}

// The renderer's buffers: it takes the properties asked for and is never asked for a buffer here.
struct RendererBuffers final : IMemAllocator {
    LONG refs = 1;
    ALLOCATOR_PROPERTIES agreed = {};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **) override { return Unexpected("IMemAllocator::QueryInterface"); }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return (ULONG)--refs; }
    HRESULT STDMETHODCALLTYPE SetProperties(ALLOCATOR_PROPERTIES *wanted, ALLOCATOR_PROPERTIES *actual) override
    {
        agreed = *actual = *wanted;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit() override { return Unexpected("Commit"); }
    HRESULT STDMETHODCALLTYPE Decommit() override { return Unexpected("Decommit"); }
    HRESULT STDMETHODCALLTYPE GetBuffer(IMediaSample **, REFERENCE_TIME *, REFERENCE_TIME *, DWORD) override
    {
        return Unexpected("GetBuffer");
    }
};

// A sound renderer's input pin that takes PCM of at most `most` channels, and says each type it
// is offered as "channels/tag/mask".
struct SoundRenderer final : IPin, IMemInputPin {
    LONG refs = 1;
    WORD most;
    std::vector<std::string> offered;
    bool connected = false;
    RendererBuffers buffers;

    explicit SoundRenderer(WORD channels) : most(channels) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!IsEqualIID(iid, IID_IMemInputPin))
            return Unexpected("IPin::QueryInterface");
        *object = static_cast<IMemInputPin *>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return (ULONG)--refs; }
    HRESULT STDMETHODCALLTYPE ReceiveConnection(IPin *, const AM_MEDIA_TYPE *type) override
    {
        const WAVEFORMATEXTENSIBLE *format = (const WAVEFORMATEXTENSIBLE *)type->pbFormat;
        WORD channels = format->Format.nChannels;
        char text[40];
        snprintf(text, sizeof(text), "%u/%X/%lX", channels, format->Format.wFormatTag,
                 type->cbFormat >= sizeof(*format) ? (unsigned long)format->dwChannelMask : 0ul);
        offered.push_back(text);
        connected = channels <= most;
        return connected ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    HRESULT STDMETHODCALLTYPE Disconnect() override
    {
        connected = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAllocator(IMemAllocator **allocator) override
    {
        *allocator = &buffers;
        buffers.AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NotifyAllocator(IMemAllocator *allocator, BOOL) override
    {
        EXPECT_EQ(allocator, &buffers);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Receive(IMediaSample *) override { return Unexpected("Receive"); }
    HRESULT STDMETHODCALLTYPE Connect(IPin *, const AM_MEDIA_TYPE *) override { return Unexpected("Connect"); }
    HRESULT STDMETHODCALLTYPE ConnectedTo(IPin **) override { return Unexpected("ConnectedTo"); }
    HRESULT STDMETHODCALLTYPE ConnectionMediaType(AM_MEDIA_TYPE *) override { return Unexpected("ConnectionMediaType"); }
    HRESULT STDMETHODCALLTYPE QueryPinInfo(PIN_INFO *) override { return Unexpected("QueryPinInfo"); }
    HRESULT STDMETHODCALLTYPE QueryDirection(PIN_DIRECTION *) override { return Unexpected("QueryDirection"); }
    HRESULT STDMETHODCALLTYPE QueryId(LPWSTR *) override { return Unexpected("QueryId"); }
    HRESULT STDMETHODCALLTYPE QueryAccept(const AM_MEDIA_TYPE *) override { return Unexpected("QueryAccept"); }
    HRESULT STDMETHODCALLTYPE EnumMediaTypes(IEnumMediaTypes **) override { return Unexpected("EnumMediaTypes"); }
    HRESULT STDMETHODCALLTYPE QueryInternalConnections(IPin **, ULONG *) override
    {
        return Unexpected("QueryInternalConnections");
    }
    HRESULT STDMETHODCALLTYPE EndOfStream() override { return Unexpected("EndOfStream"); }
    HRESULT STDMETHODCALLTYPE BeginFlush() override { return Unexpected("BeginFlush"); }
    HRESULT STDMETHODCALLTYPE EndFlush() override { return Unexpected("EndFlush"); }
    HRESULT STDMETHODCALLTYPE NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) override { return Unexpected("NewSegment"); }
};

// A stopped source with the one sound pin the reader makes for a stream decoded so.
SourceFilter *SoundSource(WORD channels, DWORD mask)
{
    SourceFilter *filter = new SourceFilter();
    filter->refs = 1;
    InitializeCriticalSection(&filter->lock);
    for (SourcePin &pin : filter->pins)
        InitializeCriticalSection(&pin.streamingLock);
    filter->timeline.state = State_Stopped;
    EXPECT_EQ(AddSoundPin(filter, 0, channels, 48000, mask), S_OK);
    return filter;
}

}  // namespace

// The reader's six channels go out as they are to a renderer that takes them, named as the decoder
// names them; one that refuses them is offered them mixed to stereo, which the stretch then works
// on; one that refuses both leaves the pin offering every channel again.
TEST(SourceSoundPin, ARendererThatRefusesTheChannelsGetsThemMixedToStereo)
{
    SourceFilter *filter = SoundSource(6, 0x60F);
    SourcePin *pin = &filter->pins[0];
    EXPECT_EQ(filter->stretch.lowFrequency, 3);
    SoundRenderer surround(8);
    ASSERT_EQ(pin->Connect(&surround, NULL), S_OK);
    EXPECT_EQ(surround.offered, std::vector<std::string>({"6/FFFE/60F"}));
    EXPECT_EQ(pin->downmix.channels, 0);
    EXPECT_EQ(filter->stretch.channels, 6);
    EXPECT_EQ(filter->level.channels, 6);
    EXPECT_EQ(surround.buffers.agreed.cbBuffer, 57600);  // a tenth of a second
    AM_MEDIA_TYPE connected;
    ASSERT_EQ(pin->ConnectionMediaType(&connected), S_OK);
    EXPECT_EQ(connected.cbFormat, 40u);
    CoTaskMemFree(connected.pbFormat);
    ASSERT_EQ(pin->Disconnect(), S_OK);

    SoundRenderer stereo(2);
    ASSERT_EQ(pin->Connect(&stereo, NULL), S_OK);
    EXPECT_EQ(stereo.offered, std::vector<std::string>({"6/FFFE/60F", "2/1/0"}));
    EXPECT_TRUE(stereo.connected);
    EXPECT_EQ(pin->type.cbFormat, 18u);
    EXPECT_EQ(pin->wave.nChannels, 2);
    EXPECT_EQ(pin->wave.nSamplesPerSec, 48000u);
    EXPECT_EQ(stereo.buffers.agreed.cbBuffer, 19200);
    EXPECT_EQ(filter->stretch.channels, 2);
    EXPECT_EQ(filter->stretch.lowFrequency, -1);
    EXPECT_EQ(filter->level.channels, 2) << "the level works on the stereo that goes out";
    // A new segment (a seek, a change of rate) is levelled afresh.
    filter->level.settling = filter->level.settledBlocks;
    StartSegments(filter);
    EXPECT_EQ(filter->level.settling, 0u);
    // The mix follows the decoder's layout: its side left (the fifth channel) goes left.
    short frame[6] = {0, 0, 0, 0, 10000, 0};
    EXPECT_EQ(DownmixInPlace(&pin->downmix, (BYTE *)frame, sizeof(frame)), 4u);
    EXPECT_EQ(Frames(frame, 4), "2929,0");
    ASSERT_EQ(pin->Disconnect(), S_OK);

    SoundRenderer mono(1);
    EXPECT_EQ(pin->Connect(&mono, NULL), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(mono.offered, std::vector<std::string>({"6/FFFE/60F", "2/1/0"}));
    EXPECT_EQ(pin->wave.nChannels, 6);
    EXPECT_EQ(pin->downmix.channels, 0);
    EXPECT_EQ(pin->peer, nullptr);

    ASSERT_EQ(pin->Connect(&surround, NULL), S_OK);
    EXPECT_EQ(filter->stretch.channels, 6);
    EXPECT_EQ(filter->stretch.lowFrequency, 3);
    filter->Release();
    EXPECT_EQ(surround.refs, 1);
    EXPECT_EQ(surround.buffers.refs, 1);
    EXPECT_EQ(stereo.refs, 1);
    EXPECT_EQ(stereo.buffers.refs, 1);
}

// Stereo is offered as it always was and nothing else; six channels that the decoder does not name
// (or names as another count) go out in the usual 5.1 layout.
TEST(SourceSoundPin, StereoIsNeverMixedAndUnnamedChannelsTakeTheUsualLayout)
{
    SourceFilter *filter = SoundSource(2, 0);
    SoundRenderer mono(1);
    EXPECT_EQ(filter->pins[0].Connect(&mono, NULL), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(mono.offered, std::vector<std::string>({"2/1/0"}));
    filter->Release();

    const DWORD masks[] = {0, 0x7};
    for (DWORD mask : masks) {
        filter = SoundSource(6, mask);
        SoundRenderer surround(6);
        ASSERT_EQ(filter->pins[0].Connect(&surround, NULL), S_OK);
        EXPECT_EQ(surround.offered, std::vector<std::string>({"6/FFFE/3F"})) << mask;
        EXPECT_EQ(filter->stretch.lowFrequency, 3);
        filter->Release();
    }
}
