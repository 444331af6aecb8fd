// The go-to-time field: whatever is typed, a time is read only from the shapes of notes, and a time
// read is never before the start nor beyond the largest the field takes. The same input as another
// program's selection (UTF-16, with no terminator): a time found is in the same range, nothing past
// the text's length is read, and what stands before a blank does not change what is found after it.
#include "fuzz_target.h"

#include "navigation/navigation.h"

#include <stdio.h>
#include <vector>

static void FindInSelection(const uint8_t *data, size_t size)
{
    std::vector<WCHAR> text(size / 2 + 1, L' ');
    for (size_t i = 0; i < size / 2; i++)
        text[i + 1] = (WCHAR)(data[2 * i] | data[2 * i + 1] << 8);
    REFERENCE_TIME time = -7, after = -7;
    bool found = FindTimeInText(text.data() + 1, size / 2, &time);
    FUZZ_CHECK(found ? time >= 0 && time <= 1000000000000000000 + 9999999 : time == -7);
    FUZZ_CHECK(FindTimeInText(text.data(), text.size(), &after) == found && after == time);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FindInSelection(data, size);
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
