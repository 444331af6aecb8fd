// Export marks: each format written out whole, the cues' ends, the notes' escaping, and the format
// taken from the name typed or the type chosen.
#include <gtest/gtest.h>

#include <string>

#include "navigation/export_marks.h"

// 2 s without a note; 5.5 s with a comma and quotes in German; 30 s in Japanese; 38.2504321 s
// without one, in a clip of 41 s. The second cue meets the 10 s cap, the last the clip's end.
static const REFERENCE_TIME kMarks[] = {20000000, 55000000, 300000000, 382504321};
static const char *const kNotes[] = {nullptr, "Zeuge \xC3\xA4ndert Aussage, \"sicher\"",
                                     "\xE8\xA8\xBC\xE4\xBA\xBA\xE3\x81\x8C", nullptr};
static const MarkExport kClip = {kMarks, kNotes, 4, 410000000};

static std::string Exported(MarkExportFormat format, const MarkExport &marks)
{
    ExportText out;
    EXPECT_TRUE(FormatMarkExport(format, &marks, &out));
    std::string text(out.text ? out.text : "", out.length);
    FreeExportText(&out);
    return text;
}

TEST(ExportMarks, EachFormatWritesEveryMarkWithItsNoteOrItsNumber)
{
    EXPECT_EQ(Exported(SubRipExport, kClip),
              "1\r\n00:00:02,000 --> 00:00:05,500\r\nMark 1\r\n\r\n"
              "2\r\n00:00:05,500 --> 00:00:15,500\r\nZeuge \xC3\xA4ndert Aussage, \"sicher\"\r\n\r\n"
              "3\r\n00:00:30,000 --> 00:00:38,250\r\n\xE8\xA8\xBC\xE4\xBA\xBA\xE3\x81\x8C\r\n\r\n"
              "4\r\n00:00:38,250 --> 00:00:41,000\r\nMark 4\r\n\r\n");
    EXPECT_EQ(Exported(WebVttExport, kClip),
              "WEBVTT\n"
              "\n1\n00:00:02.000 --> 00:00:05.500\nMark 1\n"
              "\n2\n00:00:05.500 --> 00:00:15.500\nZeuge \xC3\xA4ndert Aussage, \"sicher\"\n"
              "\n3\n00:00:30.000 --> 00:00:38.250\n\xE8\xA8\xBC\xE4\xBA\xBA\xE3\x81\x8C\n"
              "\n4\n00:00:38.250 --> 00:00:41.000\nMark 4\n");
    EXPECT_EQ(Exported(LabelExport, kClip),
              "2.0000000\t5.5000000\tMark 1\n"
              "5.5000000\t15.5000000\tZeuge \xC3\xA4ndert Aussage, \"sicher\"\n"
              "30.0000000\t38.2504321\t\xE8\xA8\xBC\xE4\xBA\xBA\xE3\x81\x8C\n"
              "38.2504321\t41.0000000\tMark 4\n");
    EXPECT_EQ(Exported(CsvExport, kClip),
              "\xEF\xBB\xBFNumber,Seconds,Time,Note\r\n"
              "1,2.000,0:00:02.000,Mark 1\r\n"
              "2,5.500,0:00:05.500,\"Zeuge \xC3\xA4ndert Aussage, \"\"sicher\"\"\"\r\n"
              "3,30.000,0:00:30.000,\xE8\xA8\xBC\xE4\xBA\xBA\xE3\x81\x8C\r\n"
              "4,38.250,0:00:38.250,Mark 4\r\n");
}

