/* Process-level calls: COM start-up, versions and code pages, and the C runtime's bounded formatters. */
#include "internal.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <strings.h>

namespace {
HRESULT gCoInitializeStatus;
int gCoBalance;
DWORD gPlatformId, gMajorVersion;
std::string gLocaleCodePage;
bool gLocaleSucceeds;
const char *gWineVersion;
HMODULE const kNtdll = reinterpret_cast<HMODULE>(0x7FF00000);

const char *WineGetVersion() { return gWineVersion; }

// The C runtime's bounded print: count characters at most, with no terminator when it is cut.
int BoundedPrint(char *buffer, size_t count, const char *format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    vsnprintf(&text[0], text.size(), format, args);
    if (static_cast<size_t>(length) < count) {
        memcpy(buffer, text.c_str(), static_cast<size_t>(length) + 1);
        return length;
    }
    memcpy(buffer, text.c_str(), count);
    return -1;
}
}  // namespace

namespace standin {

const UINT kSystemAnsiCodePage = 1252;

void ResetSystem()
{
    gCoInitializeStatus = S_OK;
    gCoBalance = 0;
    gPlatformId = VER_PLATFORM_WIN32_NT;
    gMajorVersion = 10;
    gLocaleCodePage = "1252";
    gLocaleSucceeds = true;
    gWineVersion = nullptr;
}

void FailCoInitialize(HRESULT status) { gCoInitializeStatus = status; }
int CoInitializeBalance() { return gCoBalance; }
void SetWindowsVersion(DWORD platformId, DWORD major) { gPlatformId = platformId; gMajorVersion = major; }
void SetLocaleCodePage(const char *text, bool succeeds) { gLocaleCodePage = text; gLocaleSucceeds = succeeds; }
void SetWineVersion(const char *version) { gWineVersion = version; }

}  // namespace standin

HRESULT CoInitializeEx(LPVOID, DWORD model)
{
    EXPECT_EQ(model, static_cast<DWORD>(COINIT_APARTMENTTHREADED));
    if (SUCCEEDED(gCoInitializeStatus))
        gCoBalance++;
    return gCoInitializeStatus;
}

void CoUninitialize() { gCoBalance--; }

BOOL GetVersionExA(OSVERSIONINFOA *version)
{
    EXPECT_EQ(version->dwOSVersionInfoSize, 148u);
    version->dwPlatformId = gPlatformId;
    version->dwMajorVersion = gMajorVersion;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name) { return strcasecmp(name, "ntdll.dll") == 0 ? kNtdll : nullptr; }

// Only Wine's ntdll exports its version.
FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    EXPECT_EQ(module, kNtdll);
    if (!gWineVersion || strcmp(name, "wine_get_version") != 0)
        return nullptr;
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(WineGetVersion));
}

LCID GetThreadLocale() { return 0x0409; }
UINT GetACP() { return standin::kSystemAnsiCodePage; }

int GetLocaleInfoA(LCID, LCTYPE type, LPSTR data, int length)
{
    EXPECT_EQ(type, static_cast<LCTYPE>(LOCALE_IDEFAULTANSICODEPAGE));
    if (!gLocaleSucceeds || static_cast<int>(gLocaleCodePage.size()) >= length)
        return 0;
    memcpy(data, gLocaleCodePage.c_str(), gLocaleCodePage.size() + 1);
    return static_cast<int>(gLocaleCodePage.size()) + 1;
}

// Bytes map one to one onto UTF-16 units, which is all the player's paths need here.
int MultiByteToWideChar(UINT, DWORD, LPCSTR source, int sourceLength, LPWSTR destination, int destinationLength)
{
    EXPECT_EQ(sourceLength, -1);
    int needed = static_cast<int>(strlen(source)) + 1;
    if (needed > destinationLength) {
        SetLastError(122);   // ERROR_INSUFFICIENT_BUFFER
        return 0;
    }
    for (int i = 0; i < needed; i++)
        destination[i] = static_cast<unsigned char>(source[i]);
    return needed;
}

PVOID InterlockedExchangePointer(PVOID volatile *target, PVOID value)
{
    PVOID previous = *target;
    *target = value;
    return previous;
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int length)
{
    int i = 0;
    for (; i < length - 1 && source[i]; i++)
        destination[i] = source[i];
    if (length > 0)
        destination[i] = 0;
    return destination;
}

int lstrlenA(LPCSTR text) { return text ? static_cast<int>(strlen(text)) : 0; }
int lstrcmpiA(LPCSTR first, LPCSTR second) { return strcasecmp(first, second); }

int _vsnprintf(char *buffer, size_t count, const char *format, va_list args)
{
    return BoundedPrint(buffer, count, format, args);
}

int _snprintf(char *buffer, size_t count, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int result = BoundedPrint(buffer, count, format, args);
    va_end(args);
    return result;
}

// The platform's wsprintfA writes at most 1024 characters.
int wsprintfA(LPSTR buffer, LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    int result = BoundedPrint(buffer, 1023, format, args);
    va_end(args);
    buffer[1023 < result || result < 0 ? 1023 : result] = 0;
    return result < 0 ? 1023 : result;
}

DWORD GetCurrentProcessId() { return 0x1234; }
