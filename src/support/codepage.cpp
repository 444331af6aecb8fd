// Chooses once per process the code page that turns ANSI paths into UTF-16.
#include "support/support.h"

typedef UINT (*CodePageRoutine)();

static UINT ChooseCodePage();
static CodePageRoutine gpfnCodePage = ChooseCodePage;  // the chooser until it has chosen

// The process's own ANSI code page, the one its ANSI calls use; a process given UTF-8 by its
// manifest keeps the old code page for its thread locale.
static UINT ProcessAnsiCodePage()
{
    return CP_ACP;
}

// Systems older than Windows 2000 know no CP_THREAD_ACP: ask the thread locale instead.
static UINT LocaleAnsiCodePage()
{
    char digits[7];
    if (!GetLocaleInfoA(GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE, digits, 7) || !digits[0])
        return GetACP();
    UINT codePage = 0;
    for (const char *p = digits; *p; p++)
        codePage = codePage * 10 + (UINT)(*p - '0');
    return codePage ? codePage : GetACP();
}

static UINT ChooseCodePage()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    CodePageRoutine chosen = LocaleAnsiCodePage;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 5)
        chosen = ProcessAnsiCodePage;
    InterlockedExchangePointer((PVOID *)&gpfnCodePage, (PVOID)chosen);
    return chosen();
}

UINT GetConversionCodePage()
{
    return gpfnCodePage();
}

BOOL AnsiToWide(const char *source, WCHAR *destination, int cchDestination)
{
    destination[0] = 0;
    int written = MultiByteToWideChar(GetConversionCodePage(), 0, source, -1, destination, cchDestination);
    destination[cchDestination - 1] = 0;
    return written > 0;
}

BOOL WideToAnsi(const WCHAR *source, char *destination, int cbDestination)
{
    destination[0] = 0;
    int written = WideCharToMultiByte(GetConversionCodePage(), 0, source, -1, destination, cbDestination, NULL, NULL);
    destination[cbDestination - 1] = 0;
    return written > 0;
}
