// The player's own source before it plays: a clip the scripted reader opens, or cannot, and the
// road to the engine's own graph when the source cannot take it. The graph here renders no pin, so
// nothing streams; how the source plays in a real graph is for tests/graph/.
#include "player_test.h"

namespace {

// A sound stream, then a picture stream, as a demultiplexer offers them.
standin::ReaderClip SoundAndPicture()
{
    standin::ReaderClip clip;
    clip.streams.resize(2);
    clip.streams[1].video = true;
    return clip;
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

}  // namespace

class OwnSourceTest : public PlayerTest {
protected:
    void PlayOwn(std::function<void()> step, const standin::ReaderClip &clip = SoundAndPicture())
    {
        standin::AddReaderClip(kClip, clip);
        RunPlayer(kClip, {std::move(step)});
    }
};

// A clip the source cannot take whole goes to the engine: sound with no decoder in the same graph,
// as nothing was added to it, and a picture the graph cannot render, after the sound's pin was
// rendered, in a fresh one. Either way the reader and its types are let go at once.
TEST_F(OwnSourceTest, ClipTheSourceCannotTakeGoesToRenderFile)
{
    standin::ReaderClip undecodable = SoundAndPicture();
    undecodable.streams[0].decodes = false;
    standin::AddClip(kClip, {});
    PlayOwn([] {
        EXPECT_EQ(CallsSince(0), EngineRoad({"CoCreateInstance FilterGraph", "QueryInterface IMediaEventEx"}));
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

// A film may carry its commentary first: the sound the file marks as its default is taken, and the
// first where none is marked. The first here has no decoder, so taking it sends the clip to the engine.
TEST_F(OwnSourceTest, TheFilesDefaultSoundIsTaken)
{
    standin::ReaderClip commentaryFirst = SoundAndPicture();
    commentaryFirst.streams.insert(commentaryFirst.streams.begin(), standin::ReaderStream{});
    commentaryFirst.streams[0].decodes = false;
    commentaryFirst.streams[0].selected = false;
    PlayOwn([] { EXPECT_NE(pSource, nullptr); }, commentaryFirst);

    standin::Reset();
    for (standin::ReaderStream &stream : commentaryFirst.streams)
        stream.selected = false;
    standin::AddClip(kClip, {});
    PlayOwn([] { EXPECT_EQ(pSource, nullptr); }, commentaryFirst);
}
