// Frames from the decoders (studio-range BT.601 YUV) to full-range RGB, in integer arithmetic.
#include "engine/source_filter/pixels.h"

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
