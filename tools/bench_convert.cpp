// The bench's converter race: what turning one decoded 1280 x 720 NV12 frame into RGB32 costs the
// player's own converter and the platform's Video Processor MFT, both fed the same frame. Kept apart
// from the harness, so that Media Foundation's libraries load into no process that ./bench times.
//   lumetrone-convert FRAMES    "own MS CPU" and "mft MS CPU": the mean wall-clock and CPU milliseconds
//                               (the whole process's, any helper threads included) of one frame;
//                               then "level MS CPU": the same of levelling a second of 48 kHz stereo
#include <windows.h>
#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>
#include <mftransform.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "engine/source_filter/level.h"
#include "engine/source_filter/pixels.h"

// The platform's headers here do not name it.
static const GUID kVideoProcessorMft = {0x88753b26, 0x5b24, 0x49bd, {0xb2, 0xe7, 0x0c, 0x44, 0x5c, 0x78, 0xc9, 0x82}};

static const int kWidth = 1280;
static const int kHeight = 720;
static const DWORD kNv12Bytes = kWidth * kHeight * 3 / 2;
static const DWORD kRgbBytes = kWidth * kHeight * 4;
// Frames converted before the clock starts: the first ones meet cold caches and lazy set-up.
static const int kWarmFrames = 5;

struct Cost {
    double wall;   // ms
    double cpu;    // ms, user and kernel, of every thread of the process
};

static Cost Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return {1000.0 * (double)count.QuadPart / (double)frequency.QuadPart, (double)(k.QuadPart + u.QuadPart) / 10000.0};
}

// The cost of one frame since start, over that many frames.
static Cost PerFrame(Cost start, int frames)
{
    Cost now = Now();
    return {(now.wall - start.wall) / frames, (now.cpu - start.cpu) / frames};
}

// A frame with detail in both planes, as a decoder hands it over: the luma plane, then the
// interleaved chroma at half size.
static void PaintNv12(BYTE *frame)
{
    for (int row = 0; row < kHeight; row++)
        for (int x = 0; x < kWidth; x++)
            frame[row * kWidth + x] = (BYTE)(16 + (x + row) % 220);
    BYTE *chroma = frame + kWidth * kHeight;
    for (int row = 0; row < kHeight / 2; row++)
        for (int x = 0; x < kWidth; x += 2) {
            chroma[row * kWidth + x] = (BYTE)(16 + x / 2 % 224);
            chroma[row * kWidth + x + 1] = (BYTE)(16 + row % 224);
        }
}

// RGB32 for DirectShow's renderers lies bottom-up: the player's pin writes it so.
static void ConvertOwn(const BYTE *frame, BYTE *rgb)
{
    static const FrameLayout kLayout = {MFVideoFormat_NV12, kWidth, kHeight, 0, 0, 0, kWidth, kHeight, true, false, 0};
    ConvertDecodedFrame(&kLayout, frame, kNv12Bytes, rgb + (kHeight - 1) * kWidth * 4, -kWidth * 4);
}

static Cost TimeOwn(const BYTE *frame, int frames)
{
    BYTE *rgb = (BYTE *)malloc(kRgbBytes);
    for (int i = 0; i < kWarmFrames; i++)
        ConvertOwn(frame, rgb);
    Cost start = Now();
    for (int i = 0; i < frames; i++)
        ConvertOwn(frame, rgb);
    Cost took = PerFrame(start, frames);
    free(rgb);
    return took;
}

static IMFMediaType *VideoType(const GUID &subtype)
{
    IMFMediaType *type = NULL;
    if (FAILED(MFCreateMediaType(&type)))
        return NULL;
    type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Video);
    type->SetGUID(MF_MT_SUBTYPE, subtype);
    MFSetAttributeSize(type, MF_MT_FRAME_SIZE, kWidth, kHeight);
    MFSetAttributeRatio(type, MF_MT_FRAME_RATE, 25, 1);
    return type;
}

static IMFSample *SampleOf(DWORD bytes, IMFMediaBuffer **buffer)
{
    IMFSample *sample = NULL;
    if (FAILED(MFCreateMemoryBuffer(bytes, buffer)) || FAILED(MFCreateSample(&sample)))
        return NULL;
    (*buffer)->SetCurrentLength(bytes);
    sample->AddBuffer(*buffer);
    return sample;
}

