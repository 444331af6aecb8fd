// The last-clip record reader: whatever the registry holds, the clip path is terminated, fits,
// and names a file that exists, or stays empty.
#include "fuzz_target.h"

#include "app/shell.h"

#include <string.h>

static const char kKey[] = "HKEY_CURRENT_USER\\Software\\Kestrovan\\Lumetrone\\";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartInput();
    // First two bytes: the values' types; then the folder's bytes and the name's, split at the first 0xFF.
    if (size < 2)
        return 0;
    std::string rest(reinterpret_cast<const char *>(data + 2), size - 2);
    size_t split = rest.find('\xff');
    std::string folder = rest.substr(0, split);
    std::string name = split == std::string::npos ? std::string() : rest.substr(split + 1);
    standin::PutRegistryValue(kKey, "lastpath", data[0] % 4, folder);
    standin::PutRegistryValue(kKey, "lastfile", data[1] % 4, name);
    standin::PutFile("C:\\media\\talk.wmv", "");

    LoadLastClip();
    size_t length = strnlen(gszFileName, PATH_BYTES);
    FUZZ_CHECK(length < PATH_BYTES);
    FUZZ_CHECK(length == 0 || standin::FileExists(gszFileName));
    EndInput();
    return 0;
}
