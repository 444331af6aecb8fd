/* Control from other programs and the foot pedals: hot keys held across the desktop, keyboard input
   synthesized for the program in front, raw input from HID devices, and the radio items of a menu. */
#include "internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stddef.h>

namespace {

const DWORD kInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
const DWORD kHotKeyNotRegistered = 1419;
const uintptr_t kFirstDevice = 0x6000;
const uintptr_t kFirstReport = 0x7000;
const int kElsewhere = -1;            // the id of a hot key that another program holds

struct HidDevice { DWORD vendor, product; USHORT usagePage, usage; };
struct Report { HANDLE device; std::vector<BYTE> bytes; };

// The input of a fresh desktop.
struct ControlInput {
    std::vector<standin::HeldHotKey> hotKeys;
    std::vector<standin::RawInputRegistration> registrations;
    std::vector<HidDevice> devices;
    std::vector<Report> reports;      // handle n is kFirstReport + n
    std::vector<INPUT> sent;
    std::function<void()> program;   // the program in front, as it reads the input sent
    std::vector<UINT> keysDown;
} g;

UINT KeyOf(UINT modifiers) { return modifiers & ~MOD_NOREPEAT; }

}  // namespace

namespace standin {

void ResetControlInput() { g = {}; }

// Windows frees a process's hot keys and raw input registrations at its end; another program's stay.
void EndProcessInput()
{
    g.hotKeys.erase(std::remove_if(g.hotKeys.begin(), g.hotKeys.end(),
                                   [](const HeldHotKey &key) { return key.id != kElsewhere; }),
                    g.hotKeys.end());
    g.registrations.clear();
}

void ExpectHotKeysReleased()
{
    for (const HeldHotKey &key : HotKeysHeld())
        ADD_FAILURE() << "hot key " << key.id << " (key " << key.vk << ") is still held";
}

std::vector<HeldHotKey> HotKeysHeld()
{
    std::vector<HeldHotKey> held;
    for (const HeldHotKey &key : g.hotKeys)
        if (key.id != kElsewhere)
            held.push_back(key);
    return held;
}

void HoldHotKeyElsewhere(UINT vk) { g.hotKeys.push_back({nullptr, kElsewhere, 0, vk}); }

bool PressHotKey(UINT vk, UINT modifiers)
{
    for (const HeldHotKey &key : g.hotKeys)
        if (key.vk == vk && KeyOf(key.modifiers) == modifiers && key.id != kElsewhere)
            return PostMessageA(key.hwnd, WM_HOTKEY, static_cast<WPARAM>(key.id), MAKELPARAM(KeyOf(key.modifiers), vk));
    return false;
}

void HoldKey(UINT vk, bool down)
{
    g.keysDown.erase(std::remove(g.keysDown.begin(), g.keysDown.end(), vk), g.keysDown.end());
    if (down)
        g.keysDown.push_back(vk);
}

std::vector<RawInputRegistration> RawInputRegistrations() { return g.registrations; }

std::vector<INPUT> &SentInput() { return g.sent; }
void WhenInputSent(std::function<void()> program) { g.program = program; }

HANDLE AddHidDevice(DWORD vendor, DWORD product, USHORT usagePage, USHORT usage)
{
    g.devices.push_back({vendor, product, usagePage, usage});
    return reinterpret_cast<HANDLE>(kFirstDevice + g.devices.size() - 1);
}

bool SendHidReport(HANDLE device, const std::vector<BYTE> &report)
{
    const HidDevice &hid = g.devices.at(reinterpret_cast<uintptr_t>(device) - kFirstDevice);
    for (const RawInputRegistration &r : g.registrations) {
        if (r.usagePage != hid.usagePage || r.usage != hid.usage)
            continue;
        bool background = ForegroundWindow() != r.target;
        if (background && !(r.flags & RIDEV_INPUTSINK))
            return false;
        g.reports.push_back({device, report});
        return PostMessageA(r.target, WM_INPUT, background ? 1 : 0,
                            static_cast<LPARAM>(kFirstReport + g.reports.size() - 1));
    }
    return false;
}

}  // namespace standin

using standin::HeldHotKey;

// A key, whatever its no-repeat flag, is held by one window at a time.
BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT vk)
{
    for (const HeldHotKey &key : g.hotKeys)
        if (key.vk == vk && KeyOf(key.modifiers) == KeyOf(modifiers))
            return Fail(ERROR_HOTKEY_ALREADY_REGISTERED, FALSE);
    g.hotKeys.push_back({hwnd, id, modifiers, vk});
    return TRUE;
}

// The high bit is set while the key is down.
SHORT GetKeyState(int vk)
{
    bool down = std::find(g.keysDown.begin(), g.keysDown.end(), static_cast<UINT>(vk)) != g.keysDown.end();
    return down ? static_cast<SHORT>(0x8000) : 0;
}

