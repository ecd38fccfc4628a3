// assets_test.cpp: runs make_assets and checks what it writes: the ten files and nothing else,
// the same bytes on every run, pictures the demo can use, and a tune with the demo's shape.
#include "expected_scenes.h"
#include "openmpt_helpers.h"
#include "picture_checks.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

constexpr std::uint32_t kKeyColour = 0x00FF0000;
constexpr int kPixels = 800 * 480;

// Runs make_assets with the given arguments, quoted for the shell; returns its exit status.
int make_assets(const std::vector<std::string> &arguments)
{
    std::string command = "'" MAKE_ASSETS_PATH "'";
    for (const std::string &argument : arguments) {
        command += " '";
        command += argument;
        command += "'";
    }
    command += " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::uint8_t> read_file(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

class Assets : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        root_ = fs::temp_directory_path() / ("assets_test_" + std::to_string(getpid()));
        fs::remove_all(root_);
        ASSERT_EQ(make_assets({first().string()}), 0);
    }
    static void TearDownTestSuite() { fs::remove_all(root_); }

    // A directory two levels below one that does not exist yet.
    static fs::path first() { return root_ / "new" / "first"; }
    static fs::path second() { return root_ / "second"; }
    static fs::path root_;
};
fs::path Assets::root_;

TEST_F(Assets, WritesTheTenFilesAndNothingElse)
{
    std::set<std::string> expected(kPictureFiles.begin(), kPictureFiles.end());
    expected.insert("music.xm");
    std::set<std::string> written;
    for (const auto &entry : fs::directory_iterator(first())) {
        written.insert(entry.path().filename().string());
    }
    EXPECT_EQ(written, expected);
    std::set<std::string> around;
    for (const auto &entry : fs::recursive_directory_iterator(root_)) {
        around.insert(fs::relative(entry.path(), root_).string());
    }
    EXPECT_EQ(around.size(), expected.size() + 2); // plus "new" and "new/first"
}

TEST_F(Assets, SecondRunWritesTheSameBytes)
{
    ASSERT_EQ(make_assets({second().string()}), 0);
    for (const auto &entry : fs::directory_iterator(first())) {
        const fs::path name = entry.path().filename();
        EXPECT_EQ(read_file(entry.path()), read_file(second() / name)) << name;
    }
}

TEST_F(Assets, FailsWithAStatusOnBadArguments)
{
    EXPECT_EQ(make_assets({}), 2);
    EXPECT_EQ(make_assets({"one", "two"}), 2);
    const fs::path blocker = root_ / "a_file";
    std::ofstream(blocker) << "not a directory";
    EXPECT_EQ(make_assets({(blocker / "assets").string()}), 1);
    EXPECT_FALSE(fs::exists(fs::current_path() / "one"));
}

TEST_F(Assets, PicturesAre800x480At24BitsWithRichDetail)
{
    for (const char *name : kPictureFiles) {
        const test::Surface picture = test::load_bmp((first() / name).string());
        EXPECT_EQ(picture->w, 800) << name;
        EXPECT_EQ(picture->h, 480) << name;
        EXPECT_EQ(picture->format->BytesPerPixel, 3) << name;
        EXPECT_EQ(picture->format->Rmask, kKeyColour) << name;
        EXPECT_GE(test::distinct_colours(*picture), 64) << name;
    }
}

TEST_F(Assets, PicturesDifferOnTheSixteenBitScreen)
{
    std::vector<std::vector<std::uint16_t>> screens;
    screens.reserve(std::size(kPictureFiles));
    for (const char *name : kPictureFiles) {
        screens.push_back(test::as_rgb565(*test::load_bmp((first() / name).string())));
    }
    for (std::size_t a = 0; a < screens.size(); ++a) {
        for (std::size_t b = a + 1; b < screens.size(); ++b) {
            long differing = 0;
            for (std::size_t i = 0; i < screens[a].size(); ++i) {
                differing += screens[a][i] != screens[b][i];
            }
            EXPECT_GE(differing, kPixels / 10) << kPictureFiles[a] << " vs " << kPictureFiles[b];
        }
    }
}

