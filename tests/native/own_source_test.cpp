// The player's own source before it plays: a clip the scripted reader opens, or cannot, and the
// road to the engine's own graph when the source cannot take it. The graph here renders no pin, so
// nothing streams; how the source plays in a real graph is for tests/graph/.
#include "player_test.h"
#include "engine/source_filter/source_filter.h"

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

// The levelling and the side heard are the user's, reach the own source as it opens and as they are
// chosen, and are greyed, and left as they are, while the engine's graph plays a clip.
TEST_F(OwnSourceTest, LevellingAndChannelsAreRememberedAndReachTheOwnSourceAlone)
{
    auto setting = [](const char *name) {
        DWORD type = 0, value = 0xFFFF;
        std::string data;
        if (standin::RegistryValue(kRecordKey, name, &type, &data) && type == REG_DWORD && data.size() == 4)
            memcpy(&value, data.data(), 4);
        return value;
    };
    auto source = [] { return static_cast<SourceFilter *>(pSource); };
    PlayOwn([&] {
        ASSERT_NE(pSource, nullptr);
        EXPECT_FALSE(source()->levelling) << "off by default";
        EXPECT_EQ(source()->side, BothSides);
        EXPECT_FALSE(standin::MenuItemChecked(ghMenu, IDM_LEVELLING));
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_SIDES_BOTH));
        for (UINT item : {IDM_LEVELLING, IDM_SIDES_BOTH, IDM_SIDES_LEFT, IDM_SIDES_RIGHT})
            EXPECT_FALSE(standin::MenuItemGrayed(ghMenu, item)) << item;
        Char('v');
        Command(IDM_SIDES_RIGHT);
        EXPECT_TRUE(source()->levelling);
        EXPECT_EQ(source()->side, RightSide);
        EXPECT_EQ(setting("levelling"), 1u);
        EXPECT_EQ(setting("channels"), 2u);
        EXPECT_TRUE(standin::MenuItemChecked(ghMenu, IDM_LEVELLING));
        for (UINT item : {IDM_SIDES_BOTH, IDM_SIDES_LEFT, IDM_SIDES_RIGHT})
            EXPECT_EQ(standin::MenuItemChecked(ghMenu, item), item == IDM_SIDES_RIGHT) << item;
    });
    gbLevelling = FALSE;  // a new run of the program knows only what was stored
    giSideHeard = 0;
    PlayOwn([&] {
        EXPECT_TRUE(source()->levelling) << "as the last run left it";
        EXPECT_EQ(source()->side, RightSide);
        Command(IDM_LEVELLING);
        Command(IDM_SIDES_LEFT);
        EXPECT_FALSE(source()->levelling);
        EXPECT_EQ(source()->side, LeftSide);
        EXPECT_EQ(setting("levelling"), 0u);
        EXPECT_EQ(setting("channels"), 1u);
    });

    standin::ReaderClip undecodable = SoundAndPicture();
    undecodable.streams[0].decodes = false;
    standin::AddClip(kClip, {});
    PlayOwn([&] {
        ASSERT_EQ(pSource, nullptr);
        for (UINT item : {IDM_LEVELLING, IDM_SIDES_BOTH, IDM_SIDES_LEFT, IDM_SIDES_RIGHT})
            EXPECT_TRUE(standin::MenuItemGrayed(ghMenu, item)) << item;
        Char('v');
        Command(IDM_SIDES_BOTH);
        EXPECT_EQ(setting("levelling"), 0u) << "nothing changes";
        EXPECT_EQ(setting("channels"), 1u);
        Key(VK_F12);
        for (UINT item : {IDM_LEVELLING, IDM_SIDES_BOTH, IDM_SIDES_LEFT, IDM_SIDES_RIGHT})
            EXPECT_FALSE(standin::MenuItemGrayed(ghMenu, item)) << "with no clip, for the next " << item;
    }, undecodable);
}
