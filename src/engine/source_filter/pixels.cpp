// Frames from the decoders (YUV, studio or full range) to full-range RGB, in integer arithmetic.
#include "engine/source_filter/pixels.h"

#include <mfapi.h>

// Rows wider than the widest frame a decoder gives are not believed.
static const LONG kMaxPitch = 4 * 16384;

static BYTE Clamp(int value)
{
    return value < 0 ? 0 : value > 255 ? 255 : (BYTE)value;
}

// The colour matrices' coefficients, scaled by 256: luma's gain above its black, red from V, green
// from U and V, blue from U. Full range keeps luma as it is and gives chroma its whole span.
struct ColourMatrix { int luma, black, redV, greenU, greenV, blueU; };
static const ColourMatrix kStudio601 = {298, 16, 409, 100, 208, 516};
static const ColourMatrix kStudio709 = {298, 16, 459, 55, 136, 541};
static const ColourMatrix kFull601 = {256, 0, 359, 88, 183, 454};
static const ColourMatrix kFull709 = {256, 0, 403, 48, 120, 475};

static const ColourMatrix *MatrixOf(const FrameLayout *layout)
{
    if (layout->fullRange)
        return layout->bt709 ? &kFull709 : &kFull601;
    return layout->bt709 ? &kStudio709 : &kStudio601;
}

static void PutPixel(BYTE *out, int y, int u, int v, const ColourMatrix *m)
{
    int c = m->luma * (y - m->black);
    int d = u - 128;
    int e = v - 128;
    out[0] = Clamp((c + m->blueU * d + 128) >> 8);
    out[1] = Clamp((c - m->greenU * d - m->greenV * e + 128) >> 8);
    out[2] = Clamp((c + m->redV * e + 128) >> 8);
    out[3] = 0;
}

// Where the converted pixels go: the first decoded pixel's place, and the bytes from one pixel to
// the next along a decoded row and from one decoded row to the next. Turned a quarter, each decoded
// row goes down or up a column of the picture.
struct PixelWalk { BYTE *first; ptrdiff_t pixelStep, rowStep; };

static PixelWalk WalkUpright(const FrameLayout *layout, BYTE *rgb, LONG rgbStride)
{
    ptrdiff_t lastX = layout->shownWidth - 1, lastY = layout->shownHeight - 1, stride = rgbStride;
    switch (layout->rotation) {
    case 90:   // decoded (x, y) shown at column lastY - y, row x
        return {rgb + 4 * lastY, stride, -4};
    case 180:  // at column lastX - x, row lastY - y
        return {rgb + lastY * stride + 4 * lastX, -4, -stride};
    case 270:  // at column y, row lastX - x
        return {rgb + lastX * stride, -stride, 4};
    default:
        return {rgb, 4, stride};
    }
}

// 4:2:0 frames, planar (I420, YV12: step 1) or with the chroma interleaved (NV12: step 2, cr at cb + 1).
static void Yuv420ToRgb32(const BYTE *luma, LONG lumaStride, const BYTE *cb, const BYTE *cr, LONG chromaStride,
                          int chromaStep, int width, int height, const ColourMatrix *m, const PixelWalk *walk)
{
    for (int row = 0; row < height; row++) {
        const BYTE *y = luma + (ptrdiff_t)row * lumaStride;
        const BYTE *u = cb + (ptrdiff_t)(row / 2) * chromaStride;
        const BYTE *v = cr + (ptrdiff_t)(row / 2) * chromaStride;
        BYTE *out = walk->first + row * walk->rowStep;
        for (int x = 0; x < width; x++, out += walk->pixelStep)
            PutPixel(out, y[x], u[x / 2 * chromaStep], v[x / 2 * chromaStep], m);
    }
}

// 4:2:2 frames packed as Y0 U Y1 V.
static void Yuy2ToRgb32(const BYTE *packed, LONG packedStride, int width, int height, const ColourMatrix *m,
                        const PixelWalk *walk)
{
    for (int row = 0; row < height; row++) {
        const BYTE *in = packed + (ptrdiff_t)row * packedStride;
        BYTE *out = walk->first + row * walk->rowStep;
        for (int x = 0; x < width; x++, out += walk->pixelStep)
            PutPixel(out, in[2 * x], in[x / 2 * 4 + 1], in[x / 2 * 4 + 3], m);
    }
}

// A quarter turn either way stands the frame on its side.
static bool OnItsSide(const FrameLayout *layout) { return layout->rotation == 90 || layout->rotation == 270; }

