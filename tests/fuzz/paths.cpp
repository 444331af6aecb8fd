// Path composition: the split of a path, the join of folder and name, and the bookmark file's name,
// which always lies in the clip's own folder and fits in a path.
#include "fuzz_target.h"

#include "navigation/navigation.h"
#include "support/support.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = Text(data, size);
    char name[MAX_PATH], folder[MAX_PATH], joined[MAX_PATH], only[MAX_PATH];
    SplitPath(path.c_str(), name, folder);
    FileNameOf(path.c_str(), only);
    FUZZ_CHECK(strnlen(name, MAX_PATH) < MAX_PATH && strnlen(folder, MAX_PATH) < MAX_PATH);
    FUZZ_CHECK(strcmp(name, only) == 0);
    JoinPath(joined, folder, name);
    FUZZ_CHECK(strnlen(joined, MAX_PATH) < MAX_PATH);

    char clip[MAX_PATH], marks[MAX_PATH];
    CopyPath(clip, path.c_str());
    if (BookmarkFileName(clip, marks)) {
        char markName[MAX_PATH], markFolder[MAX_PATH], clipName[MAX_PATH], clipFolder[MAX_PATH];
        SplitPath(marks, markName, markFolder);
        SplitPath(clip, clipName, clipFolder);
        FUZZ_CHECK(strnlen(marks, MAX_PATH) < MAX_PATH);
        bool bare = !strchr(clip, '\\') && !strchr(clip, '/');
        FUZZ_CHECK(bare || strcmp(markFolder, clipFolder) == 0);
        std::string replaced = std::string(clipName).substr(0, strlen(clipName) - 3 * (strlen(clipName) >= 3)) + "BMS";
        FUZZ_CHECK(markName == replaced || markName == std::string(clipName) + ".BMS");
    }
    return 0;
}
