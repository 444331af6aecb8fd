// The overview's band on the strip, over the progress bar and as wide: the clip's sound as far as it
// is known, each column's peak light and its RMS darker about the band's middle, the rest plain; the
// marks, A and B and the current place as lines over it. A column is summarised and drawn once, when
// its blocks are all known, into a picture of palette indices that each paint blits whole: one GDI
// call, however wide the band.
#include "app/player_state.h"
#include "engine/overview.h"
#include "presentation/presentation.h"

#include <limits.h>
#include <math.h>
#include <string.h>

static const COLORREF kPlain = 0x404040;   // not known yet: grey
static const COLORREF kKnown = 0x3A1E0E;   // behind the known sound: a dark blue
static const COLORREF kPeak = 0xEBE1AA;    // the peaks: a pale cyan
static const COLORREF kRms = 0x968728;     // the RMS: a darker teal
static const COLORREF kMark = 0x00DCFF;    // a mark: yellow
static const COLORREF kLoop = 0xFF50FF;    // A and B: magenta
static const COLORREF kPlace = 0x3C3CFF;   // the current place: red

enum BandColour { BAND_PLAIN, BAND_KNOWN, BAND_PEAK, BAND_RMS, BAND_MARK, BAND_LOOP, BAND_PLACE, BAND_COLOURS };
static const COLORREF kPalette[BAND_COLOURS] = {kPlain, kKnown, kPeak, kRms, kMark, kLoop, kPlace};

// The first block that the bar places in the column or right of it: the least i with
// columns × i × block time ≥ column × duration, as XOfTime places the block's start.
static LONGLONG FirstBlockOf(int column, int columns, REFERENCE_TIME duration)
{
    LONGLONG span = (LONGLONG)columns * OVERVIEW_BLOCK_TIME;
    // Years long, from a misbehaving engine: near enough in floating point.
    if (duration > LLONG_MAX / columns)
        return (LONGLONG)ceil((double)column * (double)duration / (double)span);
    LONGLONG product = column * duration;
    return product / span + (product % span != 0);
}

// The highest peak of blocks [from, to), and their RMS: a byte is 255 × the square root of its
// level, so a level's square, whose mean the RMS takes, is the byte's fourth power.
static void Summarise(const OverviewBlocks *blocks, LONGLONG from, LONGLONG to, BYTE *peak, BYTE *rms)
{
    BYTE highest = 0;
    ULONGLONG power = 0;
    for (LONGLONG i = from; i < to; i++) {
        OverviewBlock block = OverviewBlockAt(blocks, (int)i);
        if (block.peak > highest)
            highest = block.peak;
        ULONGLONG squared = (ULONGLONG)block.rms * block.rms;
        power += squared * squared;
    }
    *peak = highest;
    *rms = to > from ? (BYTE)(sqrt(sqrt((double)power / (double)(to - from))) + 0.5) : 0;
}

int SummariseBandColumns(const OverviewBlocks *blocks, int known, bool complete, REFERENCE_TIME duration,
                         int columns, int first, BYTE *peaks, BYTE *rms)
{
    int column = first;
    LONGLONG from = FirstBlockOf(column, columns, duration);
    for (; column < columns; column++) {
        LONGLONG to = FirstBlockOf(column + 1, columns, duration);
        if (to > known && !complete)
            break;
        // A column narrower than a block shows the block its start falls in.
        LONGLONG start = to > from ? from : from - 1;
        LONGLONG end = to > from ? to : from;
        Summarise(blocks, start, end < known ? end : known, &peaks[column], &rms[column]);
        from = to;
    }
    return column;
}

static int Stride()
{
    return (gnBandColumns + 3) & ~3;
}

static void FillRows(int column, int top, int bottom, BYTE colour)
{
    int stride = Stride();
    for (int row = top; row < bottom; row++)
        gBandPixels[row * stride + column] = colour;
}

// The rows about the band's middle that a level of the overview's scale fills, 255 the whole height.
static void FillAboutTheMiddle(int column, int level, BYTE colour)
{
    int height = (level * gnBandRows + 127) / 255;
    int top = (gnBandRows - height) / 2;
    FillRows(column, top, top + height, colour);
}

static void DrawColumn(int column)
{
    if (column >= gnBandFinal) {
        FillRows(column, 0, gnBandRows, BAND_PLAIN);
        return;
    }
    FillRows(column, 0, gnBandRows, BAND_KNOWN);
    FillAboutTheMiddle(column, gBandPeaks[column], BAND_PEAK);
    FillAboutTheMiddle(column, gBandRms[column], BAND_RMS);
}

