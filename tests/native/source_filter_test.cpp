// The player's own source, its pure parts: decoded frames to RGB32, the place it keeps over the
// graph's state changes and seeks, and the media types it offers its renderers.
#include "player_test.h"

#include "engine/source_filter/media_types.h"
#include "engine/source_filter/pixels.h"
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
    return FrameLayout{subtype, width, height, stride, 0, 0, width, height, false};
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
    FrameLayout layout = {MFVideoFormat_NV12, 4, 4, 0, 2, 2, 2, 2, false};
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
        {"right of the frame", {MFVideoFormat_NV12, 4, 4, 0, 2, 0, 4, 2, false}, 64},
        {"below the frame", {MFVideoFormat_NV12, 4, 4, 0, 0, 2, 2, 4, false}, 64},
        {"before the frame", {MFVideoFormat_NV12, 4, 4, 0, -2, 0, 2, 2, false}, 64},
        {"empty picture", {MFVideoFormat_NV12, 4, 4, 0, 0, 0, 0, 2, false}, 64},
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

TEST(SourceMediaTypes, SoundIsSixteenBitPcmInFixedFrames)
{
    AM_MEDIA_TYPE type;
    WAVEFORMATEX wave;
    memset(&wave, 0xAB, sizeof(wave));
    AudioMediaType(&type, &wave, 6, 44100);
    EXPECT_EQ(wave.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(wave.nChannels, 6);
    EXPECT_EQ(wave.nSamplesPerSec, 44100u);
    EXPECT_EQ(wave.wBitsPerSample, 16);
    EXPECT_EQ(wave.nBlockAlign, 12);
    EXPECT_EQ(wave.nAvgBytesPerSec, 529200u);
    EXPECT_EQ(wave.cbSize, 0);
    EXPECT_TRUE(IsEqualGUID(type.majortype, MEDIATYPE_Audio));
    EXPECT_TRUE(IsEqualGUID(type.subtype, MEDIASUBTYPE_PCM));
    EXPECT_TRUE(IsEqualGUID(type.formattype, FORMAT_WaveFormatEx));
    EXPECT_TRUE(type.bFixedSizeSamples);
    EXPECT_FALSE(type.bTemporalCompression);
    EXPECT_EQ(type.lSampleSize, 12u);
    EXPECT_EQ(type.cbFormat, 18u);
    EXPECT_EQ(type.pbFormat, (BYTE *)&wave);
    EXPECT_EQ(type.pUnk, nullptr);
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
    WAVEFORMATEX wave, otherWave;
    AudioMediaType(&offered, &wave, 2, 48000);
    ASSERT_EQ(CopyOfMediaType(&copy, &offered), S_OK);
    EXPECT_NE(copy.pbFormat, offered.pbFormat);
    EXPECT_EQ(copy.cbFormat, 18u);
    EXPECT_EQ(memcmp(copy.pbFormat, &wave, sizeof(wave)), 0);
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

    AudioMediaType(&other, &otherWave, 2, 44100);
    EXPECT_FALSE(MatchesMediaType(&offered, &other));
    copy.cbFormat = 16;
    EXPECT_FALSE(MatchesMediaType(&offered, &copy));
    copy.cbFormat = 18;
    open.formattype = FORMAT_VideoInfo;
    EXPECT_FALSE(MatchesMediaType(&offered, &open));
    CoTaskMemFree(copy.pbFormat);
}
