// The list of marks, apart from its window: its rows, the row it opens on and keeps through a
// change, the row that typing finds, and its place kept on the screen.
#include "player_test.h"

static const REFERENCE_TIME kSecond = 10000000;

static std::wstring Row(int index, REFERENCE_TIME place, REFERENCE_TIME duration, const char *note, int size = MAX_MARK_ROW)
{
    WCHAR row[MAX_MARK_ROW];
    FormatMarkRow(row, size, index, place, duration, note);
    return row;
}

// Number from 1, the time as the strip shows it (hours once the clip has them), the note as typed
// in any script; a tab or line break in a note stays in its column, and a note too long for the row
// is cut between characters, never through one.
TEST(MarkRows, ShowNumberTimeAndNoteInAnyScript)
{
    EXPECT_EQ(Row(0, 125000000, 60 * kSecond, nullptr), L"1\t0:12\t");
    EXPECT_EQ(Row(0, 125000000, 60 * kSecond, ""), L"1\t0:12\t");
    EXPECT_EQ(Row(9, 3723 * kSecond, 7200 * kSecond, "Q3 starts"), L"10\t1:02:03\tQ3 starts");
    EXPECT_EQ(Row(2, 0, 7200 * kSecond, "Свидетель меняет показания"), L"3\t0:00:00\tСвидетель меняет показания");
    EXPECT_EQ(Row(3, 41 * kSecond, 60 * kSecond, "証人の話"), L"4\t0:41\t証人の話");
    EXPECT_EQ(Row(0, 0, 60 * kSecond, "a\tb\r\nc"), L"1\t0:00\ta b  c");
    EXPECT_EQ(Row(0, 0, 60 * kSecond, "ab日本", 12), L"1\t0:00\tab") << "4 bytes of room: 日 would need 3 more";
    EXPECT_EQ(Row(0, 0, 60 * kSecond, "abc日本", 13), L"1\t0:00\tabc");
    EXPECT_EQ(Row(0, 0, 60 * kSecond, "ab日本", 13), L"1\t0:00\tab日");
}

TEST(MarkRows, OpenOnTheLatestMarkAtOrBeforeThePlace)
{
    const REFERENCE_TIME marks[] = {2 * kSecond, 5 * kSecond, 5 * kSecond, 9 * kSecond};
    const std::pair<REFERENCE_TIME, int> cases[] = {
        {5 * kSecond, 2}, {5 * kSecond - 1, 0}, {2 * kSecond, 0}, {kSecond, 0}, {0, 0}, {9 * kSecond, 3},
        {20 * kSecond, 3}, {7 * kSecond, 2}};
    for (const auto &c : cases)
        EXPECT_EQ(MarkAtOrBefore(marks, 4, c.first), c.second) << c.first;
    EXPECT_EQ(MarkAtOrBefore(marks, 0, 5 * kSecond), -1);
    const REFERENCE_TIME descending[] = {9 * kSecond, 2 * kSecond, 7 * kSecond};
    EXPECT_EQ(MarkAtOrBefore(descending, 3, 8 * kSecond), 2) << "the nearest, in any order";
    EXPECT_EQ(MarkAtOrBefore(descending, 3, 3 * kSecond), 1);
}

// A mark added or deleted elsewhere keeps the selection on its mark; the selected mark deleted, the
// row that took its place is selected, or the last.
TEST(MarkRows, SelectionStaysOnItsMarkThroughAChange)
{
    const REFERENCE_TIME added[] = {2 * kSecond, 3 * kSecond, 5 * kSecond, 7 * kSecond};
    EXPECT_EQ(RowToKeep(added, 4, 5 * kSecond, 1), 2);
    const REFERENCE_TIME deleted[] = {2 * kSecond, 7 * kSecond};
    EXPECT_EQ(RowToKeep(deleted, 2, 5 * kSecond, 1), 1);
    EXPECT_EQ(RowToKeep(deleted, 2, 9 * kSecond, 2), 1);
    EXPECT_EQ(RowToKeep(deleted, 2, 7 * kSecond, 1), 1);
    EXPECT_EQ(RowToKeep(deleted, 2, 0, -1), 0);
    EXPECT_EQ(RowToKeep(deleted, 0, 5 * kSecond, 0), -1);
    const REFERENCE_TIME twins[] = {5 * kSecond, 5 * kSecond, 6 * kSecond};
    EXPECT_EQ(RowToKeep(twins, 3, 5 * kSecond, 1), 1) << "the second of two at one place stays the second";
}

