/* Stand-in for DirectShow's video header: the format block of an uncompressed video type. */
#pragma once

#include <dshow.h>

typedef struct tagVIDEOINFOHEADER {
    RECT rcSource, rcTarget;
    DWORD dwBitRate, dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
} VIDEOINFOHEADER;
