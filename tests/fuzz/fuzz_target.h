// Shared by the fuzz targets: each input runs on a fresh stand-in desktop, and a complaint of the
// stand-in (a leaked handle, a call it does not expect) ends the run like a crash.
#pragma once

#include <gtest/gtest.h>
#include <standin.h>

#include "app/player_state.h"

#include <stdint.h>
#include <stdlib.h>
#include <string>

static const char kFuzzClip[] = "C:\\media\\talk.wmv";

inline void StartInput()
{
    standin::Reset();
    gszFileName[0] = 0;
}

inline void EndInput()
{
    standin::ExpectAllReleased();
    if (::testing::UnitTest::GetInstance()->ad_hoc_test_result().Failed())
        abort();
}

// The fuzz input as a C string, as the platform would hand it over.
inline std::string Text(const uint8_t *data, size_t size)
{
    std::string text(reinterpret_cast<const char *>(data), size);
    return text.substr(0, text.find('\0'));
}

#define FUZZ_CHECK(condition) \
    do { if (!(condition)) { fprintf(stderr, "check failed: %s\n", #condition); abort(); } } while (0)
