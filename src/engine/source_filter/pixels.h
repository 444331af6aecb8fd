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
    bool fullRange;                // black and white at 0 and 255 (JPEG's), else studio range's 16 and 235
    int rotation;                  // degrees the picture is turned clockwise to stand upright: 0, 90, 180 or 270
};

// The picture as it is shown, upright.
LONG UprightWidth(const FrameLayout *layout);
LONG UprightHeight(const FrameLayout *layout);

// One decoded frame of length bytes to the shown picture, upright; false when the data is too short for the layout.
// The rows' pitch is the one a buffer of whole rows gives by its length, else the layout's stride,
// else the least a row takes. Each output pixel is B, G, R, 0; a negative rgbStride writes the
// rows bottom-up.
bool ConvertDecodedFrame(const FrameLayout *layout, const BYTE *data, DWORD length, BYTE *rgb, LONG rgbStride);
