// The one way a failure or notice reaches the user: a message box captioned with the product name.
#include "support/support.h"

#include <stdarg.h>
#include <stdio.h>

int ReportMessage(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    _vsnprintf(text, 1023, format, args);
    va_end(args);
    text[1023] = 0;
    return MessageBoxA(NULL, text, PRODUCT_NAME, MB_OK);
}