// Letters typed without a pause of a second find the next note that starts with them, whatever
// their case or script; one letter again and again steps through the notes that start with it.
TEST(MarkRows, TypingFindsTheNextNoteThatStartsWithIt)
{
    static REFERENCE_TIME marks[] = {1 * kSecond, 2 * kSecond, 3 * kSecond, 4 * kSecond, 5 * kSecond};
    static char q3[] = "Q3 starts", question[] = "question of the day", witness[] = "witness changes",
                answer[] = "Ответ свидетеля";
    static MarkNote notes[] = {{1 * kSecond, q3}, {2 * kSecond, question}, {4 * kSecond, witness},
                               {5 * kSecond, answer}};
    gBookmarks = marks;
    gnBookmarks = 5;
    gNotes = notes;
    gnNotes = 4;
    TypedSearch search = {};
    EXPECT_EQ(TypeToFindMark(&search, 'q', 1000, 0), 1) << "a new search starts after the selected row";
    EXPECT_EQ(TypeToFindMark(&search, 'U', 1500, 1), 1) << "more of the word keeps the row while it matches";
    EXPECT_EQ(TypeToFindMark(&search, 'e', 2400, 1), 1);
    EXPECT_EQ(TypeToFindMark(&search, 'x', 3000, 1), -1) << "\"quex\" is nowhere";
    EXPECT_EQ(TypeToFindMark(&search, 'q', 4001, 1), 0) << "after a pause, a new search, round to the top";
    EXPECT_EQ(TypeToFindMark(&search, 'q', 4100, 0), 1) << "the same letter again steps on";
    EXPECT_EQ(TypeToFindMark(&search, 'q', 4200, 1), 0);
    EXPECT_EQ(TypeToFindMark(&search, L'о', 6000, 0), 4) << "lower case finds upper, in any script";
    EXPECT_EQ(TypeToFindMark(&search, 'W', 8000, 4), 3) << "a row without a note is passed over";
    EXPECT_EQ(TypeToFindMark(&search, 'z', 10000, 3), -1);
    EXPECT_EQ(TypeToFindMark(&search, 'q', 12000, -1), 0) << "with nothing selected, from the top";
    gBookmarks = nullptr;
    gnBookmarks = 0;
    EXPECT_EQ(TypeToFindMark(&search, 'q', 14000, -1), -1);
    gNotes = nullptr;
    gnNotes = 0;
}

// A place kept from another screen, or a size larger than this one, comes back wholly on it.
TEST(MarkRows, PlaceComesBackOnTheScreen)
{
    const RECT work = {0, 0, 1920, 1040};
    const std::pair<RECT, RECT> cases[] = {
        {{100, 100, 500, 400}, {100, 100, 500, 400}},
        {{1800, 900, 2200, 1200}, {1520, 740, 1920, 1040}},
        {{-3000, -50, -2600, 250}, {0, 0, 400, 300}},
        {{-100, 200, 2500, 400}, {0, 200, 1920, 400}},
        {{10, 10, 310, 2010}, {10, 0, 310, 1040}},
    };
    for (const auto &c : cases) {
        RECT rect = c.first;
        KeepOnScreen(&rect, &work);
        EXPECT_EQ(rect.left, c.second.left) << c.first.left;
        EXPECT_EQ(rect.top, c.second.top) << c.first.left;
        EXPECT_EQ(rect.right, c.second.right) << c.first.left;
        EXPECT_EQ(rect.bottom, c.second.bottom) << c.first.left;
    }
}