LONG UprightWidth(const FrameLayout *layout)  { return OnItsSide(layout) ? layout->shownHeight : layout->shownWidth; }
LONG UprightHeight(const FrameLayout *layout) { return OnItsSide(layout) ? layout->shownWidth : layout->shownHeight; }

// Where the planes lie: decoders pad each plane's rows (to 4 bytes, 16 or more) and an odd frame's
// luma to an even count of rows, and do not always say so. A buffer of whole padded rows tells
// them by its length, else the type's stride does.
struct Planes { LONG lumaPitch, chromaPitch, lumaRows; };

static LONG RoundUp(LONG value, LONG to)
{
    return (value + to - 1) / to * to;
}

static Planes FindPlanes(const FrameLayout *layout, DWORD length, bool packed, bool planar, LONG least)
{
    LONG chromaRows = packed ? 0 : (layout->height + 1) / 2;
    const LONG lumaRows[] = {layout->height, (layout->height + 1) & ~1};
    for (LONG rows : lumaRows) {
        for (LONG align = 1; align <= 256; align *= 2) {
            Planes found = {RoundUp(least, align), 0, rows};
            found.chromaPitch = planar ? RoundUp((layout->width + 1) / 2, align) : found.lumaPitch;
            DWORD chromaBytes = (DWORD)found.chromaPitch * (DWORD)chromaRows * (planar ? 2 : 1);
            if ((DWORD)found.lumaPitch * (DWORD)rows + chromaBytes == length)
                return found;
        }
    }
    LONG pitch = layout->stride > 0 ? layout->stride : least;
    return {pitch, planar ? pitch / 2 : pitch, layout->height};
}

bool ConvertDecodedFrame(const FrameLayout *layout, const BYTE *data, DWORD length, BYTE *rgb, LONG rgbStride)
{
    if (layout->left < 0 || layout->top < 0 || layout->shownWidth < 1 || layout->shownHeight < 1 ||
        layout->left + layout->shownWidth > layout->width || layout->top + layout->shownHeight > layout->height)
        return false;
    // Chroma covers pixel pairs, so an odd frame's rows hold a last pair of their own.
    bool packed = IsEqualGUID(layout->subtype, MFVideoFormat_YUY2);
    LONG evenWidth = (layout->width + 1) & ~1;
    LONG least = packed ? evenWidth * 2 : evenWidth;
    bool planar = !packed && !IsEqualGUID(layout->subtype, MFVideoFormat_NV12);
    Planes planes = FindPlanes(layout, length, packed, planar, least);
    LONG pitch = planes.lumaPitch;
    if (pitch < least || pitch > kMaxPitch)
        return false;
    DWORD lumaBytes = (DWORD)pitch * (DWORD)planes.lumaRows;
    PixelWalk walk = WalkUpright(layout, rgb, rgbStride);
    const BYTE *luma = data + (DWORD)layout->top * pitch + layout->left * (packed ? 2 : 1);
    if (packed) {
        if (length < lumaBytes)
            return false;
        Yuy2ToRgb32(luma, pitch, layout->shownWidth, layout->shownHeight, MatrixOf(layout), &walk);
        return true;
    }
    DWORD chromaRows = (DWORD)(layout->height + 1) / 2;
    DWORD chromaTop = (DWORD)layout->top / 2;
    if (IsEqualGUID(layout->subtype, MFVideoFormat_NV12)) {
        if (length < lumaBytes + (DWORD)pitch * chromaRows)
            return false;
        const BYTE *cb = data + lumaBytes + chromaTop * pitch + layout->left;
        Yuv420ToRgb32(luma, pitch, cb, cb + 1, pitch, 2, layout->shownWidth, layout->shownHeight, MatrixOf(layout),
                      &walk);
        return true;
    }
    LONG chromaPitch = planes.chromaPitch;
    if (chromaPitch < evenWidth / 2)
        return false;
    DWORD chromaBytes = (DWORD)chromaPitch * chromaRows;
    if (length < lumaBytes + 2 * chromaBytes)
        return false;
    const BYTE *first = data + lumaBytes + chromaTop * chromaPitch + layout->left / 2;
    const BYTE *second = first + chromaBytes;
    bool uFirst = IsEqualGUID(layout->subtype, MFVideoFormat_IYUV);
    Yuv420ToRgb32(luma, pitch, uFirst ? first : second, uFirst ? second : first, chromaPitch, 1,
                  layout->shownWidth, layout->shownHeight, MatrixOf(layout), &walk);
    return true;
}