BOOL UnregisterHotKey(HWND hwnd, int id)
{
    auto held = std::find_if(g.hotKeys.begin(), g.hotKeys.end(),
                             [=](const HeldHotKey &key) { return key.hwnd == hwnd && key.id == id; });
    if (held == g.hotKeys.end())
        return Fail(kHotKeyNotRegistered, FALSE);
    g.hotKeys.erase(held);
    return TRUE;
}

UINT SendInput(UINT count, INPUT *inputs, int size)
{
    EXPECT_EQ(size, static_cast<int>(sizeof(INPUT)));
    g.sent.insert(g.sent.end(), inputs, inputs + count);
    if (g.program)
        g.program();
    return count;
}

// As Windows: a usage registered again replaces its entry; a background sink needs its window,
// and a removal names none.
BOOL RegisterRawInputDevices(const RAWINPUTDEVICE *devices, UINT count, UINT size)
{
    EXPECT_EQ(size, sizeof(RAWINPUTDEVICE));
    for (UINT i = 0; i < count; i++) {
        const RAWINPUTDEVICE &d = devices[i];
        bool removes = d.dwFlags & RIDEV_REMOVE;
        if ((removes && d.hwndTarget) || ((d.dwFlags & RIDEV_INPUTSINK) && !d.hwndTarget)) {
            ADD_FAILURE() << "raw input registration refused: flags " << d.dwFlags;
            return Fail(kInvalidParameter, FALSE);
        }
        auto same = [&](const standin::RawInputRegistration &r) { return r.usagePage == d.usUsagePage && r.usage == d.usUsage; };
        g.registrations.erase(std::remove_if(g.registrations.begin(), g.registrations.end(), same), g.registrations.end());
        if (!removes)
            g.registrations.push_back({d.usUsagePage, d.usUsage, d.dwFlags, d.hwndTarget});
    }
    return TRUE;
}

UINT GetRawInputData(HRAWINPUT input, UINT command, LPVOID data, UINT *size, UINT headerSize)
{
    size_t index = reinterpret_cast<uintptr_t>(input) - kFirstReport;
    if (command != RID_INPUT || headerSize != sizeof(RAWINPUTHEADER) || index >= g.reports.size()) {
        ADD_FAILURE() << "GetRawInputData of no report, or not of its input";
        return Fail(kInvalidParameter, static_cast<UINT>(-1));
    }
    const Report &report = g.reports[index];
    UINT needed = static_cast<UINT>(offsetof(RAWINPUT, data.hid.bRawData) + report.bytes.size());
    if (!data) {
        *size = needed;
        return 0;
    }
    if (*size < needed)
        return Fail(ERROR_INSUFFICIENT_BUFFER, static_cast<UINT>(-1));
    // Windows leaves the rest of the buffer as it was; filled here, a read past the report shows.
    memset(data, 0xFF, *size);
    RAWINPUT *raw = static_cast<RAWINPUT *>(data);
    raw->header = {RIM_TYPEHID, needed, report.device, 0};
    raw->data.hid.dwSizeHid = static_cast<DWORD>(report.bytes.size());
    raw->data.hid.dwCount = 1;
    if (!report.bytes.empty())
        memcpy(raw->data.hid.bRawData, report.bytes.data(), report.bytes.size());
    return needed;
}

UINT GetRawInputDeviceInfoA(HANDLE device, UINT command, LPVOID data, UINT *size)
{
    size_t index = reinterpret_cast<uintptr_t>(device) - kFirstDevice;
    RID_DEVICE_INFO *info = static_cast<RID_DEVICE_INFO *>(data);
    if (command != RIDI_DEVICEINFO || index >= g.devices.size() || !info || *size < sizeof(RID_DEVICE_INFO) ||
        info->cbSize != sizeof(RID_DEVICE_INFO)) {
        ADD_FAILURE() << "GetRawInputDeviceInfoA of no device, or without a sized record";
        return Fail(kInvalidParameter, static_cast<UINT>(-1));
    }
    const HidDevice &hid = g.devices[index];
    info->dwType = RIM_TYPEHID;
    info->hid = {hid.vendor, hid.product, 1, hid.usagePage, hid.usage};
    return *size = sizeof(RID_DEVICE_INFO);
}

// The checked item of the range, the others cleared; an item outside the range, or not in the
// menu, changes nothing.
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags)
{
    EXPECT_EQ(flags, static_cast<UINT>(MF_BYCOMMAND));
    if (check < first || check > last || CheckMenuItem(menu, check, MF_CHECKED) == static_cast<DWORD>(-1))
        return FALSE;
    for (UINT item = first; item <= last; item++)
        if (item != check)
            CheckMenuItem(menu, item, MF_UNCHECKED);
    return TRUE;
}
