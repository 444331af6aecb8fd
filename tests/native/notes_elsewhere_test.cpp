// F10 and F11 from another program's notes: the place typed as Unicode key events, and the first
// time in a selection found, gone to, with the clipboard put back as it was.
#include "player_test.h"

#include <string.h>

static const REFERENCE_TIME kSecond = 10000000;

static std::string Shown(const wchar_t *text)
{
    std::string shown;
    for (; *text; text++)
        shown += *text < 128 ? static_cast<char>(*text) : '?';
    return shown;
}

TEST(TimeInText, FindsTheFirstTimeThatStandsApart)
{
    const std::pair<const wchar_t *, REFERENCE_TIME> found[] = {
        {L"[0:41:07] Q3 starts", 24670000000}, {L"41:07", 24670000000}, {L"1:02:03.5", 37235000000},
        {L"at 12:34 the witness", 7540000000}, {L"[0:12]", 120000000}, {L"(3:05.25)", 1852500000},
        {L"0:00:01.1234567", 11234567}, {L"0:01.123456789", 11234567},
        {L"\x65e5\x672c 2:03 \x65e5", 1230000000},               // amid any script
        {L"t:12:34", 7540000000}, {L"12:34: she says", 7540000000}, {L"ends at 1:00.", 600000000},
        {L"12:34:56:07 then 5:00", 3000000000}, {L"1:2 and 0:70 and 1:02:3 but 2:00", 1200000000},
        {L"125:00", 75000000000}, {L"9:59:59 and 0:01", 359990000000},
    };
    for (const auto &c : found) {
        REFERENCE_TIME time = -1;
        EXPECT_TRUE(FindTimeInText(c.first, wcslen(c.first), &time)) << Shown(c.first);
        EXPECT_EQ(time, c.second) << Shown(c.first);
    }
    const wchar_t *const none[] = {L"", L"no time here", L"12", L"12:3", L"1:60", L"x12:34", L"12:34x", L"12:34_",
                                   L"v1.12:30", L"12:34:56:07", L"12:34.5.6", L"1:02:03:04", L"112:34:00:00",
                                   L"1234567890123:00", L"99999999999:00:00", L":30"};
    for (const wchar_t *text : none) {
        REFERENCE_TIME time = 7;
        EXPECT_FALSE(FindTimeInText(text, wcslen(text), &time)) << Shown(text);
        EXPECT_EQ(time, 7) << Shown(text);
    }
    // Text without its terminator is read no further than it goes.
    const wchar_t cut[] = {'a', ' ', '1', ':', '0', '2', ':', '0', '3'};
    REFERENCE_TIME time = 0;
    EXPECT_TRUE(FindTimeInText(cut, 6, &time));
    EXPECT_EQ(time, 620000000) << "1:02, the rest beyond the length";
}

struct ClipboardContent {
    UINT format;
    std::string bytes;
    bool operator==(const ClipboardContent &other) const { return format == other.format && bytes == other.bytes; }
};

static std::ostream &operator<<(std::ostream &out, const ClipboardContent &c)
{
    return out << "format " << c.format << ", " << c.bytes.size() << " bytes";
}

