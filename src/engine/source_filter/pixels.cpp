// Frames from the decoders (studio-range BT.601 YUV) to full-range RGB, in integer arithmetic.
#include "engine/source_filter/pixels.h"

#include <mfapi.h>

// Rows wider than the widest frame a decoder gives are not believed.
static const LONG kMaxPitch = 4 * 16384;

static BYTE Clamp(int value)
{
    return value < 0 ? 0 : value > 255 ? 255 : (BYTE)value;
}

static void PutPixel(BYTE *out, int y, int u, int v)
{
    int c = 298 * (y - 16);
    int d = u - 128;
    int e = v - 128;
    out[0] = Clamp((c + 516 * d + 128) >> 8);
    out[1] = Clamp((c - 100 * d - 208 * e + 128) >> 8);
    out[2] = Clamp((c + 409 * e + 128) >> 8);
    out[3] = 0;
}

void Yuv420ToRgb32(const BYTE *luma, LONG lumaStride, const BYTE *cb, const BYTE *cr, LONG chromaStride,
                   int chromaStep, int width, int height, BYTE *rgb, LONG rgbStride)
{
    for (int row = 0; row < height; row++) {
        const BYTE *y = luma + (ptrdiff_t)row * lumaStride;
        const BYTE *u = cb + (ptrdiff_t)(row / 2) * chromaStride;
        const BYTE *v = cr + (ptrdiff_t)(row / 2) * chromaStride;
        BYTE *out = rgb + (ptrdiff_t)row * rgbStride;
        for (int x = 0; x < width; x++)
            PutPixel(out + 4 * x, y[x], u[x / 2 * chromaStep], v[x / 2 * chromaStep]);
    }
}

void Yuy2ToRgb32(const BYTE *packed, LONG packedStride, int width, int height, BYTE *rgb, LONG rgbStride)
{
    for (int row = 0; row < height; row++) {
        const BYTE *in = packed + (ptrdiff_t)row * packedStride;
        BYTE *out = rgb + (ptrdiff_t)row * rgbStride;
        for (int x = 0; x < width; x++)
            PutPixel(out + 4 * x, in[2 * x], in[x / 2 * 4 + 1], in[x / 2 * 4 + 3]);
    }
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
    LONG pitch = layout->stride > 0 ? layout->stride : least;
    if (pitch < least || pitch > kMaxPitch)
        return false;
    DWORD lumaBytes = (DWORD)pitch * (DWORD)layout->height;
    const BYTE *luma = data + (DWORD)layout->top * pitch + layout->left * (packed ? 2 : 1);
    if (packed) {
        if (length < lumaBytes)
            return false;
        Yuy2ToRgb32(luma, pitch, layout->shownWidth, layout->shownHeight, rgb, rgbStride);
        return true;
    }
    DWORD chromaRows = (DWORD)(layout->height + 1) / 2;
    DWORD chromaTop = (DWORD)layout->top / 2;
    if (IsEqualGUID(layout->subtype, MFVideoFormat_NV12)) {
        if (length < lumaBytes + (DWORD)pitch * chromaRows)
            return false;
        const BYTE *cb = data + lumaBytes + chromaTop * pitch + layout->left;
        Yuv420ToRgb32(luma, pitch, cb, cb + 1, pitch, 2, layout->shownWidth, layout->shownHeight, rgb, rgbStride);
        return true;
    }
    LONG chromaPitch = pitch / 2;
    DWORD chromaBytes = (DWORD)chromaPitch * chromaRows;
    if (length < lumaBytes + 2 * chromaBytes)
        return false;
    const BYTE *first = data + lumaBytes + chromaTop * chromaPitch + layout->left / 2;
    const BYTE *second = first + chromaBytes;
    bool uFirst = IsEqualGUID(layout->subtype, MFVideoFormat_IYUV);
    Yuv420ToRgb32(luma, pitch, uFirst ? first : second, uFirst ? second : first, chromaPitch, 1,
                  layout->shownWidth, layout->shownHeight, rgb, rgbStride);
    return true;
}