// The animated areas are large shapes of exact key colour; isolated key pixels elsewhere
// would flicker as stray dots.
TEST_F(Assets, PlimsaCarriesLargeKeyColouredAreas)
{
    const test::Surface plimsa = test::load_bmp((first() / "plimsa.bmp").string());
    const std::vector<int> regions = test::key_regions(*plimsa, kKeyColour);
    long keyed = 0;
    for (const int size : regions) {
        keyed += size;
        EXPECT_GE(size, 300) << "a small patch of key colour";
    }
    EXPECT_GE(keyed, kPixels / 10);
    EXPECT_LE(keyed, kPixels / 2); // still a picture, not a red screen
}

// What the tune sounds like, order by order, rendered as the music library plays it.
struct OrderSound {
    double seconds = 0;
    double sum_of_squares = 0;
    long frames = 0;
    float peak = 0;
};

class Tune : public Assets
{
  protected:
    static void SetUpTestSuite()
    {
        Assets::SetUpTestSuite();
        module_ = test::load(read_file(first() / "music.xm"));
    }
    static void TearDownTestSuite()
    {
        module_.reset();
        Assets::TearDownTestSuite();
    }
    static std::unique_ptr<openmpt::module> module_;
};
std::unique_ptr<openmpt::module> Tune::module_;

TEST_F(Tune, HasSevenOrdersOfSixtyFourRowsAndItsOwnInstruments)
{
    EXPECT_EQ(module_->get_metadata("type"), "xm");
    ASSERT_EQ(module_->get_num_orders(), 7);
    for (int order = 0; order < 7; ++order) {
        EXPECT_EQ(module_->get_pattern_num_rows(module_->get_order_pattern(order)), 64) << order;
    }
    EXPECT_GE(module_->get_num_channels(), 4);
    EXPECT_GE(module_->get_num_instruments(), 4);
    EXPECT_EQ(module_->get_num_samples(), module_->get_num_instruments());
}

// Each scene lasts 6-12 s, about a minute in all, and the animated scene 5 outlasts the
// scenes before it.
TEST_F(Tune, ScenesLastSixToTwelveSeconds)
{
    std::vector<double> starts;
    starts.reserve(7);
    for (int order = 0; order < 7; ++order) {
        starts.push_back(module_->set_position_order_row(order, 0));
    }
    starts.push_back(module_->get_duration_seconds());
    for (int order = 0; order < 7; ++order) {
        const double length = starts[order + 1] - starts[order];
        EXPECT_GE(length, 6.0) << "order " << order;
        EXPECT_LE(length, 12.0) << "order " << order;
        if (order < 5) {
            EXPECT_GT(starts[6] - starts[5], length) << "order " << order;
        }
    }
    EXPECT_GE(starts[7], 50.0);
    EXPECT_LE(starts[7], 75.0);
}

// Played once through: orders only move forward, every one is heard, nothing clips.
TEST_F(Tune, EveryOrderSoundsOnceWithoutClipping)
{
    auto module = test::load(read_file(first() / "music.xm"));
    module->set_render_param(openmpt::module::RENDER_INTERPOLATIONFILTER_LENGTH, 0);
    module->set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH, -1);
    std::vector<OrderSound> orders(7);
    std::vector<float> left(512), right(512);
    int last_order = 0;
    double seconds = 0;
    while (seconds < 90) {
        const int order = module->get_current_order();
        const std::size_t frames = module->read(test::kRate, 512, left.data(), right.data());
        if (frames == 0) {
            break;
        }
        seconds += static_cast<double>(frames) / test::kRate;
        ASSERT_GE(order, last_order) << "the song went back";
        ASSERT_LT(order, 7);
        last_order = order;
        OrderSound &sound = orders[order];
        for (std::size_t i = 0; i < frames; ++i) {
            sound.peak = std::max({sound.peak, std::fabs(left[i]), std::fabs(right[i])});
            sound.sum_of_squares += left[i] * left[i] + right[i] * right[i];
        }
        sound.frames += static_cast<long>(frames);
    }
    EXPECT_NEAR(seconds, module->get_duration_seconds(), 0.1);
    for (int order = 0; order < 7; ++order) {
        const OrderSound &sound = orders[order];
        ASSERT_GT(sound.frames, 0) << "order " << order;
        const double rms =
            std::sqrt(sound.sum_of_squares / (2.0 * static_cast<double>(sound.frames)));
        EXPECT_GT(rms, 0.02) << "order " << order << " is nearly silent";
        EXPECT_LT(sound.peak, 0.99F) << "order " << order << " clips";
    }
}

} // namespace