class NotesElsewhereTest : public PlayerTest {
protected:
    // As another program puts data on the clipboard; no format empties it.
    static void PutOnClipboard(const ClipboardContent &content)
    {
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        if (content.format) {
            HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, content.bytes.size());
            memcpy(GlobalLock(memory), content.bytes.data(), content.bytes.size());
            GlobalUnlock(memory);
            SetClipboardData(content.format, memory);
        }
        CloseClipboard();
    }

    static ClipboardContent OnClipboard()
    {
        ClipboardContent content = {0, ""};
        EXPECT_TRUE(OpenClipboard(nullptr));
        content.format = EnumClipboardFormats(0);
        HANDLE data = GetClipboardData(content.format);
        if (data) {
            content.bytes.assign(static_cast<const char *>(GlobalLock(data)), GlobalSize(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return content;
    }

    static ClipboardContent Text(const wchar_t *text)
    {
        return {CF_UNICODETEXT, std::string(reinterpret_cast<const char *>(text), (wcslen(text) + 1) * sizeof(wchar_t))};
    }

    // What the keyboard events sent type: each character a Unicode down and up, nothing else.
    static std::string Typed()
    {
        std::string text;
        const std::vector<INPUT> &sent = standin::SentInput();
        for (size_t i = 0; i < sent.size(); i++) {
            const KEYBDINPUT &key = sent[i].ki;
            bool up = i % 2 == 1;
            if (sent[i].type != INPUT_KEYBOARD || key.wVk != 0 ||
                key.dwFlags != (KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0u)) || (up && key.wScan != sent[i - 1].ki.wScan))
                return "<not Unicode key downs and ups>";
            if (!up)
                text += static_cast<char>(key.wScan);
        }
        return text;
    }

    static void HotKey(UINT vk) { SendMessageA(ghApp, WM_HOTKEY, vk, MAKELPARAM(0, vk)); }

    // The program in front: on Ctrl+C it copies its selection, if it has one.
    static void CopiesOnCtrlC(const ClipboardContent &selection)
    {
        standin::WhenInputSent([selection] {
            std::vector<std::string> keys;
            for (const INPUT &input : standin::SentInput())
                keys.push_back(std::to_string(input.ki.wVk) + ((input.ki.dwFlags & KEYEVENTF_KEYUP) ? " up" : " down"));
            EXPECT_EQ(keys, (std::vector<std::string>{"17 down", "67 down", "67 up", "17 up"}));
            if (selection.format)
                PutOnClipboard(selection);
        });
    }
};

TEST_F(NotesElsewhereTest, F10TypesThePlaceAsTheStripShowsItAndLeavesTheClipboardAlone)
{
    struct Case { REFERENCE_TIME duration, position; const char *typed; };
    const Case cases[] = {
        {600000000, 70000000, "[0:07] "},
        {36000000000, 37230000000, "[1:02:03] "},
        {72000000000, 70000000, "[0:00:07] "},          // a clip of an hour shows its hours throughout
    };
    for (const Case &c : cases) {
        standin::Reset();
        standin::Clip clip;
        clip.duration = c.duration;
        Play([&] {
            PutOnClipboard(Text(L"notes"));
            SetForegroundWindow(standin::AddForeignTopLevelWindow());
            standin::SetGraphPosition(c.position);
            HotKey(VK_F10);
            EXPECT_EQ(Typed(), c.typed);
            EXPECT_EQ(OnClipboard(), Text(L"notes"));
        }, clip);
        EXPECT_TRUE(standin::MessageBoxes().empty());
    }
}

// Typed into the player itself the time would come back as keys ('[' slows it, '0' goes to the
// start); F11 there would press Ctrl+C on the player. Without a clip there is no place.
TEST_F(NotesElsewhereTest, InThePlayersOwnWindowsAndWithoutAClipTheKeysDoNothing)
{
    Play([] {
        standin::SetGraphPosition(70 * kSecond);
        for (HWND front : {ghApp, standin::kFullScreenVideo}) {
            SetForegroundWindow(front);
            HotKey(VK_F10);
            HotKey(VK_F11);
        }
        EXPECT_TRUE(standin::SentInput().empty());
        SetForegroundWindow(standin::AddForeignTopLevelWindow());
        CloseClip();
        HotKey(VK_F10);
        HotKey(VK_F11);
        EXPECT_TRUE(standin::SentInput().empty());
    });
    EXPECT_TRUE(standin::MessageBoxes().empty());
}

// Whatever the clipboard held comes back: text, a picture as a DIB, or nothing at all.
TEST_F(NotesElsewhereTest, F11GoesToTheSelectedTimeAndPutsTheClipboardBack)
{
    std::string dib(40 + 4 * 4, '\0');
    dib[0] = 40;                                    // a BITMAPINFOHEADER of a 2 x 2 picture, then its pixels
    dib[4] = 2, dib[8] = 2, dib[12] = 1, dib[14] = 32;
    for (size_t i = 40; i < dib.size(); i++)
        dib[i] = static_cast<char>(i * 7);
    const ClipboardContent kinds[] = {Text(L"earlier notes"), {CF_DIB, dib}, {0, ""}};
    for (const ClipboardContent &held : kinds) {
        standin::Reset();
        Play([&] {
            SetForegroundWindow(standin::AddForeignTopLevelWindow());
            PutOnClipboard(held);
            standin::SetGraphPosition(50 * kSecond);
            gABState = ABLooping;
            CopiesOnCtrlC(Text(L"Q3 [0:12] starts"));
            HotKey(VK_F11);
            EXPECT_EQ(OnClipboard(), held);
            EXPECT_EQ(standin::GraphPosition(), 12 * kSecond);
            EXPECT_EQ(gABState, ABOff) << "the loop ends, as for Go to time";
        });
        EXPECT_TRUE(standin::MessageBoxes().empty()) << held;
    }
}

// A selection without a time, or nothing selected (the program copies nothing), moves nothing and
// says nothing; a clipboard that another program holds cannot be kept aside, and that is said.
TEST_F(NotesElsewhereTest, NoTimeSelectedMovesNothingAndSaysNothing)
{
    Play([] {
        SetForegroundWindow(standin::AddForeignTopLevelWindow());
        PutOnClipboard(Text(L"earlier notes"));
        size_t mark = Mark();
        CopiesOnCtrlC(Text(L"the witness, 12 minutes in"));
        HotKey(VK_F11);
        EXPECT_EQ(OnClipboard(), Text(L"earlier notes"));
        standin::SentInput().clear();
        CopiesOnCtrlC({0, ""});
        HotKey(VK_F11);
        EXPECT_EQ(OnClipboard(), Text(L"earlier notes"));
        EXPECT_TRUE(CallsSince(mark).empty()) << CallsSince(mark)[0];
        EXPECT_TRUE(standin::MessageBoxes().empty());

        standin::SentInput().clear();
        standin::HoldClipboard(true);
        HotKey(VK_F11);
        standin::HoldClipboard(false);
        EXPECT_TRUE(standin::SentInput().empty()) << "no copy without the clipboard kept aside";
        ASSERT_EQ(standin::MessageBoxes().size(), 1u);
        EXPECT_EQ(standin::MessageBoxes()[0].text,
                  "The selected time could not be read: another program is using the clipboard.\r\n");
    });
}
