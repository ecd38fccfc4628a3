// offline_test.cpp: the library on its caller's clock: the mode's contract next to the device
// mode, positions that follow the clock row by row, and audio that does not depend on how the
// caller slices its rendering or on a restart.
#include "bassmod.h"
#include "bassmod_offline.h"
#include "library_fixture.h"
#include "test_songs.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

using test::kNoModule;
using test::kRate;
using test::LibraryTest;

constexpr std::uint32_t kPlayOnce = BASSMOD_MUSIC_PLAYONCE;

std::vector<std::int16_t> render(std::uint64_t frames, std::uint32_t chunk)
{
    std::vector<std::int16_t> audio(2 * frames);
    for (std::uint64_t done = 0; done < frames; done += chunk) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(chunk, frames - done));
        BASSMOD_OfflineRender(audio.data() + 2 * done, count);
    }
    return audio;
}

TEST_F(LibraryTest, OfflineModeStandsInForTheDeviceUntilFree)
{
    std::int16_t stereo[2] = {1, 1};
    EXPECT_EQ(BASSMOD_OfflineRender(stereo, 1), 0u) << "not in offline mode yet";
    EXPECT_EQ(BASSMOD_OfflineInit(7999), 0);
    EXPECT_EQ(BASSMOD_OfflineInit(192001), 0);
    ASSERT_NE(BASSMOD_OfflineInit(kRate), 0);
    EXPECT_EQ(BASSMOD_OfflineInit(kRate), 0);
    EXPECT_EQ(BASSMOD_Init(-1, kRate, 0), 0);
    EXPECT_EQ(BASSMOD_MusicGetPosition(), kNoModule);
    EXPECT_EQ(BASSMOD_OfflineSongSeconds(), 0.0);

    const test::Song song = test::steps_song();
    ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
    EXPECT_NEAR(BASSMOD_OfflineSongSeconds(), 0.64, 0.001);
    EXPECT_EQ(BASSMOD_OfflineRender(stereo, 1), 1u);
    EXPECT_EQ(stereo[0], 0) << "silence before play";
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0u);

    BASSMOD_Free();
    EXPECT_EQ(BASSMOD_OfflineRender(stereo, 1), 0u);
    EXPECT_NE(BASSMOD_Init(-1, kRate, 0), 0) << "the device mode works again after Free";
}

TEST_F(LibraryTest, OfflinePositionIsTheRowOfTheClocksSample)
{
    const test::Song song = test::steps_song();
    ASSERT_NE(BASSMOD_OfflineInit(kRate), 0);
    ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    const std::uint64_t frames = song.end_sample() + kRate / 10;
    render(frames, 735);
    std::int16_t none[2];
    EXPECT_EQ(BASSMOD_OfflineRender(none, 0), frames) << "frames rendered since play";

    // The middle of each row: far from where any renderer would mark its start.
    for (size_t i = 0; i + 1 < song.rows.size(); ++i) {
        const std::uint64_t middle = (song.rows[i].sample + song.rows[i + 1].sample) / 2;
        BASSMOD_OfflineSetClock(middle);
        EXPECT_EQ(BASSMOD_MusicGetPosition(), song.rows[i].position) << "row " << i;
    }
    BASSMOD_OfflineSetClock(song.end_sample() + 1000);
    EXPECT_EQ(BASSMOD_MusicGetPosition(), song.rows.back().position) << "the song's end";
    BASSMOD_OfflineSetClock(0);
    EXPECT_EQ(BASSMOD_MusicGetPosition(), 0u) << "the clock may go back";
}

TEST_F(LibraryTest, OfflineAudioIsTheSameHoweverItIsSlicedAndAfterARestart)
{
    const test::Song song = test::steps_song();
    ASSERT_NE(BASSMOD_OfflineInit(kRate), 0);
    ASSERT_TRUE(load_memory(song.bytes, kPlayOnce));
    const std::uint64_t frames = song.end_sample() + 2000;
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    const std::vector<std::int16_t> whole = render(frames, 1u << 20);
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    const std::vector<std::int16_t> sliced = render(frames, 1837);
    ASSERT_NE(BASSMOD_MusicPlay(), 0);
    const std::vector<std::int16_t> single = render(frames, 1);

    EXPECT_TRUE(whole == sliced);
    EXPECT_TRUE(whole == single);
    EXPECT_GT(std::count_if(whole.begin(), whole.end(), [](std::int16_t v) { return v != 0; }),
              static_cast<long>(whole.size() / 2))
        << "the song sounds throughout";
    EXPECT_TRUE(std::all_of(whole.end() - 2 * 1000, whole.end(), [](std::int16_t v) {
        return v == 0;
    })) << "silence after the song's end";
}

} // namespace