TEST(ExportMarks, CuesEndAtTheNextLaterMarkTheCapOrTheClipsEnd)
{
    // Past an hour, to the millisecond; a twin mark ends at the next later one; the last is held to
    // 10 s in a long clip, and to 10 s where the clip's length is not known.
    const REFERENCE_TIME marks[] = {37230456789, 37230456789, 37250000000};
    const MarkExport longClip = {marks, nullptr, 3, 72000000000};
    EXPECT_EQ(Exported(SubRipExport, longClip),
              "1\r\n01:02:03,045 --> 01:02:05,000\r\nMark 1\r\n\r\n"
              "2\r\n01:02:03,045 --> 01:02:05,000\r\nMark 2\r\n\r\n"
              "3\r\n01:02:05,000 --> 01:02:15,000\r\nMark 3\r\n\r\n");
    const MarkExport unknownLength = {marks + 2, nullptr, 1, 0};
    EXPECT_EQ(Exported(LabelExport, unknownLength), "3725.0000000\t3735.0000000\tMark 1\n");
    EXPECT_EQ(Exported(CsvExport, unknownLength),
              "\xEF\xBB\xBFNumber,Seconds,Time,Note\r\n1,3725.000,1:02:05.000,Mark 1\r\n");
    // A mark at the clip's very end is a cue of no length; a place before the start reads as 0.
    const REFERENCE_TIME edges[] = {-5, 410000000};
    const MarkExport atTheEdges = {edges, nullptr, 2, 410000000};
    EXPECT_EQ(Exported(WebVttExport, atTheEdges),
              "WEBVTT\n\n1\n00:00:00.000 --> 00:00:10.000\nMark 1\n\n2\n00:00:41.000 --> 00:00:41.000\nMark 2\n");
}

TEST(ExportMarks, NotesStayOneLineAndWebVttEscapesItsMarkup)
{
    const REFERENCE_TIME marks[] = {10000000};
    const char *const notes[] = {"Q&A <laughs>\tthen\r\nsilence"};
    const MarkExport clip = {marks, notes, 1, 20000000};
    EXPECT_EQ(Exported(WebVttExport, clip),
              "WEBVTT\n\n1\n00:00:01.000 --> 00:00:02.000\nQ&amp;A &lt;laughs&gt; then  silence\n");
    EXPECT_EQ(Exported(SubRipExport, clip), "1\r\n00:00:01,000 --> 00:00:02,000\r\nQ&A <laughs> then  silence\r\n\r\n");
    EXPECT_EQ(Exported(LabelExport, clip), "1.0000000\t2.0000000\tQ&A <laughs> then  silence\n");
    // A spreadsheet keeps the line break inside the quotes; an empty note counts as none.
    const char *const csvNotes[] = {"two\r\nlines"};
    const MarkExport csvClip = {marks, csvNotes, 1, 20000000};
    EXPECT_EQ(Exported(CsvExport, csvClip),
              "\xEF\xBB\xBFNumber,Seconds,Time,Note\r\n1,1.000,0:00:01.000,\"two\r\nlines\"\r\n");
    const char *const empty[] = {""};
    const MarkExport emptyNote = {marks, empty, 1, 20000000};
    EXPECT_EQ(Exported(LabelExport, emptyNote), "1.0000000\t2.0000000\tMark 1\n");
}

TEST(ExportMarks, TheExtensionTypedWinsOverTheTypeChosen)
{
    const struct { const char *path; DWORD type; MarkExportFormat format; } cases[] = {
        {"C:\\notes\\talk.vtt", 1, WebVttExport}, {"C:\\notes\\talk.CSV", 1, CsvExport},
        {"C:\\notes\\talk.Txt", 2, LabelExport}, {"C:\\notes\\talk.srt", 4, SubRipExport},
        {"C:\\notes\\talk", 3, LabelExport}, {"C:\\notes\\talk.doc", 2, WebVttExport},
        {"C:\\notes\\talk.srtx", 4, CsvExport}, {"C:\\notes.csv\\talk", 2, WebVttExport},
        {"C:/notes.vtt/talk", 3, LabelExport}, {"C:\\notes\\talk.", 4, CsvExport},
        {"C:\\notes\\talk", 0, SubRipExport}, {"C:\\notes\\talk", 5, SubRipExport},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ExportFormatFor(c.path, c.type), c.format) << c.path << " as type " << c.type;
}
