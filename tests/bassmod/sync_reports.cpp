// sync_reports.cpp: playing the click track and polling the positions the library reports.
#include "sync_reports.h"

#include "bassmod.h"

#include <chrono>
#include <thread>

namespace test
{
namespace
{

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kPlayOnce = BASSMOD_MUSIC_PLAYONCE;
constexpr auto kSongTimeout = std::chrono::seconds(20);

} // namespace

std::int64_t steady_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

std::string load_song(const Song &song)
{
    if (BASSMOD_Init(-1, kRate, 0) == 0) {
        return "BASSMOD_Init failed";
    }
    if (BASSMOD_MusicLoad(1, song.bytes.data(), 0, static_cast<std::uint32_t>(song.bytes.size()),
                          kPlayOnce) == 0) {
        BASSMOD_Free();
        return "BASSMOD_MusicLoad failed";
    }
    return "";
}

std::vector<Report> play_and_watch(const Song &song)
{
    const std::uint32_t end = bassmod::pack_position(song.orders, 0);
    BASSMOD_MusicPlay();
    std::vector<Report> reports;
    const auto deadline = Clock::now() + kSongTimeout;
    while (Clock::now() < deadline) {
        const std::uint32_t position = BASSMOD_MusicGetPosition();
        const std::int64_t now = steady_ns();
        if (reports.empty() || reports.back().position != position) {
            reports.push_back({position, now});
        }
        if (position == end) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return reports;
}

} // namespace test
