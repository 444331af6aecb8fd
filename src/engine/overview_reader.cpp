// The clip's sound decoded from the start into the overview, on the overview's own thread, by a
// reader of the file of its own beside the playback's: its sound stream alone, as nothing else is drawn.
#include "engine/overview.h"
#include "engine/overview_levels.h"
#include "engine/source_filter/source_filter.h"

#include <mfapi.h>
#include <mferror.h>

// Blocks are made public a few hundred at a time, at least once a buffer.
static const int kBlocksAtOnce = 256;
// Wine runs every thread alike whatever its priority, and Wine 8's reader decodes a film's picture
// as well, though it is not selected, as dearly as the playback decodes its own. Read at full speed,
// the overview took a core the playback needed: on two cores, one of them busy, sound alone had
// gaps of up to half a second and a film's sound up to a second. So it reads in slices of 10 ms,
// each followed by a rest nine times as long.
static const DWORD kSliceMs = 10;
static const DWORD kRestMs = 90;
// Wine 8's decode keeps about 170 MB for each hour it decodes, until the process ends: past four
// hours the overview stops, so that a day-long recording cannot fill a 32-bit player's memory.
static const REFERENCE_TIME kMostDecoded = 4LL * 3600 * 10000000;

// Floats first: the decoders make them, and they come with no dither on the way (and faster under
// Wine); 16-bit where a decoder gives nothing else.
struct DecodedForm {
    const GUID *subtype;
    UINT32      bits;
    SoundForm   form;
};
static const DecodedForm kForms[] = {{&MFAudioFormat_Float, 32, SoundFloat32}, {&MFAudioFormat_PCM, 16, SoundInt16}};

// The form the reader gives once asked, as the block maker reads it.
static HRESULT TakeForm(IMFSourceReader *reader, DWORD stream, const DecodedForm &form, LevelMaker *maker)
{
    IMFMediaType *type = NULL;
    HRESULT hr = AskForType(reader, stream, MFMediaType_Audio, *form.subtype, form.bits);
    if (FAILED(hr) || FAILED(hr = reader->GetCurrentMediaType(stream, &type)))
        return hr;
    UINT32 channels = 0, rate = 0, bits = 0;
    type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels);
    type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate);
    type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits);
    type->Release();
    return bits == form.bits && StartLevels(maker, rate, (int)channels, form.form) ? S_OK : MF_E_INVALIDMEDIATYPE;
}

static HRESULT AskForSound(IMFSourceReader *reader, DWORD stream, LevelMaker *maker)
{
    HRESULT hr = MF_E_INVALIDMEDIATYPE;
    for (const DecodedForm &form : kForms)
        if (SUCCEEDED(hr = TakeForm(reader, stream, form, maker)))
            break;
    return hr;
}

// The file's default sound, as the own source takes it; every other stream left undecoded.
static HRESULT OpenSound(const WCHAR *path, IMFSourceReader **reader, DWORD *stream, LevelMaker *maker)
{
    HRESULT hr = CreateSourceReader(path, reader);
    if (FAILED(hr))
        return hr;
    DWORD video;
    FindStreams(*reader, stream, &video);
    if (*stream == kNoStream)
        return MF_E_INVALIDSTREAMNUMBER;
    if (FAILED(hr = (*reader)->SetStreamSelection(MF_SOURCE_READER_ALL_STREAMS, FALSE)) ||
        FAILED(hr = (*reader)->SetStreamSelection(*stream, TRUE)))
        return hr;
    return AskForSound(*reader, *stream, maker);
}

// Frames of samples (NULL: silence) into blocks, made public as they come.
static void Levels(Overview *overview, LevelMaker *maker, const BYTE *samples, LONGLONG frames)
{
    OverviewBlock blocks[kBlocksAtOnce];
    while (frames > 0) {
        int made = 0;
        LONGLONG taken = TakeLevels(maker, samples, frames, blocks, kBlocksAtOnce, &made);
        if (made)
            AddOverviewBlocks(overview, blocks, made);
        frames -= taken;
        if (samples)
            samples += taken * LevelFrameBytes(maker);
    }
}

static bool TakeSample(Overview *overview, LevelMaker *maker, IMFSample *sample, REFERENCE_TIME time)
{
    IMFMediaBuffer *buffer = NULL;
    BYTE *data = NULL;
    DWORD length = 0;
    if (!LockSampleBytes(sample, &buffer, &data, &length))
        return false;
    Levels(overview, maker, NULL, SilenceBefore(maker, time));
    Levels(overview, maker, data, length / LevelFrameBytes(maker));
    buffer->Unlock();
    buffer->Release();
    return true;
}

// Read to the stream's end, unless the overview is let go first; true at the end. A form that
// changes midway would be misread, so the reading stops there.
static bool ReadSound(Overview *overview, IMFSourceReader *reader, DWORD stream, LevelMaker *maker)
{
    DWORD slice = GetTickCount();
    while (OverviewGoesOn(overview)) {
        if (GetTickCount() - slice >= kSliceMs) {
            Sleep(kRestMs);
            slice = GetTickCount();
        }
        DWORD flags = 0;
        LONGLONG time = 0;
        IMFSample *sample = NULL;
        HRESULT hr = reader->ReadSample(stream, 0, NULL, &flags, &time, &sample);
        bool read = SUCCEEDED(hr) && !(flags & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED));
        if (read && sample)
            read = TakeSample(overview, maker, sample, time);
        if (sample)
            sample->Release();
        if (!read || time > kMostDecoded)
            return false;
        if (flags & MF_SOURCE_READERF_ENDOFSTREAM) {
            OverviewBlock last;
            if (FinishLevels(maker, &last))
                AddOverviewBlocks(overview, &last, 1);
            return true;
        }
    }
    return false;
}

bool DecodeOverview(Overview *overview, const WCHAR *path)
{
    if (FAILED(CoInitializeEx(NULL, COINIT_MULTITHREADED)))
        return false;
    IMFSourceReader *reader = NULL;
    DWORD stream = 0;
    LevelMaker maker;
    bool whole = SUCCEEDED(OpenSound(path, &reader, &stream, &maker)) &&
                 ReadSound(overview, reader, stream, &maker);
    // The reader's decoders and buffers go as soon as the decode ends, not with the clip.
    if (reader)
        reader->Release();
    CoUninitialize();
    return whole;
}
