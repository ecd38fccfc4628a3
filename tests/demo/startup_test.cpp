// startup_test.cpp: the demo's whole run, in a child process on the scripted music library:
// start-up order and failures, exit statuses, output, and how events end the frame loop.
#include "expected_scenes.h"
#include "music_double.h"
#include "test_surfaces.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/wait.h>

namespace
{

namespace fs = std::filesystem;

struct PictureFile {
    const char *name;
    Uint8 r, g, b; // colours that survive a 16-bit screen unchanged
};
const PictureFile PICTURES[] = {
    {"isologo.bmp", 255, 0, 0},    {"pilvet.bmp", 0, 0, 255},       {"porkkana.bmp", 0, 0, 0},
    {"tehdas.bmp", 0, 255, 0},     {"quelpmad.bmp", 255, 0, 255},   {"blimt.bmp", 0, 0, 0},
    {"plimsa.bmp", 255, 255, 255}, {"quelpsaksa.bmp", 255, 255, 0}, {"loppu.bmp", 0, 255, 255},
};

// The flip log's line for a frame showing that picture, or black when it is missing.
std::string FlipShowing(const std::string &name, const std::set<std::string> &missing = {})
{
    for (const PictureFile &picture : PICTURES) {
        if (name == picture.name && !missing.count(name))
            return "SDL_Flip " + std::to_string(picture.r) + "," + std::to_string(picture.g) + "," +
                   std::to_string(picture.b);
    }
    return "SDL_Flip 0,0,0";
}

struct DemoRun {
    int status = -1;
    std::string output;
    std::vector<std::string> calls;
};

std::vector<std::string> Lines(std::istream &in)
{
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Runs the demo in a fresh folder holding the pictures not listed as missing.
DemoRun RunDemo(const std::string &script, const std::set<std::string> &missing = {},
                const std::string &video_driver = "dummy")
{
    char pattern[] = "/tmp/demo_startup.XXXXXX";
    const char *made = mkdtemp(pattern);
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    fs::path folder = made;
    for (const PictureFile &picture : PICTURES) {
        if (missing.count(picture.name))
            continue;
        SurfacePtr surface = MakeSurface(FormatNamed("rgb24"), 32, 24);
        SDL_FillRect(surface.get(), nullptr,
                     SDL_MapRGB(surface->format, picture.r, picture.g, picture.b));
        if (SDL_SaveBMP(surface.get(), (folder / picture.name).c_str()) != 0)
            throw std::runtime_error("SDL_SaveBMP failed");
    }

    std::string command = "cd '" + folder.string() + "' && DEMO_DOUBLE_SCRIPT='" + script +
                          "' DEMO_DOUBLE_LOG=calls.log SDL_VIDEODRIVER=" + video_driver +
                          " SDL_AUDIODRIVER=dummy '" DEMO_SCRIPTED "'";
    DemoRun run;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("popen failed");
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, got);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

    std::ifstream log(folder / "calls.log");
    run.calls = Lines(log);
    fs::remove_all(folder);
    return run;
}

std::vector<std::string> CallsStartingWith(const DemoRun &run, const std::string &prefix)
{
    std::vector<std::string> found;
    for (const std::string &call : run.calls)
        if (call.compare(0, prefix.size(), prefix) == 0)
            found.push_back(call);
    return found;
}

size_t Frames(const DemoRun &run)
{
    return CallsStartingWith(run, "SDL_Flip").size();
}

using Calls = std::vector<std::string>;

const Calls MUSIC_START = {"BASSMOD_GetVersion", "BASSMOD_Init -1 44100 0",
                           "BASSMOD_MusicLoad 0 music.xm 0 0 514"};

TEST(Startup, WrongMusicLibraryVersionPrintsTheMessageAndFails)
{
    for (const char *version : {"0", "1", "3", "0x20000"}) {
        DemoRun run = RunDemo(std::string("version ") + version);
        EXPECT_EQ(run.status, 255) << "version " << version;
        EXPECT_EQ(run.output, "BASSMOD version 2.0 was not loaded\n");
        EXPECT_EQ(run.calls, Calls{"BASSMOD_GetVersion"});
    }
}

TEST(Startup, MusicFailuresReturnMinusOneSilently)
{
    DemoRun no_output = RunDemo("init 0");
    EXPECT_EQ(no_output.status, 255);
    EXPECT_EQ(no_output.output, "");
    EXPECT_EQ(no_output.calls, (Calls{MUSIC_START[0], MUSIC_START[1]}));

    // The library is left initialised, not freed, when the module fails to load.
    DemoRun no_module = RunDemo("load 0");
    EXPECT_EQ(no_module.status, 255);
    EXPECT_EQ(no_module.output, "");
    EXPECT_EQ(no_module.calls, MUSIC_START);
}

TEST(Startup, VideoFailuresReturnOneSilently)
{
    Calls until_init = MUSIC_START;
    until_init.push_back("SDL_Init 0x20");

    DemoRun no_driver = RunDemo("", {}, "no_such_driver");
    EXPECT_EQ(no_driver.status, 1);
    EXPECT_EQ(no_driver.output, "");
    EXPECT_EQ(no_driver.calls, until_init);

    Calls until_mode = until_init;
    until_mode.push_back("SDL_SetVideoMode 800 480 16 0x1");
    until_mode.push_back("SDL_Quit");
    DemoRun no_mode = RunDemo("fail SDL_SetVideoMode");
    EXPECT_EQ(no_mode.status, 1);
    EXPECT_EQ(no_mode.output, "");
    EXPECT_EQ(no_mode.calls, until_mode);
}

TEST(Startup, NormalRunCallsEverythingInOrder)
{
    DemoRun run = RunDemo("positions 0x00000003; events 2 keydown");
    Calls expected = MUSIC_START;
    expected.insert(expected.end(), {"SDL_Init 0x20", "SDL_SetVideoMode 800 480 16 0x1"});
    for (const char *file : kPictureFiles)
        expected.push_back(std::string("SDL_RWFromFile ") + file + " rb");
    expected.insert(expected.end(),
                    {"BASSMOD_MusicPlay", "BASSMOD_MusicGetPosition 0x00000003", "SDL_Flip 0,0,255",
                     "BASSMOD_MusicGetPosition 0x00000003", "push keydown", "SDL_Flip 0,0,255",
                     "BASSMOD_Free", "SDL_Quit"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.calls, expected);
}

TEST(Startup, EachOrderShowsItsPicture)
{
    DemoRun run = RunDemo("positions 0 1 2 3 4 0x00200005 6 7 0xFFFFFFFF; events 9 quit");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "32\n");
    Calls expected;
    for (const char *scene : kSceneFiles)
        expected.push_back(FlipShowing(scene));
    expected.insert(expected.end(), {"SDL_Flip 0,0,0", "SDL_Flip 0,0,0"});
    EXPECT_EQ(CallsStartingWith(run, "SDL_Flip"), expected);
}

TEST(Startup, EachMissingPictureStillEndsWithStatusZero)
{
    for (const PictureFile &picture : PICTURES) {
        DemoRun run = RunDemo("positions 0 1 2 3 4 0x00200005 6; events 7 keydown", {picture.name});
        EXPECT_EQ(run.status, 0) << "without " << picture.name;
        EXPECT_EQ(run.output, "32\n") << "without " << picture.name;
        // The missing picture's scene, if any, turns black; every other scene is unchanged.
        Calls expected;
        for (const char *scene : kSceneFiles)
            expected.push_back(FlipShowing(scene, {picture.name}));
        EXPECT_EQ(CallsStartingWith(run, "SDL_Flip"), expected) << "without " << picture.name;
    }
    std::set<std::string> all;
    for (const PictureFile &picture : PICTURES)
        all.insert(picture.name);
    DemoRun bare = RunDemo("positions 0x00200005; events 1 keydown", all);
    EXPECT_EQ(bare.status, 0);
    EXPECT_EQ(bare.output, "32\n");
    EXPECT_EQ(CallsStartingWith(bare, "SDL_Flip"), Calls{"SDL_Flip 0,0,0"});
}

TEST(MainLoop, KeyDownQueuedBeforeTheLoopEndsItAfterOneFrame)
{
    DemoRun run = RunDemo("events 0 keydown");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Frames(run), 1u);
}

