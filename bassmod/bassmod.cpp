// bassmod.cpp: the BASSMOD operations on one library-wide player, which is in one of two modes:
// playing on SDL's audio device (BASSMOD_Init) or on its caller's clock (BASSMOD_OfflineInit).
#include "bassmod.h"
#include "bassmod_offline.h"

#include "offline_playback.h"
#include "realtime_playback.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <variant>

namespace bassmod
{
namespace
{

constexpr std::uint32_t kVersion = 2;
constexpr std::int32_t kDefaultDevice = -1;
// libopenmpt renders at rates from 8 kHz to 192 kHz.
constexpr std::uint32_t kMinRate = 8000;
constexpr std::uint32_t kMaxRate = 192000;
constexpr std::uint32_t kNoModule = 0xFFFFFFFFu;
// The longest BASSMOD_Free waits for the audio driver to let go of the device. A healthy one
// does within a few milliseconds; the demo must end within a second of a key.
constexpr std::chrono::milliseconds kShutdownBound{400};

// All operations are called from the program's one thread.
class Player
{
  public:
    // Starts `Mode` at `rate` Hz unless a mode is running already.
    template <class Mode> bool start(std::uint32_t rate)
    {
        if (rate < kMinRate || rate > kMaxRate || running()) {
            return false;
        }
        free(); // drop what an outside SDL_Quit left behind
        auto playback = Mode::open(rate);
        if (!playback) {
            return false;
        }
        mode_ = std::move(playback);
        return true;
    }

    Player() = default;
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;
    // At exit the program's own status stands, whether or not the device let go.
    ~Player()
    {
        try {
            free();
        } catch (...) {
            // Nothing is left to tell at exit.
        }
    }

    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags)
    {
        return on_playback(false, [&](auto &playback) {
            return playback.load(from_memory, file, offset, length, flags);
        });
    }
    bool play()
    {
        return on_playback(false, [](auto &playback) { return playback.play(); });
    }
    std::uint32_t position()
    {
        return std::visit(
            [](auto &playback) -> std::uint32_t {
                if constexpr (std::is_same_v<decltype(playback), std::monostate &>) {
                    return kNoModule;
                } else {
                    return playback->position();
                }
            },
            mode_);
    }
    // Releases the running mode, if any. False if the audio driver held on to the device past
    // the shutdown bound: the device playback is then left to SDL's threads, never freed.
    bool free()
    {
        auto *device = std::get_if<std::unique_ptr<RealtimePlayback>>(&mode_);
        if (device != nullptr && !(*device)->close(kShutdownBound)) {
            // SDL's audio thread may still call into it: never freed.
            [[maybe_unused]] RealtimePlayback *const abandoned = device->release();
            mode_ = std::monostate{};
            return false;
        }
        mode_ = std::monostate{};
        return true;
    }

    // The offline playback, or null in any other mode.
    OfflinePlayback *offline()
    {
        auto *playback = std::get_if<std::unique_ptr<OfflinePlayback>>(&mode_);
        return playback != nullptr ? playback->get() : nullptr;
    }

  private:
    bool running()
    {
        if (std::holds_alternative<std::unique_ptr<OfflinePlayback>>(mode_)) {
            return true;
        }
        const auto *device = std::get_if<std::unique_ptr<RealtimePlayback>>(&mode_);
        return device != nullptr && (*device)->still_open();
    }

    template <class Operation> bool on_playback(bool without, Operation operation)
    {
        return std::visit(
            [&](auto &playback) -> bool {
                if constexpr (std::is_same_v<decltype(playback), std::monostate &>) {
                    return without;
                } else {
                    return operation(*playback);
                }
            },
            mode_);
    }

    std::variant<std::monostate, std::unique_ptr<RealtimePlayback>,
                 std::unique_ptr<OfflinePlayback>>
        mode_;
};

// A program may return without freeing the library: the static player then frees at exit.
Player &player()
{
    static Player instance;
    return instance;
}

// The audio driver would not let go of the device (a sound server that stopped answering holds
// SDL's audio thread). SDL 1.2 keeps its one device in global state, so the program's next
// SDL_Quit would wait on the same thread, or tear the device down under it: there is no clean
// way on. BASSMOD_Free is the shutdown of a program that is ending normally, so the library ends
// the process now, with the status of a normal end, its output flushed.
[[noreturn]] void end_process_at_shutdown()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

// Every C entry point runs through this: no exception crosses the C interface; a failing
// operation returns `on_failure`.
template <class Result, class Operation>
Result guarded(Result on_failure, Operation operation) noexcept
{
    try {
        return operation();
    } catch (...) {
        return on_failure;
    }
}
template <class Operation> void guarded(Operation operation) noexcept
{
    try {
        operation();
    } catch (...) {
        // Nothing to report through a void operation.
    }
}

} // namespace
} // namespace bassmod

using bassmod::guarded;
using bassmod::player;

uint32_t BASSMOD_GetVersion(void)
{
    return guarded(0u, [] { return bassmod::kVersion; });
}

int32_t BASSMOD_Init(int32_t device, uint32_t freq, uint32_t /*flags*/)
{
    return guarded(0, [&] {
        return device == bassmod::kDefaultDevice && player().start<bassmod::RealtimePlayback>(freq);
    });
}

int32_t BASSMOD_MusicLoad(int32_t mem, const void *file, uint32_t offset, uint32_t length,
                          uint32_t flags)
{
    return guarded(0, [&] { return player().load(mem != 0, file, offset, length, flags); });
}

int32_t BASSMOD_MusicPlay(void)
{
    return guarded(0, [] { return player().play(); });
}

uint32_t BASSMOD_MusicGetPosition(void)
{
    return guarded(bassmod::kNoModule, [] { return player().position(); });
}

void BASSMOD_Free(void)
{
    guarded([] {
        if (!player().free()) {
            bassmod::end_process_at_shutdown();
        }
    });
}

// The offline interface.

int32_t BASSMOD_OfflineInit(uint32_t freq)
{
    return guarded(0, [&] { return player().start<bassmod::OfflinePlayback>(freq); });
}

uint64_t BASSMOD_OfflineRender(int16_t *stereo, uint32_t frames)
{
    return guarded(std::uint64_t{0}, [&]() -> std::uint64_t {
        auto *offline = player().offline();
        return offline != nullptr ? offline->render(stereo, frames) : 0;
    });
}

void BASSMOD_OfflineSetClock(uint64_t sample)
{
    guarded([&] {
        if (auto *offline = player().offline()) {
            offline->set_clock(sample);
        }
    });
}

double BASSMOD_OfflineSongSeconds(void)
{
    return guarded(0.0, [] {
        const auto *offline = player().offline();
        return offline != nullptr ? offline->song_seconds() : 0.0;
    });
}
