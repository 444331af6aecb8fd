// The overviews' cache on the stand-in's files: the header written and read back, the refusal of a
// file made for anything but the clip as it is now, the names, and the bound on the folder.
#include "engine/overview_cache.h"

#include <gtest/gtest.h>
#include <standin.h>

#include <string>
#include <vector>

namespace {

const WCHAR kClip[] = L"C:\\media\\Запись.m4a";
const char kClipAnsi[] = "C:\\media\\Запись.m4a";
const ULONGLONG kFirstStamp = 133485408010000000ull;   // the stand-in's clock at its start, as a FILETIME

std::string CacheFolder() { return std::string(standin::kLocalAppData) + "\\Lumetrone\\overviews"; }

std::string Le(ULONGLONG value, int bytes)
{
    std::string text;
    for (int i = 0; i < bytes; i++)
        text += static_cast<char>((value >> (8 * i)) & 0xFF);
    return text;
}

std::string Utf16(const std::u16string &text) { return std::string(reinterpret_cast<const char *>(text.data()), 2 * text.size()); }

// Blocks whose values tell their places apart, peak from RMS and one chunk from the next.
OverviewBlock MadeBlock(int i, int seed) { return {static_cast<BYTE>(i * 7 + seed), static_cast<BYTE>(i * 3 + 1 + i / 65536)}; }

void MakeBlocks(OverviewBlocks *blocks, int count, int seed = 0)
{
    for (int i = 0; i < count; i++)
        ASSERT_TRUE(AppendOverviewBlock(blocks, MadeBlock(i, seed)));
}

// As the overview's thread goes: the read, which finds nothing, then the decode and the write.
void DecodeAndCache(const WCHAR *clip, int count, int seed = 0)
{
    OverviewBlocks blocks = {};
    EXPECT_FALSE(ReadCachedOverview(clip, &blocks));
    EXPECT_EQ(blocks.count, 0);
    MakeBlocks(&blocks, count, seed);
    CacheOverview(clip, &blocks);
    FreeOverviewBlocks(&blocks);
}

// The count of blocks read back, -1 for a refusal; *wrong counts those unlike MakeBlocks's.
int ReadBack(const WCHAR *clip, int *wrong = nullptr, int seed = 0)
{
    OverviewBlocks blocks = {};
    bool read = ReadCachedOverview(clip, &blocks);
    int count = blocks.count;
    if (wrong) {
        *wrong = 0;
        for (int i = 0; i < count; i++) {
            OverviewBlock block = OverviewBlockAt(&blocks, i), made = MadeBlock(i, seed);
            *wrong += block.peak != made.peak || block.rms != made.rms;
        }
    }
    FreeOverviewBlocks(&blocks);
    EXPECT_TRUE(read || count == 0) << "a refused file left blocks behind";
    return read ? count : -1;
}

std::string NameOf(const WCHAR *clip, ClipIdentity identity)
{
    char name[OVERVIEW_CACHE_NAME];
    OverviewCacheName(clip, &identity, name);
    return name;
}

// Where the clip's overview is kept as the clip is now.
std::string CachePath(const WCHAR *clip)
{
    ClipIdentity identity = {};
    EXPECT_TRUE(IdentifyClip(clip, &identity));
    return CacheFolder() + "\\" + NameOf(clip, identity);
}

class OverviewCacheTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    void TearDown() override { standin::ExpectAllReleased(); }
};

