// The player's own source in a graph as Wine's: a clip the scripted reader opens, its pins rendered
// into renderers that log what they get, the graph's state changes and seeks handed on to it. Its
// streaming thread is real; each test waits for the log, never longer than a few seconds.
#include "player_test.h"

#include <mfreadwrite.h>

namespace {

// 0.2 s of 48 kHz stereo in two tenths, and five NV12 frames of 640x360 at 25 a second, read in
// time order as a demultiplexer hands them out.
standin::ReaderClip SoundAndPicture()
{
    standin::ReaderClip clip;
    clip.streams.resize(2);
    clip.streams[1].video = true;
    clip.streams[1].width = 640;
    clip.streams[1].height = 360;
    clip.duration = 2000000;
    clip.reads = {{0, 0, 1000000, 19200},     {1, 0, 400000, 345600},       {1, 400000, 400000, 345600},
                  {1, 800000, 400000, 345600}, {0, 1000000, 1000000, 19200}, {1, 1200000, 400000, 345600},
                  {1, 1600000, 400000, 345600}};
    return clip;
}

std::vector<std::string> SourceLogSince(size_t mark)
{
    std::vector<std::string> log = standin::SourceLog();
    return std::vector<std::string>(log.begin() + static_cast<long>(std::min(mark, log.size())), log.end());
}

// The connections, then the first segment: the sound a tenth at a time, each frame once the sound
// is read two seconds past it or has ended; the picture's end first, as the sound's waits for it
// to play out.
const std::vector<std::string> kPlayed = {
    "sound ReceiveConnection 2x48000 Hz 16 bits, 4 a frame",
    "sound NotifyAllocator 10x19200",
    "picture ReceiveConnection 640x360 32 bits, 921600 a frame",
    "picture NotifyAllocator 3x921600",
    "SetCurrentPosition 0",
    "sound NewSegment 0,2000000",
    "picture NewSegment 0,2000000",
    "sound Receive 0,1000000 19200 discontinuity",
    "sound Receive 1000000,2000000 19200",
    "picture Receive 0,400000 921600 discontinuity",
    "picture Receive 400000,800000 921600",
    "picture Receive 800000,1200000 921600",
    "picture Receive 1200000,1600000 921600",
    "picture Receive 1600000,2000000 921600",
    "picture EndOfStream",
    "sound EndOfStream",
};

}  // namespace

class OwnSourceTest : public PlayerTest {
protected:
    void PlayOwn(std::function<void()> step, const standin::ReaderClip &clip = SoundAndPicture())
    {
        standin::AddReaderClip(kClip, clip);
        RunPlayer(kClip, {std::move(step)});
    }
};

TEST_F(OwnSourceTest, ClipWithSoundAndPicturePlaysToItsEnd)
{
    PlayOwn([] {
        ASSERT_TRUE(standin::WaitForSourceLog("sound EndOfStream"));
        EXPECT_EQ(standin::SourceLog(), kPlayed);
        EXPECT_CALLS(0,
            "CoCreateInstance FilterGraph", "QueryInterface IMediaEventEx", "AddFilter Lumetrone source",
            "Render", "Render", "QueryInterface IMediaControl", "QueryInterface IMediaSeeking",
            "QueryInterface IVideoWindow", "QueryInterface IBasicVideo", "QueryInterface IBasicAudio",
            "SetNotifyWindow 1,1044,0", "get_Visible", "put_Owner app", "put_WindowStyle 1174405120",
            "GetVideoSize", "SetWindowPosition 0,0,640,360", "SetWindowPosition 0,0,640,360", "Pause", "Run",
            "put_Volume 0");
        EXPECT_EQ(ClipDuration(), 2000000);
    });
}