static void CutBand(int columns, int rows, REFERENCE_TIME duration)
{
    gnBandColumns = columns;
    gnBandRows = rows;
    grtBandDuration = duration;
    gnBandFinal = 0;
    memset(gBandPixels, BAND_PLAIN, (size_t)Stride() * rows);
}

void ForgetOverviewBand()
{
    gnBandColumns = 0;
}

// A time outside the clip lies in the nearer end column, as on the bar.
static int ColumnOf(REFERENCE_TIME time)
{
    if (time < 0)
        time = 0;
    if (time > grtBandDuration)
        time = grtBandDuration;
    int column = (int)ScaleTime(gnBandColumns, time, grtBandDuration);
    return column < gnBandColumns ? column : gnBandColumns - 1;
}

// A line down the band, or the column as the overview has it again.
static void DrawLine(int column, BYTE colour, bool drawn)
{
    if (drawn)
        FillRows(column, 0, gnBandRows, colour);
    else
        DrawColumn(column);
}

// The first mark from `first` on that lies right of the column, found by halving: the marks are
// kept in ascending order.
static int FirstMarkPast(int first, int column)
{
    int end = gnBookmarks;
    while (first < end) {
        int middle = first + (end - first) / 2;
        if (ColumnOf(gBookmarks[middle]) <= column)
            first = middle + 1;
        else
            end = middle;
    }
    return first;
}

// One line for each column that holds marks, however many it holds, so a paint costs what the
// band's width can show; then A and B, and the place over everything.
static void DrawLines(bool drawn)
{
    for (int mark = 0; mark < gnBookmarks;) {
        int column = ColumnOf(gBookmarks[mark]);
        DrawLine(column, BAND_MARK, drawn);
        mark = FirstMarkPast(mark + 1, column);
    }
    if (gABState == ABMarked || gABState == ABLooping)
        DrawLine(ColumnOf(grtA), BAND_LOOP, drawn);
    if (gABState == ABLooping)
        DrawLine(ColumnOf(grtB), BAND_LOOP, drawn);
    DrawLine(ColumnOf(grtStatusPosition), BAND_PLACE, drawn);
}

static void BlitBand(HDC dc)
{
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD          colours[BAND_COLOURS];
    } picture = {};
    picture.header.biSize = sizeof(BITMAPINFOHEADER);
    picture.header.biWidth = gnBandColumns;
    picture.header.biHeight = -gnBandRows;   // rows from the top
    picture.header.biPlanes = 1;
    picture.header.biBitCount = 8;
    picture.header.biCompression = BI_RGB;
    picture.header.biClrUsed = BAND_COLOURS;
    for (int i = 0; i < BAND_COLOURS; i++) {
        picture.colours[i].rgbRed = (BYTE)kPalette[i];
        picture.colours[i].rgbGreen = (BYTE)(kPalette[i] >> 8);
        picture.colours[i].rgbBlue = (BYTE)(kPalette[i] >> 16);
    }
    StretchDIBits(dc, giProgressLeft, giBandTop, giProgressWidth, giBandHeight, 0, 0, gnBandColumns, gnBandRows,
                  gBandPixels, (const BITMAPINFO *)&picture, DIB_RGB_COLORS, SRCCOPY);
}

// The band is cut afresh when the bar's width, the band's height or the duration changes; then
// only the columns newly known are summarised and drawn. The lines are drawn for the blit alone.
void PaintOverviewBand(HDC dc, const OverviewBlocks *blocks, int known, bool complete)
{
    int columns = giProgressWidth < BAND_MAX_COLUMNS ? giProgressWidth : BAND_MAX_COLUMNS;
    int rows = giBandHeight < BAND_MAX_ROWS ? giBandHeight : BAND_MAX_ROWS;
    if (columns <= 0 || rows <= 0 || grtStatusDuration <= 0)
        return;
    if (columns != gnBandColumns || rows != gnBandRows || grtStatusDuration != grtBandDuration)
        CutBand(columns, rows, grtStatusDuration);
    int first = gnBandFinal;
    gnBandFinal = SummariseBandColumns(blocks, known, complete, grtBandDuration, columns, first, gBandPeaks, gBandRms);
    for (int column = first; column < gnBandFinal; column++)
        DrawColumn(column);
    DrawLines(true);
    BlitBand(dc);
    DrawLines(false);
}
