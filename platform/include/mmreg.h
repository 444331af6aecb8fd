/* Stand-in for the sound formats header: 16-bit PCM as the sound renderer takes it. */
#pragma once

#include <windows.h>

#define WAVE_FORMAT_PCM 1
#pragma pack(push, 1)
typedef struct tWAVEFORMATEX {
    WORD wFormatTag, nChannels;
    DWORD nSamplesPerSec, nAvgBytesPerSec;
    WORD nBlockAlign, wBitsPerSample, cbSize;
} WAVEFORMATEX;
#pragma pack(pop)
