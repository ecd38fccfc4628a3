// bassmod.cpp: the six BASSMOD operations on one library-wide player: an SDL audio device whose
// callback renders the loaded libopenmpt module, and the timeline that tells what is heard now.
// In offline mode (bassmod_offline.h) there is no device: the caller renders and sets the clock.
#include "bassmod.h"
#include "bassmod_offline.h"

#include "audio_device.h"
#include "module.h"
#include "renderer.h"
#include "timeline.h"

#include <libopenmpt/libopenmpt.h>

#include <chrono>
#include <memory>

namespace bassmod
{
namespace
{

constexpr std::uint32_t kVersion = 2;
constexpr std::int32_t kDefaultDevice = -1;
constexpr std::uint32_t kLoopFlag = 4;
// libopenmpt renders at rates from 8 kHz to 192 kHz.
constexpr std::uint32_t kMinRate = 8000;
constexpr std::uint32_t kMaxRate = 192000;
constexpr std::uint32_t kNoModule = 0xFFFFFFFFu;

Nanoseconds clock_now()
{
    return std::chrono::duration_cast<Nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

// All operations are called from the program's one thread; only the audio callback runs
// elsewhere, and it touches the renderer and the timeline's writing side only.
class Player
{
  public:
    Player() = default;
    Player(const Player &) = delete;
    Player &operator=(const Player &) = delete;
    // A program may return without freeing the library: the device must close (joining the
    // audio thread) before the module it renders goes away.
    ~Player() { free(); }

    bool init(std::int32_t device, std::uint32_t rate);
    bool load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
              std::uint32_t flags);
    bool play();
    std::uint32_t position() const;
    void free();

    // Offline mode: no device; the caller renders in order and says which sample is heard.
    bool init_offline(std::uint32_t rate);
    std::uint64_t render_offline(std::int16_t *stereo, std::size_t frames);
    void set_offline_clock(std::uint64_t sample) { offline_clock_ = sample; }
    double song_seconds() const;

  private:
    static void audio_callback(void *userdata, Uint8 *stream, int length);
    void unload();

    // Declared so that the device is destroyed first: it stops the callback that uses the rest.
    std::unique_ptr<Timeline> timeline_;
    std::unique_ptr<Renderer> renderer_;
    ModulePtr module_;
    bool playing_ = false;
    bool offline_ = false;
    std::uint64_t offline_rendered_ = 0; // frames rendered since play (or init)
    std::uint64_t offline_clock_ = 0;    // the sample being heard
    std::unique_ptr<AudioDevice> device_;
};

void Player::audio_callback(void *userdata, Uint8 *stream, int length)
{
    const Nanoseconds now = clock_now();
    auto &player = *static_cast<Player *>(userdata);
    const auto frames = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
    player.renderer_->render(reinterpret_cast<std::int16_t *>(stream), frames, now);
}

bool Player::init(std::int32_t device, std::uint32_t rate)
{
    if (device != kDefaultDevice || rate < kMinRate || rate > kMaxRate) {
        return false;
    }
    if (offline_ || (device_ && AudioDevice::still_open())) {
        return false; // already initialised
    }
    free(); // drop what an outside SDL_Quit left behind
    timeline_ = std::make_unique<Timeline>(rate);
    renderer_ = std::make_unique<Renderer>(*timeline_);
    device_ = AudioDevice::open(rate, audio_callback, this);
    if (!device_) {
        free();
        return false;
    }
    timeline_->set_queued_buffers(queued_buffers_on(device_->implementation(), device_->driver()));
    return true;
}

void Player::unload()
{
    if (!module_) {
        return;
    }
    {
        const AudioLock lock;
        renderer_->stop();
    }
    if (device_) {
        device_->set_paused(true);
    }
    module_.reset();
    playing_ = false;
}

bool Player::load(bool from_memory, const void *file, std::uint32_t offset, std::uint32_t length,
                  std::uint32_t flags)
{
    if (!device_ && !offline_) {
        return false;
    }
    unload();
    const EndMode end_mode = (flags & kLoopFlag) != 0 ? EndMode::Loop : EndMode::PlayOnce;
    if (from_memory) {
        module_ = open_module(module_memory(file, offset, length), end_mode);
    } else if (const auto bytes =
                   read_module_file(static_cast<const char *>(file), offset, length)) {
        module_ = open_module(*bytes, end_mode);
    }
    return module_ != nullptr;
}

bool Player::play()
{
    if (!module_) {
        return false;
    }
    const auto orders = static_cast<std::uint32_t>(openmpt_module_get_num_orders(module_.get()));
    {
        const AudioLock lock;
        // Seeking to order 0 row 0 lands at the song's end when order 0 is a skip marker;
        // seeking to the first second plays from the first order that is played.
        openmpt_module_set_position_seconds(module_.get(), 0.0);
        const auto first_order =
            static_cast<std::uint32_t>(openmpt_module_get_current_order(module_.get()));
        const auto first_row =
            static_cast<std::uint32_t>(openmpt_module_get_current_row(module_.get()));
        renderer_->start(module_.get(), orders);
        timeline_->reset(pack_position(first_order, first_row));
    }
    playing_ = true;
    offline_rendered_ = 0;
    if (device_) {
        device_->set_paused(false);
    }
    return true;
}

std::uint32_t Player::position() const
{
    if (!module_) {
        return kNoModule;
    }
    if (!playing_) {
        return pack_position(0, 0);
    }
    if (offline_) {
        return timeline_->position_of_sample(offline_clock_);
    }
    return timeline_->heard_at(clock_now());
}

void Player::free()
{
    device_.reset();
    module_.reset();
    playing_ = false;
    offline_ = false;
    offline_rendered_ = 0;
    offline_clock_ = 0;
    renderer_.reset();
    timeline_.reset();
}

bool Player::init_offline(std::uint32_t rate)
{
    if (rate < kMinRate || rate > kMaxRate || offline_ || (device_ && AudioDevice::still_open())) {
        return false;
    }
    free();
    timeline_ = std::make_unique<Timeline>(rate);
    renderer_ = std::make_unique<Renderer>(*timeline_);
    offline_ = true;
    return true;
}

std::uint64_t Player::render_offline(std::int16_t *stereo, std::size_t frames)
{
    if (!offline_) {
        return 0;
    }
    // The clock of the anchors is the sample count itself; nothing reads it in this mode.
    renderer_->render(stereo, frames, Nanoseconds{static_cast<std::int64_t>(offline_rendered_)});
    offline_rendered_ += frames;
    return offline_rendered_;
}

double Player::song_seconds() const
{
    return module_ ? openmpt_module_get_duration_seconds(module_.get()) : 0.0;
}

Player &player()
{
    static Player instance;
    return instance;
}

} // namespace
} // namespace bassmod