TEST_F(OverviewCacheTest, HeaderSaysWhatAndForWhichFileAndTheBlocksComeBackWhole)
{
    standin::PutFile(kClipAnsi, std::string(1234, 'm'));
    DecodeAndCache(kClip, 70000);   // past the first chunk

    ASSERT_EQ(standin::FilesIn(CacheFolder().c_str()), std::vector<std::string>{"56ea13241f759ea4.lov"});
    EXPECT_EQ(standin::FilesIn("C:\\media"), std::vector<std::string>{"Запись.m4a"});
    std::string content = standin::FileContent((CacheFolder() + "\\56ea13241f759ea4.lov").c_str());
    std::string header = std::string("LMOVERVW") + Le(1, 4) + Le(100000, 4) + Le(70000, 4) + Le(19, 4) +
                         Le(1234, 8) + Le(kFirstStamp, 8) + Utf16(u"C:\\media\\Запись.m4a");
    EXPECT_EQ(content.substr(0, header.size()), header);
    ASSERT_EQ(content.size(), header.size() + 2 * 70000);
    EXPECT_EQ(content.substr(header.size(), 4), std::string("\x00\x01\x07\x04", 4));
    EXPECT_EQ(content.substr(header.size() + 2 * 65536, 4), std::string("\x00\x02\x07\x05", 4));

    int wrong = -1;
    EXPECT_EQ(ReadBack(kClip, &wrong), 70000);
    EXPECT_EQ(wrong, 0);
    // The same file opened by a name in another case (the stand-in folds only ASCII names).
    EXPECT_EQ(ReadBack(L"c:\\MEDIA\\Запись.M4A"), 70000);

    // A write that fails half-way leaves the kept file as it was, and no fresh file beside it.
    standin::FailFileCall("WriteFile", ERROR_DISK_FULL);
    OverviewBlocks blocks = {};
    ASSERT_TRUE(ReadCachedOverview(kClip, &blocks));
    CacheOverview(kClip, &blocks);
    FreeOverviewBlocks(&blocks);
    EXPECT_EQ(standin::FilesIn(CacheFolder().c_str()), std::vector<std::string>{"56ea13241f759ea4.lov"});
    EXPECT_EQ(standin::FileContent((CacheFolder() + "\\56ea13241f759ea4.lov").c_str()), content);
}

// Each file here is ignored (the read answers false, so the clip is decoded) and the next write replaces it.
TEST_F(OverviewCacheTest, FileOfAnotherFormClipOrStateOrCutIsIgnoredAndReplaced)
{
    struct Case { const char *what; std::function<void(std::string *content)> make; };
    const WCHAR kSameLength[] = L"C:\\media\\Запись.mp4";
    const Case cases[] = {
        {"another program's file", [](std::string *c) { (*c)[0] = 'X'; }},
        {"a later form", [](std::string *c) { (*c)[8] = 2; }},
        {"blocks of another time", [](std::string *c) { (*c)[13] = 0; }},
        {"another clip's overview", [&](std::string *c) {
             standin::PutFile("C:\\media\\Запись.mp4", std::string(1234, 'm'));
             DecodeAndCache(kSameLength, 300);
             *c = standin::FileContent(CachePath(kSameLength).c_str());
         }},
        {"the clip grown since", [](std::string *) { standin::PutFile(kClipAnsi, std::string(1235, 'm')); }},
        {"the clip written again since", [](std::string *) {
             standin::AdvanceClock(1);
             standin::PutFile(kClipAnsi, std::string(1234, 'm'));
         }},
        {"a block short", [](std::string *c) { c->resize(c->size() - 2); }},
        {"a byte short", [](std::string *c) { c->resize(c->size() - 1); }},
        {"cut in the header", [](std::string *c) { c->resize(30); }},
        {"a byte over", [](std::string *c) { *c += 'x'; }},
        {"empty", [](std::string *c) { c->clear(); }},
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::PutFile(kClipAnsi, std::string(1234, 'm'));
        DecodeAndCache(kClip, 300);
        std::string content = standin::FileContent(CachePath(kClip).c_str());
        c.make(&content);
        standin::PutFile(CachePath(kClip).c_str(), content);   // under the name of the clip as it is now

        EXPECT_EQ(ReadBack(kClip), -1) << c.what;
        DecodeAndCache(kClip, 300, 5);
        int wrong = -1;
        EXPECT_EQ(ReadBack(kClip, &wrong, 5), 300) << c.what;
        EXPECT_EQ(wrong, 0) << c.what;
        standin::ExpectAllReleased();
    }
}