// One frame in, one frame out, into the caller's own sample as the player's pin would hand it.
static bool ConvertMft(IMFTransform *transform, IMFSample *in, IMFSample *out, LONGLONG time)
{
    in->SetSampleTime(time);
    in->SetSampleDuration(400000);
    if (FAILED(transform->ProcessInput(0, in, 0)))
        return false;
    MFT_OUTPUT_DATA_BUFFER output = {};
    output.pSample = out;
    DWORD status = 0;
    HRESULT hr = transform->ProcessOutput(0, 1, &output, &status);
    if (output.pEvents)
        output.pEvents->Release();
    return SUCCEEDED(hr);
}

// The cost of one frame; a negative wall time when the transform would not convert.
static Cost TimeMft(const BYTE *frame, int frames)
{
    IMFTransform *transform = NULL;
    IMFMediaType *input = VideoType(MFVideoFormat_NV12);
    IMFMediaType *output = VideoType(MFVideoFormat_RGB32);
    IMFMediaBuffer *inBuffer = NULL, *outBuffer = NULL;
    IMFSample *in = SampleOf(kNv12Bytes, &inBuffer);
    IMFSample *out = SampleOf(kRgbBytes, &outBuffer);
    Cost took = {-1, -1};
    BYTE *data = NULL;
    if (input && output && in && out && SUCCEEDED(inBuffer->Lock(&data, NULL, NULL)) &&
        SUCCEEDED(CoCreateInstance(kVideoProcessorMft, NULL, CLSCTX_INPROC_SERVER, IID_IMFTransform,
                                   (void **)&transform)) &&
        SUCCEEDED(transform->SetInputType(0, input, 0)) && SUCCEEDED(transform->SetOutputType(0, output, 0))) {
        CopyMemory(data, frame, kNv12Bytes);
        inBuffer->Unlock();
        bool converted = true;
        for (int i = 0; i < kWarmFrames && converted; i++)
            converted = ConvertMft(transform, in, out, i * 400000LL);
        Cost start = Now();
        for (int i = 0; i < frames && converted; i++)
            converted = ConvertMft(transform, in, out, (kWarmFrames + i) * 400000LL);
        DWORD length = 0;
        outBuffer->GetCurrentLength(&length);
        if (converted && length == kRgbBytes)
            took = PerFrame(start, frames);
    }
    if (transform)
        transform->Release();
    if (in)
        in->Release();
    if (out)
        out->Release();
    if (inBuffer)
        inBuffer->Release();
    if (outBuffer)
        outBuffer->Release();
    if (input)
        input->Release();
    if (output)
        output->Release();
    return took;
}

// Seconds of sound levelled for the level's cost: a voice at syllable rate, loud and quiet in turn.
static const int kLevelSeconds = 60;
static const DWORD kRate = 48000;

static Cost TimeLevel()
{
    DWORD frames = kRate * kLevelSeconds;
    short *pcm = (short *)malloc(frames * 2 * sizeof(short));
    for (DWORD i = 0; i < frames; i++) {
        double t = (double)i / kRate;
        double syllable = (i / (kRate / 4)) % 2 ? 1.0 : 0.2;
        double loud = (i / (kRate * 5)) % 2 ? 0.03 : 0.3;
        short value = (short)(32767 * loud * syllable * (0.6 * sin(6.2832 * 220 * t) + 0.3 * sin(6.2832 * 440 * t)));
        pcm[2 * i] = pcm[2 * i + 1] = value;
    }
    Leveller level;
    StartLevel(&level, 2, kRate);
    SetLevelling(&level, true);
    Cost start = Now();
    // In the deliveries the source makes: about 10 ms at a time.
    for (DWORD done = 0; done < frames; done += kRate / 100)
        LevelFrames(&level, pcm + 2 * done, kRate / 100);
    Cost took = PerFrame(start, kLevelSeconds);
    free(pcm);
    return took;
}

int main(int argc, char **argv)
{
    int frames = argc >= 2 ? atoi(argv[1]) : 0;
    if (frames <= 0) {
        fprintf(stderr, "usage: lumetrone-convert FRAMES\n");
        return 2;
    }
    CoInitializeEx(NULL, COINIT_MULTITHREADED);
    MFStartup(MF_VERSION, MFSTARTUP_NOSOCKET);
    BYTE *frame = (BYTE *)malloc(kNv12Bytes);
    PaintNv12(frame);
    Cost own = TimeOwn(frame, frames);
    printf("own %.3f %.3f\n", own.wall, own.cpu);
    fflush(stdout);
    Cost mft = TimeMft(frame, frames);
    if (mft.wall < 0)
        printf("mft failed\n");
    else
        printf("mft %.3f %.3f\n", mft.wall, mft.cpu);
    Cost level = TimeLevel();
    printf("level %.3f %.3f\n", level.wall, level.cpu);
    free(frame);
    MFShutdown();
    CoUninitialize();
    return mft.wall < 0;
}
