// The one way a failure or notice reaches the user: a message box captioned with the product name.
#include "support/support.h"

#include <stdarg.h>
#include <stdio.h>

int ReportMessage(const char *format, ...)
{
    char text[2 * PATH_BYTES];
    va_list args;
    va_start(args, format);
    _vsnprintf(text, sizeof(text) - 1, format, args);
    va_end(args);
    text[sizeof(text) - 1] = 0;
    return MessageBoxA(NULL, text, PRODUCT_NAME, MB_OK);
}

int ReportPathTooLong(const char *path)
{
    return ReportMessage("The clip %s could not be played: its path is longer than %d characters.\r\n", path, MAX_PATH - 1);
}
