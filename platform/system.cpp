/* Process-level calls: the last error, COM start-up, versions and code pages, and the C runtime's
   bounded formatters. */
#include "internal.h"

#include <gtest/gtest.h>
#include <mfapi.h>
#include <mfreadwrite.h>

#include <stdio.h>
#include <strings.h>
#include <locale.h>
#include <wchar.h>
#include <wctype.h>

#include <algorithm>

namespace {
// The process and system of a fresh desktop: Windows 10 in a Western European locale.
struct System {
    HRESULT coInitializeStatus = S_OK;
    int coBalance = 0;
    DWORD platformId = VER_PLATFORM_WIN32_NT, majorVersion = 10;
    std::string localeCodePage = "1252";
    bool localeSucceeds = true;
    const char *wineVersion = nullptr;
    bool mediaFoundation = true;
    int terminatedWith = -1;
    int librariesLoaded = 0;
    DWORD lastError = 0;
} g;
HMODULE const kNtdll = reinterpret_cast<HMODULE>(0x7FF00000);
HMODULE const kUser32 = reinterpret_cast<HMODULE>(0x7FE00000);
HMODULE const kMfPlat = reinterpret_cast<HMODULE>(0x7FD00000);
HMODULE const kMfReadWrite = reinterpret_cast<HMODULE>(0x7FC00000);

template <typename Routine>
FARPROC Export(Routine routine) { return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(routine)); }

const char *WineGetVersion() { return g.wineVersion; }

// The C runtime's bounded print: count characters at most, with no terminator when they fill
// count; -1 when the text is cut, its length when it fits, exactly or with its terminator.
int BoundedPrint(char *buffer, size_t count, const char *format, va_list args)
{
    std::string text(count + 1, '\0');
    int length = vsnprintf(&text[0], text.size(), format, args);
    memcpy(buffer, text.c_str(), std::min(count, static_cast<size_t>(length) + 1));
    return static_cast<size_t>(length) <= count ? length : -1;
}
}  // namespace

namespace standin {

const UINT kSystemAnsiCodePage = CP_UTF8;

// UTF-8 to UTF-16 as Windows converts without MB_ERR_INVALID_CHARS: a byte that starts no valid
// sequence becomes U+FFFD.
std::u16string Utf16Of(const std::string &text)
{
    std::u16string units;
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        char32_t point = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
        bool valid = extra >= 0 && i + extra < text.size() + (extra == 0);
        for (int k = 1; valid && k <= extra; k++) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            valid = (next >> 6) == 2;
            point = (point << 6) | (next & 0x3F);
        }
        static const char32_t kSmallest[] = { 0, 0x80, 0x800, 0x10000 };
        valid = valid && point >= kSmallest[extra] && point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
        if (!valid) {
            units += u'\uFFFD';
            i++;
        } else if (point >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
            i += extra + 1;
        } else {
            units += static_cast<char16_t>(point);
            i += extra + 1;
        }
    }
    return units;
}

// A lone surrogate becomes U+FFFD, as WideCharToMultiByte converts it.
std::string Utf8Of(const WCHAR *units)
{
    std::string text;
    for (size_t i = 0; units[i]; i++) {
        char32_t point = static_cast<char32_t>(units[i]);
        if (point >= 0xD800 && point < 0xDC00 && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            point = 0x10000 + ((point - 0xD800) << 10) + (static_cast<char32_t>(units[++i]) - 0xDC00);
        else if (point >= 0xD800 && point < 0xE000)
            point = 0xFFFD;
        int extra = point < 0x80 ? 0 : point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
        static const unsigned char kLead[] = { 0, 0xC0, 0xE0, 0xF0 };
        text += static_cast<char>(kLead[extra] | (point >> (6 * extra)));
        for (int k = extra - 1; k >= 0; k--)
            text += static_cast<char>(0x80 | ((point >> (6 * k)) & 0x3F));
    }
    return text;
}

void ResetSystem() { g = {}; }

void FailCoInitialize(HRESULT status) { g.coInitializeStatus = status; }
int CoInitializeBalance() { return g.coBalance; }
void SetWindowsVersion(DWORD platformId, DWORD major) { g.platformId = platformId; g.majorVersion = major; }
void SetLocaleCodePage(const char *text, bool succeeds) { g.localeCodePage = text; g.localeSucceeds = succeeds; }
void SetWineVersion(const char *version) { g.wineVersion = version; }
void RemoveMediaFoundation() { g.mediaFoundation = false; }
int TerminatedWith() { return g.terminatedWith; }

}  // namespace standin

DWORD GetLastError() { return g.lastError; }
void SetLastError(DWORD error) { g.lastError = error; }

HRESULT CoInitializeEx(LPVOID, DWORD model)
{
    // The player's streaming thread joins the multithreaded apartment.
    EXPECT_TRUE(model == COINIT_APARTMENTTHREADED || model == COINIT_MULTITHREADED);
    if (SUCCEEDED(g.coInitializeStatus))
        g.coBalance++;
    return g.coInitializeStatus;
}

void CoUninitialize() { g.coBalance--; }

BOOL GetVersionExA(OSVERSIONINFOA *version)
{
    EXPECT_EQ(version->dwOSVersionInfoSize, 148u);
    version->dwPlatformId = g.platformId;
    version->dwMajorVersion = g.majorVersion;
    return TRUE;
}

HMODULE GetModuleHandleA(LPCSTR name)
{
    if (strcasecmp(name, "user32.dll") == 0)
        return kUser32;
    return strcasecmp(name, "ntdll.dll") == 0 ? kNtdll : nullptr;
}