// The C interface: no exception may cross it.

uint32_t BASSMOD_GetVersion(void)
{
    return bassmod::kVersion;
}

int32_t BASSMOD_Init(int32_t device, uint32_t freq, uint32_t /*flags*/)
{
    try {
        return bassmod::player().init(device, freq) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t BASSMOD_MusicLoad(int32_t mem, const void *file, uint32_t offset, uint32_t length,
                          uint32_t flags)
{
    try {
        return bassmod::player().load(mem != 0, file, offset, length, flags) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int32_t BASSMOD_MusicPlay(void)
{
    try {
        return bassmod::player().play() ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

uint32_t BASSMOD_MusicGetPosition(void)
{
    return bassmod::player().position();
}

void BASSMOD_Free(void)
{
    bassmod::player().free();
}

// The offline interface.

int32_t BASSMOD_OfflineInit(uint32_t freq)
{
    try {
        return bassmod::player().init_offline(freq) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

uint64_t BASSMOD_OfflineRender(int16_t *stereo, uint32_t frames)
{
    return bassmod::player().render_offline(stereo, frames);
}

void BASSMOD_OfflineSetClock(uint64_t sample)
{
    bassmod::player().set_offline_clock(sample);
}

double BASSMOD_OfflineSongSeconds(void)
{
    return bassmod::player().song_seconds();
}
