// capture_test.cpp: demo_capture on a short song with sound and the end-to-end tests' pictures,
// read back with libavformat and libavcodec: streams, frame count, every frame against
// DrawScreen's frame for the position at its sample, the audio against the music library's own
// render, and the exit statuses of bad commands.
#include "decoded_media.h"
#include "test_assets.h"

#include "bassmod.h"
#include "bassmod_offline.h"
#include "demo.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <fstream>
#include <sstream>

namespace capture_test
{
namespace
{

namespace fs = std::filesystem;
using e2e::AssetFolder;

constexpr int kRate = 44100;
constexpr int kTickSamples = kRate / 100; // the songs' ticks last 10 ms
constexpr std::uint32_t kMusicLoadFlags = BASSMOD_MUSIC_PLAYONCE;

// Scenes 0 to 4 for 12 ticks each, scene 5 for 6 rows of 3 ticks, scene 6 for 20 ticks.
const std::vector<e2e::OrderTiming> kSong = {{3, 4}, {3, 4}, {3, 4}, {3, 4},
                                             {3, 4}, {6, 3}, {4, 5}};
constexpr double kSongSeconds = 0.98;

// The order the song plays at `sample` by its timing alone; 7 after its end.
std::uint32_t OrderAt(std::uint64_t sample)
{
    std::uint64_t start = 0;
    for (size_t order = 0; order < kSong.size(); ++order) {
        start += static_cast<std::uint64_t>(kSong[order].rows * kSong[order].ticks) * kTickSamples;
        if (sample < start) {
            return static_cast<std::uint32_t>(order);
        }
    }
    return static_cast<std::uint32_t>(kSong.size());
}

std::uint64_t SampleOfFrame(std::int64_t frame, int fps)
{
    return static_cast<std::uint64_t>(frame) * kRate / static_cast<unsigned>(fps);
}

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string ReadText(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Runs demo_capture in `folder` with `arguments`; `file_limit` bytes caps what it may write.
Outcome RunCapture(const fs::path &folder, const std::vector<std::string> &arguments,
                   rlim_t file_limit = RLIM_INFINITY)
{
    const fs::path out = folder.string() + ".stdout", err = folder.string() + ".stderr";
    std::vector<std::string> words = {DEMO_CAPTURE_BINARY};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    argv.reserve(words.size() + 1);
    for (auto &word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const rlimit limit = {file_limit, file_limit};
        signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of killing
        if (out_fd < 0 || err_fd < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0 ||
            chdir(folder.c_str()) != 0 || setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            _exit(127);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) {
        throw std::runtime_error("waitpid failed");
    }
    Outcome run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadText(out);
    run.err = ReadText(err);
    fs::remove(out);
    fs::remove(err);
    return run;
}

std::vector<std::string> FolderEntries(const fs::path &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What the capture must contain, made here the plain way: the music library in offline mode
// renders the song in one go; DrawScreen draws on the dummy driver's screen at each sample.
class Reference
{
  public:
    Reference(const fs::path &assets, std::uint64_t samples)
    {
        const fs::path here = fs::current_path();
        fs::current_path(assets);
        const bool music = BASSMOD_OfflineInit(kRate) != 0 &&
                           BASSMOD_MusicLoad(0, "music.xm", 0, 0, kMusicLoadFlags) != 0 &&
                           BASSMOD_MusicPlay() != 0;
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        const bool video = SDL_Init(SDL_INIT_VIDEO) == 0;
        screen_ = video ? SDL_SetVideoMode(800, 480, 16, SDL_HWSURFACE) : nullptr;
        if (screen_) {
            LoadPictures();
        }
        fs::current_path(here);
        if (!music || !screen_) {
            throw std::runtime_error("reference set-up failed");
        }
        audio_.resize(2 * samples);
        BASSMOD_OfflineRender(audio_.data(), static_cast<std::uint32_t>(samples));
    }
    ~Reference()
    {
        // The demo keeps its pictures until it exits; a test loads them once per reference.
        for (SDL_Surface **slot : {&isologo, &pilvet, &porkkana, &tehdas, &quelpmad, &blimt,
                                   &plimsa, &quelpsaksa, &loppu}) {
            SDL_FreeSurface(*slot);
            *slot = nullptr;
        }
        BASSMOD_Free();
        SDL_Quit();
    }

    std::uint32_t Position(std::uint64_t sample)
    {
        BASSMOD_OfflineSetClock(sample);
        return BASSMOD_MusicGetPosition();
    }

    // DrawScreen's frame while `sample` is heard, its colours expanded by SDL_GetRGB.
    std::vector<std::uint32_t> Frame(std::uint64_t sample)
    {
        BASSMOD_OfflineSetClock(sample);
        const int saved = dup(1); // scene 5 prints its row
        const int null = open("/dev/null", O_WRONLY);
        if (saved < 0 || null < 0) {
            ADD_FAILURE() << "cannot redirect standard output";
            return {};
        }
        fflush(stdout);
        dup2(null, 1);
        DrawScreen(screen_);
        fflush(stdout);
        dup2(saved, 1);
        close(saved);
        close(null);
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < 480; ++y) {
            const auto *row = reinterpret_cast<const Uint16 *>(
                static_cast<const Uint8 *>(screen_->pixels) + y * screen_->pitch);
            for (int x = 0; x < 800; ++x) {
                Uint8 r, g, b;
                SDL_GetRGB(row[x], screen_->format, &r, &g, &b);
                pixels.push_back(static_cast<std::uint32_t>(r) << 16 | g << 8 | b);
            }
        }
        return pixels;
    }

    const std::vector<std::int16_t> &Audio() const { return audio_; }

  private:
    SDL_Surface *screen_ = nullptr;
    std::vector<std::int16_t> audio_;
};

class CaptureTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        assets_.Write("music.xm", e2e::TonedSong(kSong));
        assets_.SaveDefaultPictures();
        fs::create_directory(out_);
    }
    void TearDown() override { fs::remove_all(out_); }

    AssetFolder assets_;
    fs::path out_ = assets_.path().string() + "-out";
};

TEST_F(CaptureTest, MkvHoldsEveryFrameAndSampleExactly)
{
    constexpr int kFps = 24; // 1837.5 samples a frame: the instants round down
    const Outcome run =
        RunCapture(out_, {"--fps", "24", "--assets", assets_.path().string(), "demo.mkv"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "") << "scene 5's rows reached standard output";
    EXPECT_NE(run.err.find("demo.mkv: 48 frames, 2.00 s of video"), std::string::npos) << run.err;
    EXPECT_EQ(FolderEntries(out_), std::vector<std::string>{"demo.mkv"});

    const DecodedMedia media = Decode(out_ / "demo.mkv");
    EXPECT_EQ(media.container, "matroska,webm");
    EXPECT_EQ(media.streams, 2);
    EXPECT_EQ(media.video.codec, "ffv1");
    EXPECT_EQ(media.video.pix_fmt, "bgr0");
    EXPECT_EQ(media.video.width, 800);
    EXPECT_EQ(media.video.height, 480);
    EXPECT_EQ(media.video.fps_num, kFps);
    EXPECT_EQ(media.video.fps_den, 1);
    EXPECT_EQ(media.audio.codec, "flac");
    EXPECT_EQ(media.audio.sample_fmt, "s16");
    EXPECT_EQ(media.audio.sample_rate, kRate);
    EXPECT_EQ(media.audio.channels, 2);

    // The song's length plus one second.
    const auto frames = static_cast<std::int64_t>(std::llround((kSongSeconds + 1) * kFps));
    ASSERT_EQ(static_cast<std::int64_t>(media.video.frames.size()), frames);
    Reference reference(assets_.path(), SampleOfFrame(frames, kFps));
    for (std::int64_t k = 0; k < frames; ++k) {
        const std::uint64_t sample = SampleOfFrame(k, kFps);
        // Every scene change lies hundreds of samples from a frame's instant, so the order
        // there is the song's, whatever the library's marking precision.
        ASSERT_EQ(reference.Position(sample) & 0xFFFF, OrderAt(sample)) << "frame " << k;
        ASSERT_TRUE(media.video.frames[k] == reference.Frame(sample))
            << "frame " << k << " (order " << OrderAt(sample) << ") is not DrawScreen's";
    }

    const std::vector<std::int16_t> &expected = reference.Audio();
    ASSERT_EQ(media.audio.samples.size(), expected.size());
    size_t differing = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        differing += media.audio.samples[i] != static_cast<float>(expected[i]) / 32768.0f ? 1 : 0;
    }
    EXPECT_EQ(differing, 0u);
    const auto loud = std::count_if(expected.begin(), expected.end(),
                                    [](std::int16_t v) { return std::abs(v) > 1000; });
    EXPECT_GT(loud, static_cast<long>(expected.size() / 4)) << "the song should be heard";
}

TEST_F(CaptureTest, Mp4IsH264AndAacCloseToTheDemo)
{
    constexpr int kFps = 60;
    const Outcome run =
        RunCapture(out_, {"--seconds", "1.5", "--assets", assets_.path().string(), "demo.mp4"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");

    const DecodedMedia media = Decode(out_ / "demo.mp4");
    EXPECT_EQ(media.container.find("mp4") != std::string::npos, true) << media.container;
    EXPECT_EQ(media.video.codec, "h264");
    EXPECT_EQ(media.video.pix_fmt, "yuv420p");
    EXPECT_EQ(media.video.width, 800);
    EXPECT_EQ(media.video.height, 480);
    EXPECT_EQ(media.video.fps_num, kFps);
    EXPECT_EQ(media.video.fps_den, 1);
    EXPECT_EQ(media.audio.codec, "aac");
    EXPECT_EQ(media.audio.sample_rate, kRate);
    EXPECT_EQ(media.audio.channels, 2);

    constexpr std::int64_t kFrames = 90; // --seconds 1.5
    ASSERT_EQ(static_cast<std::int64_t>(media.video.frames.size()), kFrames);
    Reference reference(assets_.path(), SampleOfFrame(kFrames, kFps));
    // One frame in every scene, two rows apart in scene 5, and one after the song's end, each
    // against DrawScreen's frame and against the frame before in this list (another scene or
    // row). 4:2:0 chroma costs the test pictures' checkerboards a few dB; a wrong frame far more.
    const std::vector<std::int64_t> instants = {4, 10, 20, 24, 32, 37, 44, 50, 80};
    std::vector<std::uint32_t> previous = reference.Frame(SampleOfFrame(80, kFps));
    for (const std::int64_t k : instants) {
        const std::vector<std::uint32_t> expected = reference.Frame(SampleOfFrame(k, kFps));
        // In scene 5 only the key areas change with the row: compare inside the key disc.
        const bool scene5 = OrderAt(SampleOfFrame(k, kFps)) == 5;
        const Area area = scene5 ? Area{140, 180, 120, 120, 800} : Area{0, 0, 800, 480, 800};
        const double own = Psnr(media.video.frames[k], expected, area);
        const double other = Psnr(media.video.frames[k], previous, area);
        EXPECT_GT(own, 26.0) << "frame " << k;
        EXPECT_GT(own, other + 4.0) << "frame " << k << " looks like another position's";
        previous = expected;
    }

    // The audio: as long as the video and, after the encoder's delay is cut, the same signal.
    const std::vector<std::int16_t> &expected = reference.Audio();
    ASSERT_NEAR(static_cast<double>(media.audio.samples.size()),
                static_cast<double>(expected.size()), 2.0 * 1024);
    double signal = 0, noise = 0;
    const size_t n = std::min(expected.size(), media.audio.samples.size());
    for (size_t i = 0; i < n; ++i) {
        const double want = expected[i] / 32768.0;
        signal += want * want;
        noise += (media.audio.samples[i] - want) * (media.audio.samples[i] - want);
    }
    EXPECT_GT(10 * std::log10(signal / noise), 15.0) << "the audio is off or out of step";
}

TEST_F(CaptureTest, SheetShowsEachSceneFromItsMiddle)
{
    constexpr int kFps = 60;
    const Outcome run =
        RunCapture(out_, {"--assets", assets_.path().string(), "--sheet", "sheet.png"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const DecodedMedia media = Decode(out_ / "sheet.png");
    ASSERT_EQ(media.video.frames.size(), 1u);
    constexpr int kThumbWidth = 200, kThumbHeight = 120, kGap = 4;
    ASSERT_EQ(media.video.width, 7 * kThumbWidth + 6 * kGap);
    ASSERT_EQ(media.video.height, kThumbHeight);

    const auto frames = static_cast<std::int64_t>(std::llround((kSongSeconds + 1) * kFps));
    Reference reference(assets_.path(), SampleOfFrame(frames, kFps));
    for (std::uint32_t scene = 0; scene < kSceneFiles.size(); ++scene) {
        std::int64_t first = -1, last = -1;
        for (std::int64_t k = 0; k < frames; ++k) {
            if (OrderAt(SampleOfFrame(k, kFps)) == scene) {
                first = first < 0 ? k : first;
                last = k;
            }
        }
        // The middle one of the scene's frames, shrunk by averaging 4 x 4 blocks, against its
        // thumbnail.
        const std::vector<std::uint32_t> full =
            reference.Frame(SampleOfFrame(first + (last - first + 1) / 2, kFps));
        std::vector<std::uint32_t> expected, thumbnail;
        for (int y = 0; y < kThumbHeight; ++y) {
            for (int x = 0; x < kThumbWidth; ++x) {
                std::uint32_t sum[3] = {0, 0, 0};
                for (int dy = 0; dy < 4; ++dy) {
                    for (int dx = 0; dx < 4; ++dx) {
                        const std::uint32_t p = full[(4 * y + dy) * 800 + 4 * x + dx];
                        for (int c = 0; c < 3; ++c) {
                            sum[c] += (p >> (8 * c)) & 0xFF;
                        }
                    }
                }
                expected.push_back((sum[2] / 16) << 16 | (sum[1] / 16) << 8 | sum[0] / 16);
                thumbnail.push_back(
                    media.video.frames[0][y * media.video.width +
                                          static_cast<int>(scene) * (kThumbWidth + kGap) + x] &
                    0xFFFFFF);
            }
        }
        EXPECT_GT(Psnr(thumbnail, expected), 28.0) << "scene " << scene;
    }
}

// A bad command, missing music or an output that cannot be written: the status says which, and
// no file is left behind, not even the temporary one.
TEST_F(CaptureTest, FailuresEndWithTheirStatusAndLeaveNoFile)
{
    const std::string assets = assets_.path().string();

    Outcome run = RunCapture(out_, {"--assets", assets, "demo.avi"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(".mp4 or .mkv"), std::string::npos) << run.err;
    run = RunCapture(out_, {"--fps", "0", "--assets", assets, "demo.mp4"});
    EXPECT_EQ(run.status, 2);
    run = RunCapture(out_, {"--assets", assets, "--sheet", "s.jpg", "demo.mp4"});
    EXPECT_EQ(run.status, 2);

    AssetFolder no_music;
    no_music.SaveDefaultPictures();
    run = RunCapture(out_, {"--assets", no_music.path().string(), "demo.mp4"});
    EXPECT_EQ(run.status, 255);
    EXPECT_NE(run.err.find("music.xm"), std::string::npos) << run.err;

    run = RunCapture(out_, {"--assets", assets, "missing/demo.mp4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("missing/demo.mp4"), std::string::npos) << run.err;

    fs::create_directory(out_ / "taken.mkv");
    run = RunCapture(out_, {"--assets", assets, "--seconds", "0.1", "taken.mkv"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(fs::is_directory(out_ / "taken.mkv"));
    fs::remove(out_ / "taken.mkv");

    // The disk fills up part of the way: the writes fail and the half-written file goes.
    run = RunCapture(out_, {"--assets", assets, "demo.mkv"}, 256 * 1024);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("demo.mkv"), std::string::npos) << run.err;

    EXPECT_EQ(FolderEntries(out_), std::vector<std::string>{}) << "a file was left behind";
    EXPECT_EQ(run.out, "");
}

} // namespace
} // namespace capture_test
