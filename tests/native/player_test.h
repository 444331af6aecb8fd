// Shared fixture of the native tests: a fresh stand-in desktop per test, and the player's WinMain
// run on a script of steps. Each test runs in a process of its own, as the player's state is process-wide.
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

#include <string>

// The last-clip record, the user's own, and where earlier versions kept it for the machine.
static const char kRecordKey[] = "HKEY_CURRENT_USER\\Software\\Kestrovan\\Lumetrone\\";
static const char kMachineRecordKey[] = "HKEY_LOCAL_MACHINE\\Software\\Kestrovan\\Lumetrone\\";
#include <vector>

static const char kClip[] = "C:\\media\\talk.wmv";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show);

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    void TearDown() override { standin::ExpectAllReleased(); }

    // Runs the player to its end; the steps run in turn whenever its queue is idle.
    int RunPlayer(const char *commandLine, std::vector<std::function<void()>> steps = {})
    {
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
