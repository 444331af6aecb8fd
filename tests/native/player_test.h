// Shared fixture of the native tests: a fresh stand-in desktop per test, and the player's WinMain
// run on a script of steps. Each test runs in a process of its own, as the player's state is
// process-wide, and each run of the player in a test starts as a new process would.
#pragma once

#include <gtest/gtest.h>
#include <standin.h>

#include "app/commands.h"
#include "app/player_state.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "navigation/navigation.h"
#include "presentation/presentation.h"
#include "support/support.h"

#include <cstring>
#include <string>

// The last-clip record, the user's own, and where earlier versions kept it for the machine.
static const char kRecordKey[] = "HKEY_CURRENT_USER\\Software\\Kestrovan\\Lumetrone\\";
static const char kMachineRecordKey[] = "HKEY_LOCAL_MACHINE\\Software\\Kestrovan\\Lumetrone\\";
#include <vector>

static const char kClip[] = "C:\\media\\talk.wmv";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

// The player's state as a process has it at load (see src/app/player_state.cpp); what an earlier
// run allocated is given back, as at that process's end.
inline void ResetPlayerState()
{
    free(gPlaylist);
    gPlaylist = NULL;
    free(gBookmarks);
    gBookmarks = NULL;
    for (int i = 0; i < gnNotes; i++)
        free(gNotes[i].text);
    free(gNotes);
    gNotes = NULL;
    gnNotes = gnNoteSlots = 0;
    gdwNotesFailureSaid = 0;
    memset(gszFileName, 0, sizeof(gszFileName));
    memset(gszFolder, 0, sizeof(gszFolder));
    memset(gszStatusText, 0, sizeof(gszStatusText));
    memset(gFavourites, 0, sizeof(gFavourites));
    gOfn = OPENFILENAMEA{};
    gPlayState = Stopped;
    gABState = ABOff;
    gbAudioOnly = gbFullScreen = gbStopToSeek = gbOfnShown = gbGlobalKeys = FALSE;
    giRewindSeconds = 0;
    giLoopCount = giLoopGapSeconds = giLoopRepeat = 0;
    gbLoopGap = FALSE;
    giWordJumpWaiting = 0;
    grtWordJumpFrom = 0;
    gdwWordJumpSince = 0;
    gbPedalsHeld = 0;
    gdRate = 0;
    glVolume = glMuteVolume = 0;
    gfZoom = 1.0f;
    grtResume = grtA = grtB = grtStatusDuration = grtStatusPosition = 0;
    pTail = NULL; pGB = NULL; pMC = NULL; pME = NULL; pMS = NULL; pVW = NULL; pBV = NULL; pBA = NULL; pSource = NULL;
    ghMediaFoundation = NULL; ghSourceReaders = NULL;
    ghInst = NULL;
    ghApp = ghStatus = ghKeys = ghGoToTime = ghNoteBox = NULL;
    ghMenu = NULL;
    ghbrWhite = ghbrGreen = ghbrOrange = NULL;
    ghbrSaved = NULL;
    ghStripFont = NULL;
    hDrain = 0;
    gnPlaylistSlots = gnPlaylist = giPlaylist = gnBookmarkSlots = gnBookmarks = gnFavourites = 0;
    gbStatusVisible = 0;
    guLastKey = 0;
    gdwTailSince = 0;
    gdwBookmarkFailureSaid = 0;
    giWheelDelta = 0;
    guDpi = 96;
    giVolumeLeft = giVolumeTop = giVolumeWidth = giVolumeHeight = giVolumePixelsPerDecade = 0;
    giProgressLeft = giProgressTop = giProgressHeight = giProgressRightMargin = 0;
    giProgressRight = giProgressBottom = giProgressWidth = 0;
    giBandTop = giBandHeight = gnBandColumns = gnBandRows = gnBandFinal = 0;
    grtBandDuration = 0;
}

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    void TearDown() override { standin::ExpectAllReleased(); }

    // A value kept for the user, as the player's own record holds it.
    static void PutSetting(const char *name, DWORD value)
    {
        standin::PutRegistryValue(kRecordKey, name, REG_DWORD, std::string(reinterpret_cast<const char *>(&value), 4));
    }

    // The stored value, or -1 when it is missing or no REG_DWORD.
    static long long Setting(const char *name)
    {
        DWORD type = 0;
        std::string data;
        if (!standin::RegistryValue(kRecordKey, name, &type, &data) || type != REG_DWORD || data.size() != 4)
            return -1;
        DWORD value;
        memcpy(&value, data.data(), 4);
        return value;
    }

    // Runs the player to its end as a new process; the steps run in turn whenever its queue is idle.
    int RunPlayer(const char *commandLine, std::vector<std::function<void()>> steps = {})
    {
        ResetPlayerState();
        standin::StartProcess();
        standin::Script(std::move(steps));
        return WinMain(reinterpret_cast<HINSTANCE>(0x400000), nullptr, const_cast<LPSTR>(commandLine), SW_SHOWNORMAL);
    }

    // Runs the player on a clip registered with the stand-in engine, with one step while it plays.
    void Play(std::function<void()> step, const standin::Clip &clip = {}, const char *path = kClip)
    {
        standin::AddClip(path, clip);
        RunPlayer(path, {std::move(step)});
    }

    static void Key(UINT vk) { SendMessageA(ghApp, WM_KEYDOWN, vk, 1); }
    static void Char(char c) { SendMessageA(ghApp, WM_CHAR, static_cast<unsigned char>(c), 1); }
    static void Command(WPARAM id) { SendMessageA(ghApp, WM_COMMAND, id, 0); }

    // Graph calls since the last mark, without the forwarding of owner messages.
    static std::vector<std::string> CallsSince(size_t mark)
    {
        std::vector<std::string> calls;
        const std::vector<std::string> &all = standin::GraphCalls();
        for (size_t i = mark; i < all.size(); i++)
            if (all[i].rfind("NotifyOwnerMessage", 0) != 0)
                calls.push_back(all[i]);
        return calls;
    }
    static size_t Mark() { return standin::GraphCalls().size(); }
};

#define EXPECT_CALLS(mark, ...) EXPECT_EQ(CallsSince(mark), (std::vector<std::string>{__VA_ARGS__}))

inline LONG Width(const RECT &r) { return r.right - r.left; }
inline LONG Height(const RECT &r) { return r.bottom - r.top; }