// An overview decoded while the clip was being written is of neither form: it is not kept.
TEST_F(OverviewCacheTest, ClipWrittenDuringTheDecodeIsNotKept)
{
    standin::PutFile(kClipAnsi, std::string(1234, 'm'));
    OverviewBlocks blocks = {};
    EXPECT_FALSE(ReadCachedOverview(kClip, &blocks));
    MakeBlocks(&blocks, 300);
    standin::PutFile(kClipAnsi, std::string(2000, 'm'));
    CacheOverview(kClip, &blocks);
    FreeOverviewBlocks(&blocks);
    EXPECT_TRUE(standin::FilesIn(CacheFolder().c_str()).empty());

    DecodeAndCache(kClip, 300);
    EXPECT_EQ(ReadBack(kClip), 300);
}

TEST_F(OverviewCacheTest, NameFoldsCaseAndFollowsSizeAndTime)
{
    const ClipIdentity kTalk = {1234, kFirstStamp};
    EXPECT_EQ(NameOf(L"C:\\media\\talk.m4a", kTalk), "33e2b279dadb06fb.lov");
    EXPECT_EQ(NameOf(L"c:\\MEDIA\\Talk.M4A", kTalk), "33e2b279dadb06fb.lov");
    EXPECT_EQ(NameOf(L"C:\\media\\ЗАПИСЬ.m4a", kTalk), "56ea13241f759ea4.lov");
    EXPECT_NE(NameOf(L"C:\\media\\talk.m4b", kTalk), "33e2b279dadb06fb.lov");
    EXPECT_NE(NameOf(L"C:\\media\\talk.m4a", {1235, kFirstStamp}), "33e2b279dadb06fb.lov");
    EXPECT_NE(NameOf(L"C:\\media\\talk.m4a", {1234, kFirstStamp + 1}), "33e2b279dadb06fb.lov");
    EXPECT_NE(NameOf(L"C:\\media\\talk.m4a", {1234 + (1ull << 32), kFirstStamp}), "33e2b279dadb06fb.lov");

    // The size and the time as the file system has them, the folder's search told them.
    standin::PutFile("C:\\media\\talk.m4a", std::string(1234, 'm'));
    standin::AdvanceClock(500);
    standin::PutFile(kClipAnsi, std::string(99, 'm'));
    ClipIdentity identity = {};
    ASSERT_TRUE(IdentifyClip(L"C:\\Media\\TALK.m4a", &identity));
    EXPECT_EQ(identity.bytes, 1234u);
    EXPECT_EQ(identity.written, kFirstStamp);
    ASSERT_TRUE(IdentifyClip(kClip, &identity));
    EXPECT_EQ(identity.bytes, 99u);
    EXPECT_EQ(identity.written, kFirstStamp + 5000000);
    EXPECT_FALSE(IdentifyClip(L"C:\\media\\gone.m4a", &identity));
    EXPECT_FALSE(IdentifyClip(L"C:\\media", &identity));
}

