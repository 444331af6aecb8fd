// Process start-up, the message loop and shutdown.
#include "app/player_state.h"
#include "app/commands.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <shellapi.h>
#include <string.h>

// One optional clip path: a leading quote goes, and then a trailing one; nothing else is parsed.
// A path too long to hold is said and not taken, so the open dialog is offered instead.
void TakeCommandLinePath(const char *commandLine)
{
    const char *path = commandLine[0] == '"' ? commandLine + 1 : commandLine;
    size_t length = strlen(path);
    if (commandLine[0] == '"' && length && path[length - 1] == '"')
        length--;
    if (length > PATH_BYTES - 1) {
        ReportPathTooLong(path);
        return;
    }
    memcpy(gszFileName, path, length);
    gszFileName[length] = 0;
    // A relative path is made absolute now, or the playlist and the last-clip record get no folder.
    char full[PATH_BYTES];
    DWORD fullLength = gszFileName[0] ? GetFullPathNameA(gszFileName, PATH_BYTES, full, NULL) : 0;
    if (fullLength >= PATH_BYTES) {
        ReportPathTooLong(gszFileName);
        gszFileName[0] = 0;
    } else if (fullLength > 0) {
        CopyPath(gszFileName, full);
    }
}

static void SetStartupValues()
{
    gbStatusVisible = 0;
    gdRate = 1.0;
    ghStatus = NULL;
    ghStripFont = NULL;
    ghKeys = NULL;
    ghMarkList = NULL;
    gnBookmarks = 0;
    gnFavourites = 0;
}

static BOOL RegisterWindowClass(const char *name, WNDPROC procedure, const char *menu)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = ghInst;
    wc.hIcon = LoadIconA(ghInst, MAKEINTRESOURCEA(IDI_APP));
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszMenuName = menu;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

static int FailRegistration()
{
    ReportMessage("RegisterClass Failed! Error=0x%x\r\n", GetLastError());
    CoUninitialize();
    return 1;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    MSG msg = {};
    SetStartupValues();

    if (FAILED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED))) {
        ReportMessage("CoInitialize Failed!\r\n");
        return 1;
    }
    DetectSeekStall();

    if (commandLine && commandLine[0])
        TakeCommandLinePath(commandLine);
    else
        LoadLastClip();
    gszFileName[PATH_BYTES - 1] = 0;
    BuildPlaylist();
    gPlayState = NoClip;

    ghInst = instance;
    if (!RegisterWindowClass("WMView", MainWndProc, MAKEINTRESOURCEA(IDR_MAIN_MENU)))
        return FailRegistration();
    ghApp = CreateWindowExA(0, "WMView", PRODUCT_NAME, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            CW_USEDEFAULT, CW_USEDEFAULT, 500, CW_USEDEFAULT,
                            NULL, NULL, ghInst, NULL);
    if (!ghApp) {
        ReportMessage("Failed to create the main window! Error=0x%x\r\n", GetLastError());
        CoUninitialize();
        return 0;
    }
    DragAcceptFiles(ghApp, TRUE);
    if (!RegisterWindowClass("DSPWMSStatus", StatusWndProc, NULL))
        return FailRegistration();

    // Placed by the strip's layout, at the window's DPI.
    // It paints nothing over the note box, a sibling above it.
    ghStatus = CreateWindowExA(0, "DSPWMSStatus", PRODUCT_NAME, WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, ghApp, NULL,
                               ghInst, NULL);
    ReadWindowDpi();
    ghMenu = GetMenu(ghApp);

    // Handled once the loop runs, by which time the brushes exist. The status timer runs only
    // while the strip is shown over a clip, so an idle player never wakes.
    PostMessageA(ghApp, WM_COMMAND, IDM_OPEN_CLIP, 0);
    LoadControlSettings();   // after the open: what it posts comes once the clip plays
    ghbrWhite = CreateSolidBrush(0xFFFFFF);
    ghbrGreen = CreateSolidBrush(0x80FF80);
    ghbrOrange = CreateSolidBrush(0x0080FF);

    StartMediaFoundation();
    // Unicode messages, so that a note typed in any script reaches the note box whole.
    while (GetMessageW(&msg, NULL, 0, 0)) {
        if (ghMarkList && IsMarkListMessage(&msg))
            continue;
        if ((ghKeys && IsDialogMessageW(ghKeys, &msg)) || (ghNoteBox && IsDialogMessageW(ghNoteBox, &msg)))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CoUninitialize();
    // Compatibility: under Wine, threads that Media Foundation's reader left in GStreamer can fault
    // while Media Foundation shuts down and its libraries unload, and the player would end by a
    // crash. All it keeps is saved and closed by now, so the process ends without either.
    TerminateProcess(GetCurrentProcess(), (UINT)msg.wParam);
    return (int)msg.wParam;
}
