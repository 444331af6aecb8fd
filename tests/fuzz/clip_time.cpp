// The go-to-time field: whatever is typed, a time is read only from the shapes of notes, and a time
// read is never before the start nor beyond the largest the field takes.
#include "fuzz_target.h"

#include "navigation/navigation.h"

#include <stdio.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text = Text(data, size);
    REFERENCE_TIME time = -7;
    if (!ParseClipTime(text.c_str(), &time)) {
        FUZZ_CHECK(time == -7);
        return 0;
    }
    FUZZ_CHECK(time >= 0 && time <= 1000000000000000000 + 9000000);
    // The time read is the one written back in seconds and tenths.
    char seconds[40];
    snprintf(seconds, sizeof(seconds), "%lld.%lld", (long long)(time / 10000000), (long long)(time / 1000000 % 10));
    REFERENCE_TIME again = -1;
    FUZZ_CHECK(ParseClipTime(seconds, &again) && again == time);
    return 0;
}
