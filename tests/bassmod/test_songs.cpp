// test_songs.cpp: builds the test songs with the XM writer and lists their row start samples.
#include "test_songs.h"

#include "xmwriter.h"

#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace test
{
namespace
{

constexpr std::uint8_t kC4 = 49;
constexpr std::uint8_t kSetSpeed = 0x0F;
constexpr std::uint8_t kJump = 0x0B;
constexpr std::uint8_t kSkipOrder = 254;
constexpr int kEmptyPatternRows = 64;

xm::Instrument square_wave()
{
    xm::Instrument instrument;
    instrument.name = "square";
    instrument.sample.name = "square";
    for (int i = 0; i < 64; ++i) {
        instrument.sample.pcm.push_back(i < 32 ? 12000 : -12000);
    }
    instrument.sample.loop = xm::Loop::Forward;
    instrument.sample.loop_start = 0;
    instrument.sample.loop_length = 64;
    return instrument;
}

xm::Module base_module(const std::vector<int> &pattern_rows)
{
    xm::Module module;
    module.channels = 2;
    module.speed = 1;
    module.bpm = 250;
    module.instruments.push_back(square_wave());
    for (const int rows : pattern_rows) {
        xm::Pattern &pattern = module.patterns.emplace_back(rows, 2);
        pattern.at(0, 0) = {kC4, 1, 0, 0, 0};
    }
    return module;
}

// The writer refuses orders that no stored pattern backs, so such orders are written over the
// order table (from byte 80 of an XM) afterwards.
std::vector<std::uint8_t> with_order(std::vector<std::uint8_t> bytes, std::size_t order,
                                     std::uint8_t pattern)
{
    constexpr std::size_t kOrderTableOffset = 80;
    bytes.at(kOrderTableOffset + order) = pattern;
    return bytes;
}

// libopenmpt drops skip markers from the orders of files that FastTracker 2 wrote (it has no
// such marker), so a song with one says another tracker wrote it.
std::vector<std::uint8_t> with_tracker_name(std::vector<std::uint8_t> bytes,
                                            const std::string &name)
{
    constexpr std::size_t kTrackerNameOffset = 38;
    constexpr std::size_t kTrackerNameBytes = 20;
    for (std::size_t i = 0; i < kTrackerNameBytes; ++i) {
        bytes.at(kTrackerNameOffset + i) =
            i < name.size() ? static_cast<std::uint8_t>(name[i]) : std::uint8_t{' '};
    }
    return bytes;
}

// Appends the rows of `order` playing `rows` rows of `ticks` ticks each from `*sample` on.
void add_rows(std::vector<RowStart> &list, std::uint32_t order, int rows, int ticks,
              std::uint64_t *sample)
{
    for (int row = 0; row < rows; ++row) {
        list.push_back({bassmod::pack_position(order, static_cast<std::uint32_t>(row)), *sample});
        *sample += static_cast<std::uint64_t>(ticks) * kTickFrames;
    }
}

} // namespace

Song steps_song()
{
    xm::Module module = base_module({16, 8, 12, 4});
    module.orders = {0, 1, 2, 3};
    module.patterns[2].at(0, 1) = {0, 0, 0, kSetSpeed, 3};
    module.patterns[3].at(0, 1) = {0, 0, 0, kSetSpeed, 1};
    Song song{xm::write(module), 4, {}};
    std::uint64_t sample = 0;
    add_rows(song.rows, 0, 16, 1, &sample);
    add_rows(song.rows, 1, 8, 1, &sample);
    add_rows(song.rows, 2, 12, 3, &sample);
    add_rows(song.rows, 3, 4, 1, &sample);
    song.rows.push_back({bassmod::pack_position(4, 0), sample});
    return song;
}

Song jump_back_song()
{
    xm::Module module = base_module({8, 8, 8});
    module.orders = {0, 1, 2};
    module.patterns[2].at(7, 1) = {0, 0, 0, kJump, 1};
    Song song{xm::write(module), 3, {}};
    std::uint64_t sample = 0;
    for (std::uint32_t order = 0; order < 3; ++order) {
        add_rows(song.rows, order, 8, 1, &sample);
    }
    song.rows.push_back({bassmod::pack_position(3, 0), sample});
    return song;
}

Song restart_song()
{
    xm::Module module = base_module({4, 4, 4});
    module.orders = {0, 1, 2};
    module.restart = 1;
    Song song{xm::write(module), 3, {}};
    std::uint64_t sample = 0;
    for (std::uint32_t order = 0; order < 3; ++order) {
        add_rows(song.rows, order, 4, 1, &sample);
    }
    song.rows.push_back({bassmod::pack_position(3, 0), sample});
    return song;
}

Song missing_last_pattern_song()
{
    xm::Module module = base_module({8, 8});
    module.orders = {0, 1, 1};
    Song song{with_order(xm::write(module), 2, 5), 3, {}};
    std::uint64_t sample = 0;
    add_rows(song.rows, 0, 8, 1, &sample);
    add_rows(song.rows, 1, 8, 1, &sample);
    add_rows(song.rows, 2, kEmptyPatternRows, 1, &sample);
    song.rows.push_back({bassmod::pack_position(3, 0), sample});
    return song;
}

Song skipped_first_order_song(bool missing_pattern)
{
    xm::Module module = base_module({8, 8});
    module.orders = {0, 0, 1};
    std::vector<std::uint8_t> bytes =
        missing_pattern
            ? with_order(xm::write(module), 0, 2)
            : with_tracker_name(with_order(xm::write(module), 0, kSkipOrder), "OpenMPT");
    Song song{std::move(bytes), 3, {}};
    std::uint64_t sample = 0;
    if (missing_pattern) {
        add_rows(song.rows, 0, kEmptyPatternRows, 1, &sample);
    }
    add_rows(song.rows, 1, 8, 1, &sample);
    add_rows(song.rows, 2, 8, 1, &sample);
    song.rows.push_back({bassmod::pack_position(3, 0), sample});
    return song;
}

Song click_song()
{
    constexpr std::uint32_t kRows = 64;
    xm::Module module;
    module.channels = 2;
    module.speed = 1;
    module.bpm = 55;
    xm::Instrument click;
    click.name = "click";
    click.sample.name = "click";
    click.sample.pcm.assign(24, 24000); // about 3 ms at C-4, then silence
    module.instruments.push_back(click);
    xm::Pattern &pattern = module.patterns.emplace_back(static_cast<int>(kRows), 2);
    for (int row = 0; row < static_cast<int>(kRows); ++row) {
        pattern.at(row, 0) = {kC4, 1, 0, 0, 0};
    }
    module.orders = {0};
    Song song{xm::write(module), 1, {}};
    for (std::uint32_t row = 0; row <= kRows; ++row) {
        const auto position =
            row < kRows ? bassmod::pack_position(0, row) : bassmod::pack_position(1, 0);
        song.rows.push_back({position, std::uint64_t{row} * kClickRowFrames});
    }
    return song;
}

std::filesystem::path write_temp_file(const std::string &name,
                                      const std::vector<std::uint8_t> &bytes)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "bassmod_tests";
    std::filesystem::create_directories(dir);
    std::filesystem::path path = dir / (std::to_string(::getpid()) + "_" + name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return path;
}

} // namespace test
