// Media Foundation is loaded at start-up rather than linked: the N editions of Windows come without
// it, and there the player still starts and plays what the engine's own graph plays.
#include "app/player_state.h"
#include "engine/engine.h"
#include "engine/source_filter/source_filter.h"

#include <mfapi.h>
#include <mferror.h>

typedef HRESULT (WINAPI *StartupRoutine)(ULONG version, DWORD flags);
typedef HRESULT (WINAPI *MediaTypeRoutine)(IMFMediaType **type);
typedef HRESULT (WINAPI *ReaderRoutine)(LPCWSTR url, IMFAttributes *attributes, IMFSourceReader **reader);

template <typename Routine>
static Routine Find(HMODULE module, const char *name)
{
    return module ? (Routine)(void (*)())GetProcAddress(module, name) : NULL;
}

static void Unload(HMODULE &module)
{
    if (module)
        FreeLibrary(module);
    module = NULL;
}

void StartMediaFoundation()
{
    ghMediaFoundation = LoadLibraryA("mfplat.dll");
    ghSourceReaders = LoadLibraryA("mfreadwrite.dll");
    StartupRoutine startup = Find<StartupRoutine>(ghMediaFoundation, "MFStartup");
    if (ghSourceReaders && startup && SUCCEEDED(startup(MF_VERSION, MFSTARTUP_LITE)))
        return;
    Unload(ghSourceReaders);
    Unload(ghMediaFoundation);
}

HRESULT CreateSourceReader(const WCHAR *path, IMFSourceReader **reader)
{
    *reader = NULL;
    ReaderRoutine create = Find<ReaderRoutine>(ghSourceReaders, "MFCreateSourceReaderFromURL");
    return create ? create(path, NULL, reader) : MF_E_PLATFORM_NOT_INITIALIZED;
}

HRESULT CreateMediaType(IMFMediaType **type)
{
    *type = NULL;
    MediaTypeRoutine create = Find<MediaTypeRoutine>(ghMediaFoundation, "MFCreateMediaType");
    return create ? create(type) : MF_E_PLATFORM_NOT_INITIALIZED;
}
