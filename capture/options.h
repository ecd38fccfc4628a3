// options.h: demo_capture's command line.
#pragma once

#include "media_writer.h"

#include <optional>
#include <string>
#include <variant>

namespace capture
{

constexpr const char *kUsage =
    "usage: demo_capture [--fps N] [--seconds S] [--assets DIR] [--sheet FILE.png] OUTPUT\n"
    "       demo_capture [--fps N] [--seconds S] [--assets DIR] --sheet FILE.png\n"
    "OUTPUT: .mp4 (H.264 and AAC) or .mkv (lossless FFV1 and FLAC)\n";

struct Options {
    int fps = 60;
    std::optional<double> seconds;     // default: the song's length plus one second
    std::optional<std::string> assets; // default: the working directory
    std::optional<std::string> sheet;  // the scene sheet, a .png
    std::optional<std::string> output; // the video
    Container container = Container::Mp4;
    bool help = false;
};

// The options, or what is wrong with the command line.
std::variant<Options, std::string> parse_options(int argc, char **argv);

} // namespace capture