// Files of the cache, each 268 bytes (a header, 14 units of path, 100 blocks), used in turn; a read
// makes one the most recently used. Files of other names in the folder are neither counted nor touched.
TEST_F(OverviewCacheTest, LeastRecentlyUsedGoFirstAndNothingElseIsTouched)
{
    const std::string folder = CacheFolder();
    const std::vector<std::string> others = {"notes.txt", "x.lovely", "0123456789abcdef.~3F"};
    for (const std::string &other : others)
        standin::PutFile((folder + "\\" + other).c_str(), std::string(5000, 'o'));
    const WCHAR *clips[] = {L"C:\\media\\a.m4a", L"C:\\media\\b.m4a", L"C:\\media\\c.m4a", L"C:\\media\\d.m4a"};
    const char *files[] = {"C:\\media\\a.m4a", "C:\\media\\b.m4a", "C:\\media\\c.m4a", "C:\\media\\d.m4a"};
    std::vector<std::string> names;
    for (int i = 0; i < 4; i++) {
        standin::AdvanceClock(1000);
        standin::PutFile(files[i], "x");
        DecodeAndCache(clips[i], 100);
        names.push_back(CachePath(clips[i]).substr(folder.size() + 1));
    }
    EXPECT_EQ(standin::FileContent((folder + "\\" + names[0]).c_str()).size(), 268u);
    standin::AdvanceClock(1000);
    EXPECT_EQ(ReadBack(clips[0]), 100);   // a is now the most recently used, b the least

    auto own = [&]() {
        std::vector<std::string> left;
        for (const std::string &name : standin::FilesIn(folder.c_str()))
            if (name.size() > 4 && name.substr(name.size() - 4) == ".lov")
                left.push_back(name);
        return left;
    };
    KeepOverviewCacheUnder(folder.c_str(), names[3].c_str(), 4 * 268);
    EXPECT_EQ(own(), (std::vector<std::string>{names[0], names[1], names[2], names[3]}));
    KeepOverviewCacheUnder(folder.c_str(), names[3].c_str(), 3 * 268);
    EXPECT_EQ(own(), (std::vector<std::string>{names[0], names[2], names[3]}));
    // The kept one stays though it is older than the others, until it alone is too big.
    KeepOverviewCacheUnder(folder.c_str(), names[2].c_str(), 268);
    EXPECT_EQ(own(), std::vector<std::string>{names[2]});
    KeepOverviewCacheUnder(folder.c_str(), names[2].c_str(), 267);
    EXPECT_TRUE(own().empty());
    for (const std::string &other : others)
        EXPECT_EQ(standin::FileContent((folder + "\\" + other).c_str()), std::string(5000, 'o')) << other;
}

// More files than one look at the folder keeps in mind, used in an order apart from the search's.
TEST_F(OverviewCacheTest, ManyFilesGoOldestFirstOverSeveralLooks)
{
    const std::string folder = CacheFolder();
    auto path = [&](int i) { return folder + "\\" + std::to_string(1000 + i) + ".lov"; };
    for (int i = 0; i < 150; i++)
        standin::PutFile(path(i).c_str(), std::string(10, 'v'));
    for (int i = 0; i < 150; i++) {
        standin::AdvanceClock(1);
        standin::PutFile(path((i * 7) % 150).c_str(), std::string(10, 'v'));   // 0, 7, 14 ... used last: 143
    }
    KeepOverviewCacheUnder(folder.c_str(), "1007.LOV", 50);
    EXPECT_EQ(standin::FilesIn(folder.c_str()),
              (std::vector<std::string>{"1007.lov", "1122.lov", "1129.lov", "1136.lov", "1143.lov"}));
}

// After each write the folder is held to 200 MiB: a file that fills it with the one written stays;
// the next write makes it the least recently used to go.
TEST_F(OverviewCacheTest, WritesHoldTheFolderTo200MiB)
{
    const std::string old = CacheFolder() + "\\old.lov";
    standin::PutFile(old.c_str(), std::string(200 * 1024 * 1024 - 268, 'o'));
    standin::AdvanceClock(1000);
    standin::PutFile("C:\\media\\a.m4a", "x");
    standin::PutFile("C:\\media\\b.m4a", "x");
    DecodeAndCache(L"C:\\media\\a.m4a", 100);
    EXPECT_TRUE(standin::FileExists(old.c_str()));
    DecodeAndCache(L"C:\\media\\b.m4a", 100);
    EXPECT_FALSE(standin::FileExists(old.c_str()));
    EXPECT_EQ(ReadBack(L"C:\\media\\a.m4a"), 100);
    EXPECT_EQ(ReadBack(L"C:\\media\\b.m4a"), 100);
}

}  // namespace
