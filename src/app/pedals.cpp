// The transcription foot pedals that are plain HID devices, read through raw input: the play pedal
// plays while held, the side pedals step back or forward by the user's step (1 s unless set) at once
// and every 250 ms while held.
// Pedals of other makes send keys or media keys, which the hot keys and the window take.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"

#include <stddef.h>

struct PedalModel { DWORD vendor; DWORD product; };
static const PedalModel kPedals[] = {
    { 0x05F3, 0x00FF },   // VEC/Infinity IN-USB-1 and IN-USB-2
    { 0x0911, 0x1844 },   // Philips ACC2310, ACC2320 and ACC2330
    { 0x0911, 0x091A },
};

// The usages they report under: VEC's on the consumer page, Philips' as a joystick.
static const USHORT kPedalUsages[][2] = { { 0x0C, 0x03 }, { 0x01, 0x04 } };

static const UINT kStepRepeatMs = 250;

static void RegisterPedalUsages(DWORD flags, HWND target)
{
    RAWINPUTDEVICE devices[2];
    for (int i = 0; i < 2; i++)
        devices[i] = { kPedalUsages[i][0], kPedalUsages[i][1], flags, target };
    RegisterRawInputDevices(devices, 2, sizeof(RAWINPUTDEVICE));
}

void ListenToPedals()
{
    RegisterPedalUsages(gbGlobalKeys ? RIDEV_INPUTSINK : 0, ghApp);
}

void StopListeningToPedals()
{
    KillTimer(ghApp, PEDAL_TIMER_ID);
    gbPedalsHeld = 0;
    RegisterPedalUsages(RIDEV_REMOVE, NULL);
}

// A step is a jump, and ends the loop as every jump does.
static void StepPedals(BYTE pedals)
{
    if (pedals & (PEDAL_BACK | PEDAL_FORWARD))
        CancelABLoop();
    if (pedals & PEDAL_BACK)
        SkipBy(-SkipTime(PEDAL_STEP));
    if (pedals & PEDAL_FORWARD)
        SkipBy(SkipTime(PEDAL_STEP));
}

static void CALLBACK StepHeldPedals(HWND, UINT, UINT_PTR, DWORD)
{
    StepPedals(gbPedalsHeld);
}

// The timer runs only while a side pedal is down, so an idle player never wakes for the pedals.
void PressPedals(BYTE held)
{
    BYTE pressed = held & ~gbPedalsHeld;
    BYTE released = gbPedalsHeld & ~held;
    gbPedalsHeld = held;
    if ((pressed & PEDAL_PLAY) && gPlayState != Running)
        PausePlay();
    if ((released & PEDAL_PLAY) && gPlayState == Running)
        PausePlay();
    StepPedals(pressed);
    if (!(held & (PEDAL_BACK | PEDAL_FORWARD)))
        KillTimer(ghApp, PEDAL_TIMER_ID);
    else if (pressed & (PEDAL_BACK | PEDAL_FORWARD))
        SetTimer(ghApp, PEDAL_TIMER_ID, kStepRepeatMs, StepHeldPedals);
}

// With the mode off, a pedal's release is not heard once another program has the focus: whatever is
// held is let go when the focus goes, or a side pedal would go on stepping.
void LoseFocusedPedals()
{
    if (!gbGlobalKeys && gbPedalsHeld)
        PressPedals(0);
}

static bool IsPedal(HANDLE device)
{
    RID_DEVICE_INFO info = {};
    info.cbSize = sizeof(info);
    UINT size = sizeof(info);
    if (GetRawInputDeviceInfoA(device, RIDI_DEVICEINFO, &info, &size) == (UINT)-1 || info.dwType != RIM_TYPEHID)
        return false;
    for (const PedalModel &model : kPedals)
        if (info.hid.dwVendorId == model.vendor && info.hid.dwProductId == model.product)
            return true;
    return false;
}

// Only a whole report from a known pedal counts; of several reports at once the last is the state now.
void ReadPedals(HRAWINPUT input)
{
    union { RAWINPUT raw; BYTE bytes[sizeof(RAWINPUT) + 64]; } report;
    UINT size = sizeof(report);
    UINT got = GetRawInputData(input, RID_INPUT, &report, &size, sizeof(RAWINPUTHEADER));
    if (got == (UINT)-1 || got < offsetof(RAWINPUT, data.hid.bRawData) || report.raw.header.dwType != RIM_TYPEHID)
        return;
    const RAWHID &hid = report.raw.data.hid;
    ULONGLONG length = (ULONGLONG)hid.dwSizeHid * hid.dwCount;
    if (hid.dwSizeHid < 1 || hid.dwCount < 1 || offsetof(RAWINPUT, data.hid.bRawData) + length > got ||
        !IsPedal(report.raw.header.hDevice))
        return;
    PressPedals(hid.bRawData[(hid.dwCount - 1) * hid.dwSizeHid] & (PEDAL_BACK | PEDAL_PLAY | PEDAL_FORWARD));
}
