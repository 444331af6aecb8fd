// Decoded video frames to the 32-bit RGB that the platform's video renderers take.
#pragma once

#include <windows.h>

// The decoded form of a video stream as the reader gives it, and the picture shown of it.
struct FrameLayout {
    GUID subtype;                  // NV12, YV12, IYUV or YUY2
    LONG width, height;            // the decoded frame, padding included
    LONG stride;                   // bytes a row of luma (of packed pixels for YUY2) as the type says; 0: not said
    LONG left, top;                // the picture inside the frame, at even offsets
    LONG shownWidth, shownHeight;
    bool bt709;                    // the colours are HD video's (BT.709), else standard definition's (BT.601)
};

// 4:2:0 frames, planar (I420, YV12: step 1) or with the chroma interleaved (NV12: step 2, cr at cb + 1).
// Each output pixel is B, G, R, 0; a negative rgbStride writes the rows bottom-up.
void Yuv420ToRgb32(const BYTE *luma, LONG lumaStride, const BYTE *cb, const BYTE *cr, LONG chromaStride,
                   int chromaStep, int width, int height, bool bt709, BYTE *rgb, LONG rgbStride);
// 4:2:2 frames packed as Y0 U Y1 V.
void Yuy2ToRgb32(const BYTE *packed, LONG packedStride, int width, int height, bool bt709, BYTE *rgb, LONG rgbStride);
// One decoded frame of length bytes to the shown picture; false when the data is too short for the layout.
// The rows' pitch is the one a buffer of whole rows gives by its length, else the layout's stride,
// else the least a row takes.
bool ConvertDecodedFrame(const FrameLayout *layout, const BYTE *data, DWORD length, BYTE *rgb, LONG rgbStride);
