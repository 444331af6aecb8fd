// The media types the source offers its renderers, and the copies the graph is handed of them.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>
#include <amvideo.h>

// 16-bit PCM at the stream's own rate and channels; the format block is the caller's. One or two
// channels go as plain PCM; more name their speakers (layout, SPEAKER_ bits), as plain PCM of more
// than two channels has no defined speaker order.
void AudioMediaType(AM_MEDIA_TYPE *type, WAVEFORMATEXTENSIBLE *format, WORD channels, DWORD rate, DWORD layout);
// Bottom-up RGB32 at the picture's size, one frame every frameTime.
void VideoMediaType(AM_MEDIA_TYPE *type, VIDEOINFOHEADER *format, LONG width, LONG height, REFERENCE_TIME frameTime);
// A copy whose format block the receiver frees with CoTaskMemFree.
HRESULT CopyOfMediaType(AM_MEDIA_TYPE *copy, const AM_MEDIA_TYPE *type);
// The one type a pin offers, asked for by any part of it that is not left open (GUID_NULL).
bool MatchesMediaType(const AM_MEDIA_TYPE *offered, const AM_MEDIA_TYPE *asked);
