// Paths, the code-page chooser and the one message box.
#include "player_test.h"

TEST(Paths, SplitAndNameOfEveryShape)
{
    struct Case { const char *path, *name, *folder; };
    const Case cases[] = {
        {"C:\\media\\talk.wmv", "talk.wmv", "C:\\media"},
        {"C:\\clip.wmv", "clip.wmv", "C:"},
        {"C:/media\\clip.mp3", "clip.mp3", "C:/media"},
        {"C:\\media/clip.mp3", "clip.mp3", "C:\\media"},
        {"talk.wmv", "talk.wmv", "talk.wmv"},
        {"C:\\media\\", "", "C:\\media"},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        char name[PATH_BYTES] = "junk", folder[PATH_BYTES] = "junk", only[PATH_BYTES] = "junk";
        SplitPath(c.path, name, folder);
        FileNameOf(c.path, only);
        EXPECT_STREQ(name, c.name) << c.path;
        EXPECT_STREQ(folder, c.folder) << c.path;
        EXPECT_STREQ(only, c.name) << c.path;
    }
}

// Copies stop at the buffer's end; a join that would not fit is refused and left empty, never cut.
TEST(Paths, OverlongInputIsHeldToTheBufferAndJoinsAreNeverCut)
{
    std::string path = "C:\\" + std::string(800, 'a');
    char name[PATH_BYTES], folder[PATH_BYTES], joined[PATH_BYTES];
    SplitPath(path.c_str(), name, folder);
    EXPECT_EQ(strlen(name), 3u * 259 - 3);
    EXPECT_STREQ(folder, "C:");
    EXPECT_TRUE(JoinPath(joined, std::string(700, 'f').c_str(), std::string(76, 'n').c_str()));
    EXPECT_EQ(strlen(joined), 3u * 259);
    EXPECT_EQ(joined[700], '\\');
    EXPECT_FALSE(JoinPath(joined, std::string(700, 'f').c_str(), std::string(77, 'n').c_str()));
    EXPECT_STREQ(joined, "");
}

TEST(Report, MessageIsCaptionedAndHoldsTwoLongestPaths)
{
    standin::Reset();
    std::string longText(2000, 'x');
    ReportMessage("%s", longText.c_str());
    ReportMessage("Error=0x%x\r\n", 0x1fu);
    ASSERT_EQ(standin::MessageBoxes().size(), 2u);
    EXPECT_EQ(standin::MessageBoxes()[0].caption, "Lumetrone");
    EXPECT_EQ(standin::MessageBoxes()[0].text, std::string(2 * PATH_BYTES - 1, 'x'));
    EXPECT_EQ(standin::MessageBoxes()[0].owner, nullptr);
    EXPECT_EQ(standin::MessageBoxes()[0].type, static_cast<UINT>(MB_OK));
    EXPECT_EQ(standin::MessageBoxes()[1].text, "Error=0x1f\r\n");
}

// The chooser decides once; each case needs a fresh process, so each is its own test.
TEST(CodePage, WindowsNtFiveAndLaterUseTheProcessCodePage)
{
    standin::Reset();
    standin::SetWindowsVersion(VER_PLATFORM_WIN32_NT, 5);
    EXPECT_EQ(GetConversionCodePage(), static_cast<UINT>(CP_ACP));
    standin::SetWindowsVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
    EXPECT_EQ(GetConversionCodePage(), static_cast<UINT>(CP_ACP)) << "chosen once per process";
}

TEST(CodePage, OlderSystemsReadTheThreadLocale)
{
    standin::Reset();
    standin::SetWindowsVersion(VER_PLATFORM_WIN32_NT, 4);
    standin::SetLocaleCodePage("1251", true);
    EXPECT_EQ(GetConversionCodePage(), 1251u);
    standin::SetLocaleCodePage("932", true);
    EXPECT_EQ(GetConversionCodePage(), 932u) << "the locale routine is asked on every call";
}

TEST(CodePage, ZeroOrNoLocaleAnswerFallsBackToTheSystemCodePage)
{
    standin::Reset();
    standin::SetWindowsVersion(VER_PLATFORM_WIN32_WINDOWS, 4);
    standin::SetLocaleCodePage("0", true);
    EXPECT_EQ(GetConversionCodePage(), standin::kSystemAnsiCodePage);
    standin::SetLocaleCodePage("", true);
    EXPECT_EQ(GetConversionCodePage(), standin::kSystemAnsiCodePage);
    standin::SetLocaleCodePage("1250", false);
    EXPECT_EQ(GetConversionCodePage(), standin::kSystemAnsiCodePage);
}
