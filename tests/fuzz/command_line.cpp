// The command line: whatever follows the program's name, the clip path is terminated, fits, and is
// absolute, or none is taken; the playlist built from it stays within its list.
#include "fuzz_target.h"

#include "app/shell.h"
#include "navigation/navigation.h"

#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    StartInput();
    standin::PutFile("C:\\media\\talk.wmv", "");
    standin::PutFile("C:\\media\\other.mp3", "");
    standin::SetCurrentFolder("C:\\media");
    std::string commandLine = Text(data, size);

    TakeCommandLinePath(commandLine.c_str());
    size_t length = strnlen(gszFileName, PATH_BYTES);
    FUZZ_CHECK(length < PATH_BYTES);
    // Absolute, or not taken at all: a path whose absolute form would not fit is said, not cut.
    bool absolute = gszFileName[0] == '\\' || gszFileName[1] == ':';
    FUZZ_CHECK(length == 0 || absolute);
    BuildPlaylist();
    FUZZ_CHECK(gnPlaylist >= 0 && gnPlaylist <= 2 && (gnPlaylist == 0 || giPlaylist < gnPlaylist));
    EndInput();
    return 0;
}