TEST(MainLoop, OnePassConsumesEveryQueuedEvent)
{
    // The key-down behind other events still ends the loop after this frame's pass.
    DemoRun run = RunDemo("events 0 mousemotion keyup keydown mousemotion focus");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Frames(run), 1u);
}

TEST(MainLoop, OnlyKeyDownAndQuitEndTheLoop)
{
    DemoRun run = RunDemo("events 0 keyup mousemotion mousedown mouseup focus resize expose; "
                          "events 1 keyup mousemotion; events 2 focus resize; events 4 keydown");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Frames(run), 4u);

    DemoRun closed = RunDemo("events 3 quit");
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(Frames(closed), 3u);
    EXPECT_EQ(closed.calls.back(), "SDL_Quit");
}

TEST(MainLoop, KeepsDrawingAfterTheSongEndsUntilAskedToStop)
{
    // The position after the song's end selects no scene; only the double's limit stops the run.
    DemoRun run = RunDemo("positions 6 0xFFFFFFFF; events 0 keyup focus; limit 50");
    EXPECT_EQ(run.status, DOUBLE_LIMIT_STATUS);
    EXPECT_EQ(Frames(run), 50u);
    EXPECT_EQ(CallsStartingWith(run, "BASSMOD_Free").size(), 0u);
}

TEST(MainLoop, DrawsOneFramePerPositionQuery)
{
    DemoRun run = RunDemo("positions 0x00200005 0x00210005 0x00220005 3; events 6 keydown");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "32\n33\n34\n");
    Calls sequence;
    for (const std::string &call : run.calls)
        if (call.rfind("BASSMOD_MusicGetPosition", 0) == 0 || call.rfind("SDL_Flip", 0) == 0)
            sequence.push_back(call.substr(0, call.find(' ')));
    Calls alternating;
    for (int frame = 0; frame < 6; frame++)
        alternating.insert(alternating.end(), {"BASSMOD_MusicGetPosition", "SDL_Flip"});
    EXPECT_EQ(sequence, alternating);
}

} // namespace
