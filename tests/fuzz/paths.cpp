// Path composition: the split of a path, the join of folder and name, and the bookmark file's name,
// which always lies in the clip's own folder and fits in a path.
#include "fuzz_target.h"

#include "navigation/navigation.h"
#include "support/support.h"

#include <string.h>

static bool Ascii(const char *text)
{
    for (const char *c = text; *c; c++)
        if ((unsigned char)*c >= 0x80)
            return false;
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = Text(data, size);
    char name[PATH_BYTES], folder[PATH_BYTES], joined[PATH_BYTES], only[PATH_BYTES];
    SplitPath(path.c_str(), name, folder);
    FileNameOf(path.c_str(), only);
    FUZZ_CHECK(strnlen(name, PATH_BYTES) < PATH_BYTES && strnlen(folder, PATH_BYTES) < PATH_BYTES);
    FUZZ_CHECK(strcmp(name, only) == 0);
    if (JoinPath(joined, folder, name))
        FUZZ_CHECK(strlen(joined) == strlen(folder) + 1 + strlen(name));
    else
        FUZZ_CHECK(joined[0] == 0);

    char clip[PATH_BYTES], marks[PATH_BYTES];
    CopyPath(clip, path.c_str());
    if (BookmarkFileName(clip, marks)) {
        char markName[PATH_BYTES], markFolder[PATH_BYTES], clipName[PATH_BYTES], clipFolder[PATH_BYTES];
        SplitPath(marks, markName, markFolder);
        SplitPath(clip, clipName, clipFolder);
        WCHAR wide[MAX_PATH];
        FUZZ_CHECK(AnsiToWide(marks, wide, MAX_PATH));
        size_t length = strlen(markName);
        FUZZ_CHECK(length >= 3 && strcmp(markName + length - 3, "BMS") == 0);
        // ASCII names keep the byte rule exactly; others are made by the same rule on characters.
        if (Ascii(clip)) {
            bool bare = !strchr(clip, '\\') && !strchr(clip, '/');
            FUZZ_CHECK(bare || strcmp(markFolder, clipFolder) == 0);
            std::string replaced =
                std::string(clipName).substr(0, strlen(clipName) - 3 * (strlen(clipName) >= 3)) + "BMS";
            FUZZ_CHECK(markName == replaced || markName == std::string(clipName) + ".BMS");
        }
    }
    return 0;
}
