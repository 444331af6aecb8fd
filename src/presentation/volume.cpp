// Volume steps that halve or double the attenuation, mute, and ducking between instances.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "presentation/presentation.h"
#include "support/support.h"

static const LONG kSilence = -10000;
static const LONG kLowestStepFrom = -3332;   // -2048 may still step down to -4096, the lowest level

// A muted clip stays silent through the steps: the same steps come from the other instances' ducking,
// which must never make it heard. The level the user steps to is the next clip's; the toggle alone unmutes.
static void ApplyLevel()
{
    if (glMuteVolume != kSilence)
        pBA->put_Volume(glVolume);
}

void VolumeUp()
{
    if (!pBA || glVolume >= 0)
        return;
    glVolume /= 2;
    ApplyLevel();
    PostMessageA(HWND_BROADCAST, WM_VOLUME_DUCK, VOLUME_DUCK_TAG, (LPARAM)ghApp);
}

void VolumeDown()
{
    if (!pBA || glVolume < kLowestStepFrom)
        return;
    glVolume = glVolume == 0 ? -1 : glVolume * 2;
    ApplyLevel();
}

// Each notch of the wheel is one step, as + and - are, ducking included. A fine wheel sends a notch
// in parts: they are added up and the rest kept for the next; a turn the other way starts again.
void WheelVolume(int delta)
{
    if ((delta > 0 && giWheelDelta < 0) || (delta < 0 && giWheelDelta > 0))
        giWheelDelta = 0;
    giWheelDelta += delta;
    for (; giWheelDelta >= WHEEL_DELTA; giWheelDelta -= WHEEL_DELTA)
        VolumeUp();
    for (; giWheelDelta <= -WHEEL_DELTA; giWheelDelta += WHEEL_DELTA)
        VolumeDown();
}

// Decides from the level the engine reports, not from glVolume. A level the engine refuses is not
// taken: the title and the steps go by what the clip sounds like.
HRESULT ToggleMute()
{
    if (!pGB || !pBA)
        return 0;
    long level = glMuteVolume;
    HRESULT hr = pBA->get_Volume(&level);
    glMuteVolume = level;
    if (hr == E_NOTIMPL)
        return 0;
    if (FAILED(hr)) {
        ReportMessage("Failed to read audio volume!  hr=0x%x\r\n", hr);
        return hr;
    }
    long wanted = level == 0 ? kSilence : 0;
    hr = pBA->put_Volume(wanted);
    if (FAILED(hr))
        return hr;
    glMuteVolume = wanted;
    UpdateTitle();
    return hr;
}
