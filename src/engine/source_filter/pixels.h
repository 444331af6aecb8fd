// Decoded video frames to the 32-bit RGB that the platform's video renderers take.
#pragma once

#include <windows.h>

// 4:2:0 frames, planar (I420, YV12: step 1) or with the chroma interleaved (NV12: step 2, cr at cb + 1).
// Each output pixel is B, G, R, 0; a negative rgbStride writes the rows bottom-up.
void Yuv420ToRgb32(const BYTE *luma, LONG lumaStride, const BYTE *cb, const BYTE *cr, LONG chromaStride,
                   int chromaStep, int width, int height, BYTE *rgb, LONG rgbStride);
// 4:2:2 frames packed as Y0 U Y1 V.
void Yuy2ToRgb32(const BYTE *packed, LONG packedStride, int width, int height, BYTE *rgb, LONG rgbStride);
