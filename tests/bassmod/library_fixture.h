// library_fixture.h: a test fixture for the music library on SDL's headless audio drivers,
// which frees the library after every test, and a wait for a position with a deadline.
#pragma once

#include "bassmod.h"
#include "test_songs.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

namespace test
{

constexpr std::uint32_t kNoModule = 0xFFFFFFFFu;

// True when SDL 1.2 is sdl12-compat on SDL 2 (patch levels from 50 on; classic SDL 1.2 ended at
// 1.2.15), whose drivers queue differently.
inline bool is_sdl12_compat()
{
    const SDL_version *version = SDL_Linked_Version();
    return version->major == 1 && version->minor == 2 && version->patch >= 50;
}

class LibraryTest : public ::testing::Test
{
  protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 0); }
    void TearDown() override { BASSMOD_Free(); }

    static bool load_memory(const std::vector<std::uint8_t> &bytes,
                            std::uint32_t flags = BASSMOD_MUSIC_PLAYONCE)
    {
        return BASSMOD_MusicLoad(1, bytes.data(), 0, static_cast<std::uint32_t>(bytes.size()),
                                 flags) != 0;
    }
};

// Polls the position until `done` holds for it or `timeout` passes; returns the last position.
inline std::uint32_t wait_for_position(const std::function<bool(std::uint32_t)> &done,
                                       std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::uint32_t position = BASSMOD_MusicGetPosition();
    while (!done(position) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        position = BASSMOD_MusicGetPosition();
    }
    return position;
}

} // namespace test