// A stop position inside the second tenth: the sound is cut to the frame at it, the frame that
// starts past it never goes out, and both pins end.
TEST_F(OwnSourceTest, StopPositionCutsTheSoundAndEndsBothPins)
{
    PlayOwn([] {
        ASSERT_TRUE(standin::WaitForSourceLog("sound EndOfStream"));
        size_t mark = standin::SourceLog().size();
        REFERENCE_TIME stop = 1500000;
        SeekClip(0, AM_SEEKING_AbsolutePositioning, &stop, AM_SEEKING_AbsolutePositioning);
        ASSERT_TRUE(standin::WaitForSourceLog("sound EndOfStream", 2));
        EXPECT_EQ(SourceLogSince(mark), (std::vector<std::string>{
            "sound BeginFlush", "picture BeginFlush", "sound EndFlush", "picture EndFlush",
            "SetCurrentPosition 0", "sound NewSegment 0,1500000", "picture NewSegment 0,1500000",
            "sound Receive 0,1000000 19200 discontinuity",
            "sound Receive 1000000,1500000 9600",
            "picture Receive 0,400000 921600 discontinuity",
            "picture Receive 400000,800000 921600",
            "picture Receive 800000,1200000 921600",
            "picture Receive 1200000,1600000 921600",
            "picture EndOfStream", "sound EndOfStream"}));
    });
}

// The graph asks both pins for the seek; the reader moves once, the renderers are flushed once, and
// the new segment's stamps count from its start.
TEST_F(OwnSourceTest, SeekWhileRunningFlushesAndStartsOneSegment)
{
    PlayOwn([] {
        ASSERT_TRUE(standin::WaitForSourceLog("sound EndOfStream"));
        size_t mark = standin::SourceLog().size();
        SeekToKeyFrame(1000000);
        ASSERT_TRUE(standin::WaitForSourceLog("sound EndOfStream", 2));
        EXPECT_EQ(SourceLogSince(mark), (std::vector<std::string>{
            "sound BeginFlush", "picture BeginFlush", "sound EndFlush", "picture EndFlush",
            "SetCurrentPosition 1000000", "sound NewSegment 1000000,2000000", "picture NewSegment 1000000,2000000",
            "sound Receive 0,1000000 19200 discontinuity",
            "picture Receive 200000,600000 921600 discontinuity",
            "picture Receive 600000,1000000 921600",
            "picture EndOfStream", "sound EndOfStream"}));
        EXPECT_EQ(gPlayState, Running);
    });
}

// A reader that fails, or says it failed, ends every stream; what was read goes out first.
TEST_F(OwnSourceTest, ReaderErrorEndsTheStream)
{
    const standin::ReaderRead failures[] = {{1, 400000, 400000, 0, MF_SOURCE_READERF_ERROR},
                                            {1, 400000, 400000, 0, 0, E_FAIL}};
    for (const standin::ReaderRead &failure : failures) {
        standin::Reset();
        standin::ReaderClip clip = SoundAndPicture();
        clip.reads = {clip.reads[0], clip.reads[1], failure, clip.reads[2]};
        PlayOwn([] {
            ASSERT_TRUE(standin::WaitForSourceLog("sound EndOfStream"));
            EXPECT_EQ(SourceLogSince(7), (std::vector<std::string>{
                "sound Receive 0,1000000 19200 discontinuity",
                "picture Receive 0,400000 921600 discontinuity",
                "picture EndOfStream", "sound EndOfStream"}));
        }, clip);
        standin::ExpectAllReleased();
    }
}

// The calls that lead up to the engine's own graph, then that graph rendered, shown and run.
std::vector<std::string> EngineRoad(std::vector<std::string> calls)
{
    calls.push_back(std::string("RenderFile ") + kClip);
    for (const char *call : {"QueryInterface IMediaControl", "QueryInterface IMediaSeeking",
                             "QueryInterface IVideoWindow", "QueryInterface IBasicVideo", "QueryInterface IBasicAudio",
                             "SetNotifyWindow 1,1044,0", "get_Visible", "put_Owner app", "put_WindowStyle 1174405120",
                             "GetVideoSize", "SetWindowPosition 0,0,640,360", "SetWindowPosition 0,0,640,360", "Pause",
                             "GetState 2000", "Run", "put_Volume 0"})
        calls.push_back(call);
    return calls;
}