static UINT WINAPI GetDpiForWindow(HWND) { return standin::Dpi(); }

HMODULE LoadLibraryA(LPCSTR name)
{
    HMODULE module = strcasecmp(name, "mfplat.dll") == 0 ? kMfPlat : strcasecmp(name, "mfreadwrite.dll") == 0 ? kMfReadWrite : nullptr;
    EXPECT_NE(module, nullptr) << "LoadLibraryA " << name;
    if (!g.mediaFoundation)
        return nullptr;
    g.librariesLoaded++;
    return module;
}

BOOL FreeLibrary(HMODULE module)
{
    EXPECT_TRUE(module == kMfPlat || module == kMfReadWrite);
    EXPECT_GT(g.librariesLoaded--, 0) << "FreeLibrary of a library not loaded";
    return TRUE;
}

// Only Wine's ntdll exports its version; user32 knows each window's DPI from Windows 10 (1607) on;
// Media Foundation's two libraries export what the scripted reader serves.
FARPROC GetProcAddress(HMODULE module, LPCSTR name)
{
    if (module == kMfPlat)
        return strcmp(name, "MFStartup") == 0   ? Export(MFStartup)
             : strcmp(name, "MFShutdown") == 0  ? Export(MFShutdown)
             : strcmp(name, "MFCreateMediaType") == 0 ? Export(MFCreateMediaType) : nullptr;
    if (module == kMfReadWrite)
        return strcmp(name, "MFCreateSourceReaderFromURL") == 0 ? Export(MFCreateSourceReaderFromURL) : nullptr;
    EXPECT_TRUE(module == kNtdll || module == kUser32);
    if (module == kUser32)
        return strcmp(name, "GetDpiForWindow") == 0 && g.majorVersion >= 10
                   ? reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(GetDpiForWindow)) : nullptr;
    if (!g.wineVersion || strcmp(name, "wine_get_version") != 0)
        return nullptr;
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(WineGetVersion));
}

int MulDiv(int number, int numerator, int denominator)
{
    long long product = static_cast<long long>(number) * numerator;
    long long half = (denominator < 0 ? -denominator : denominator) / 2;
    return static_cast<int>((product < 0 ? product - half : product + half) / denominator);
}

LCID GetThreadLocale() { return 0x0409; }
UINT GetACP() { return standin::kSystemAnsiCodePage; }

int GetLocaleInfoA(LCID, LCTYPE type, LPSTR data, int length)
{
    EXPECT_EQ(type, static_cast<LCTYPE>(LOCALE_IDEFAULTANSICODEPAGE));
    if (!g.localeSucceeds || static_cast<int>(g.localeCodePage.size()) >= length)
        return 0;
    memcpy(data, g.localeCodePage.c_str(), g.localeCodePage.size() + 1);
    return static_cast<int>(g.localeCodePage.size()) + 1;
}

// The process's ANSI code page is UTF-8, as the player's manifest asks. Units are UTF-16's.
int MultiByteToWideChar(UINT codePage, DWORD, LPCSTR source, int sourceLength, LPWSTR destination, int destinationLength)
{
    EXPECT_EQ(sourceLength, -1);
    EXPECT_TRUE(codePage == CP_ACP || codePage == CP_UTF8) << "only the manifest's UTF-8 is known here";
    std::u16string units = standin::Utf16Of(source);
    int needed = static_cast<int>(units.size()) + 1;
    if (needed > destinationLength)
        return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
    std::copy(units.begin(), units.end(), destination);
    destination[needed - 1] = 0;
    return needed;
}

int WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR source, int sourceLength, LPSTR destination,
                        int destinationLength, LPCSTR, BOOL *)
{
    EXPECT_EQ(sourceLength, -1);
    EXPECT_TRUE(codePage == CP_ACP || codePage == CP_UTF8) << "only the manifest's UTF-8 is known here";
    std::string text = standin::Utf8Of(source);
    int needed = static_cast<int>(text.size()) + 1;
    if (needed > destinationLength)
        return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
    memcpy(destination, text.c_str(), text.size() + 1);
    return needed;
}

int lstrlenW(LPCWSTR text) { return text ? static_cast<int>(wcslen(text)) : 0; }

// Unicode's own lower case, as user32 has it whatever the locale.
DWORD CharLowerBuffW(LPWSTR text, DWORD length)
{
    static locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    for (DWORD i = 0; i < length; i++)
        text[i] = static_cast<WCHAR>(towlower_l(static_cast<wint_t>(text[i]), unicode));
    return length;
}

LPWSTR lstrcpynW(LPWSTR destination, LPCWSTR source, int length)
{
    if (length > 0)
        swprintf(destination, static_cast<size_t>(length), L"%ls", source);
    return destination;
}

LPVOID CoTaskMemAlloc(SIZE_T bytes) { return malloc(bytes); }
void CoTaskMemFree(LPVOID memory) { free(memory); }

PVOID InterlockedExchangePointer(PVOID volatile *target, PVOID value)
{
    PVOID previous = *target;
    *target = value;
    return previous;
}

LPSTR lstrcpynA(LPSTR destination, LPCSTR source, int length)
{
    if (length > 0)
        snprintf(destination, static_cast<size_t>(length), "%s", source);
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
HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(-1); }

// The process's end is only noted: the test goes on after WinMain.
BOOL TerminateProcess(HANDLE process, UINT exitCode)
{
    EXPECT_EQ(process, GetCurrentProcess()) << "only the player's own process is ended";
    g.terminatedWith = static_cast<int>(exitCode);
    return TRUE;
}
