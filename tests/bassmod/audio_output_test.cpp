// audio_output_test.cpp: the sound itself, captured with SDL's disk audio driver: it is not
// silent, and it is exactly what libopenmpt renders for the song, with nothing lost or doubled.
#include "bassmod.h"
#include "library_fixture.h"
#include "test_songs.h"

#include <libopenmpt/libopenmpt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace
{

using test::LibraryTest;

std::vector<std::int16_t> read_samples(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(file), {}};
    std::vector<std::int16_t> samples(bytes.size() / sizeof(std::int16_t));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(std::int16_t));
    return samples;
}

// The whole song as libopenmpt renders it on its own: stereo, no dithering, played once.
std::vector<std::int16_t> reference_render(const std::vector<std::uint8_t> &bytes)
{
    openmpt_module *module = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
        nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(module, nullptr);
    std::vector<std::int16_t> samples;
    if (module == nullptr) {
        return samples;
    }
    openmpt_module_set_repeat_count(module, 0);
    openmpt_module_ctl_set_text(module, "play.at_end", "stop");
    openmpt_module_ctl_set_integer(module, "dither", 0);
    std::int16_t chunk[2 * 1000];
    for (;;) {
        const std::size_t frames =
            openmpt_module_read_interleaved_stereo(module, test::kRate, 1000, chunk);
        if (frames == 0) {
            break;
        }
        samples.insert(samples.end(), chunk, chunk + 2 * frames);
    }
    openmpt_module_destroy(module);
    return samples;
}

std::size_t first_sound(const std::vector<std::int16_t> &samples)
{
    const auto it =
        std::find_if(samples.begin(), samples.end(), [](std::int16_t s) { return s != 0; });
    return static_cast<std::size_t>(it - samples.begin());
}

TEST_F(LibraryTest, DiskDriverReceivesExactlyTheRenderedSong)
{
    const auto path = test::write_temp_file("output.raw", {});
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", path.string().c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "2", 1); // milliseconds between buffers: faster than real time

    const test::Song song = test::steps_song();
    ASSERT_NE(BASSMOD_Init(-1, test::kRate, 0), 0);
    ASSERT_TRUE(load_memory(song.bytes, BASSMOD_MUSIC_PLAYONCE));
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    const std::uint32_t end = bassmod::pack_position(song.orders, 0);
    ASSERT_EQ(test::wait_for_position([end](std::uint32_t p) { return p == end; },
                                      std::chrono::seconds(20)),
              end);
    BASSMOD_Free(); // closes the file

    const auto written = read_samples(path);
    const auto expected = reference_render(song.bytes);
    ASSERT_EQ(expected.size(), song.end_sample() * 2) << "the song lasts as long as planned";

    double energy = 0;
    for (const std::int16_t s : written) {
        energy += static_cast<double>(s) * s;
    }
    const double rms =
        std::sqrt(energy / static_cast<double>(std::max<std::size_t>(1, written.size())));
    EXPECT_GT(rms, 500.0) << "the output is not silent";

    // Silence (while paused), then the song sample for sample, then silence.
    const std::size_t start = first_sound(written);
    const std::size_t lead = first_sound(expected);
    ASSERT_GE(start, lead);
    const std::size_t song_start = start - lead;
    ASSERT_GE(written.size(), song_start + expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                           written.begin() + static_cast<std::ptrdiff_t>(song_start)));
    EXPECT_TRUE(
        std::all_of(written.begin() + static_cast<std::ptrdiff_t>(song_start + expected.size()),
                    written.end(), [](std::int16_t s) { return s == 0; }))
        << "silence after the end";
    std::filesystem::remove(path);
}

} // namespace