// A clip the source cannot take whole goes to the engine: sound with no decoder in the same graph,
// as nothing was added to it, and a picture the graph cannot render, after the sound was connected,
// in a fresh one.
TEST_F(OwnSourceTest, ClipTheSourceCannotTakeGoesToRenderFile)
{
    standin::ReaderClip undecodable = SoundAndPicture();
    undecodable.streams[0].decodes = false;
    standin::AddClip(kClip, {});
    PlayOwn([] {
        EXPECT_EQ(CallsSince(0), EngineRoad({"CoCreateInstance FilterGraph", "QueryInterface IMediaEventEx"}));
        EXPECT_TRUE(standin::SourceLog().empty());
        EXPECT_EQ(pSource, nullptr);
        EXPECT_EQ(standin::LiveSourceObjects(), 0);
    }, undecodable);

    standin::Reset();
    standin::AddClip(kClip, {});
    int renders = 0;
    standin::BeforeGraphCall("Render", [&] {
        if (++renders == 2)
            standin::FailGraphCallOnce("Render", E_FAIL);
    });
    PlayOwn([] {
        EXPECT_EQ(CallsSince(0), EngineRoad({"CoCreateInstance FilterGraph", "QueryInterface IMediaEventEx",
                                             "AddFilter Lumetrone source", "Render", "Render", "RemoveFilter",
                                             "CoCreateInstance FilterGraph", "QueryInterface IMediaEventEx"}));
        EXPECT_EQ(standin::SourceLog(), (std::vector<std::string>{kPlayed[0], kPlayed[1]}));
        EXPECT_EQ(pSource, nullptr);
        EXPECT_EQ(standin::LiveSourceObjects(), 0);
    });

    // A Windows with no Media Foundation (its N editions) still starts, and the engine plays the clip.
    standin::Reset();
    standin::RemoveMediaFoundation();
    standin::AddClip(kClip, {});
    PlayOwn([] {
        EXPECT_EQ(CallsSince(0), EngineRoad({"CoCreateInstance FilterGraph", "QueryInterface IMediaEventEx"}));
        EXPECT_EQ(gPlayState, Running);
        EXPECT_EQ(pSource, nullptr);
    });
}

// The place is the source's own account from the start times the graph hands it, whatever the
// graph's own count says: play 3 s, pause 1 s, play 1 s, pause 3 s reads 4 s.
TEST_F(OwnSourceTest, PlaceFollowsTheSourcesOwnAccountOverPauses)
{
    // No duration known, so no end: the renderers here take the short clip whole at once, and a
    // stream whose end has gone out is at its end.
    standin::ReaderClip clip = SoundAndPicture();
    clip.duration = 0;
    PlayOwn([] {
        standin::SetGraphPosition(123456789);
        standin::AdvanceReferenceClock(30000000);
        EXPECT_EQ(CurrentPosition(), 30000000);
        PausePlay();
        standin::AdvanceReferenceClock(10000000);
        EXPECT_EQ(CurrentPosition(), 30000000);
        PausePlay();
        standin::AdvanceReferenceClock(10000000);
        EXPECT_EQ(CurrentPosition(), 40000000);
        PausePlay();
        standin::AdvanceReferenceClock(30000000);
        EXPECT_EQ(CurrentPosition(), 40000000);
        EXPECT_EQ(gPlayState, Paused);
        SeekToKeyFrame(100000000);
        EXPECT_EQ(CurrentPosition(), 100000000);
    }, clip);
}

// Closing the clip lets go of the filter, and with it of the reader, its samples and types, the
// renderers, their buffers and the clock, while the player goes on.
TEST_F(OwnSourceTest, ClosingTheClipReleasesEveryReference)
{
    PlayOwn([] {
        ASSERT_TRUE(standin::WaitForSourceLog("sound EndOfStream"));
        EXPECT_GT(standin::LiveSourceObjects(), 0);
        CloseClip();
        EXPECT_EQ(standin::LiveSourceObjects(), 0);
        EXPECT_EQ(standin::LiveGraphReferences(), 0);
        EXPECT_EQ(pSource, nullptr);
    });
}
