// options.cpp: parses and checks demo_capture's arguments, before any work is done.
#include "options.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace capture
{
namespace
{

constexpr int kMaxFps = 240;
constexpr double kMaxSeconds = 24 * 3600;

bool ends_with_png(std::string_view name)
{
    if (name.size() <= 4) {
        return false;
    }
    std::string tail(name.substr(name.size() - 4));
    for (char &c : tail) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return tail == ".png";
}

template <typename Number> std::optional<Number> parse_number(std::string_view text)
{
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::variant<Options, std::string> parse_options(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            options.help = true;
            return options;
        }
        if (argument.size() > 2 && argument.substr(0, 2) == "--") {
            std::string_view name = argument;
            std::optional<std::string_view> value;
            if (const auto equals = argument.find('='); equals != std::string_view::npos) {
                name = argument.substr(0, equals);
                value = argument.substr(equals + 1);
            }
            if (name != "--fps" && name != "--seconds" && name != "--assets" && name != "--sheet") {
                return "unknown option " + std::string(name);
            }
            if (!value) {
                if (i + 1 >= argc) {
                    return std::string(name) + " needs a value";
                }
                value = argv[++i];
            }
            if (name == "--fps") {
                const auto fps = parse_number<int>(*value);
                if (!fps || *fps < 1 || *fps > kMaxFps) {
                    return "--fps takes a whole number from 1 to " + std::to_string(kMaxFps);
                }
                options.fps = *fps;
            } else if (name == "--seconds") {
                const auto seconds = parse_number<double>(*value);
                if (!seconds || !std::isfinite(*seconds) || *seconds <= 0 ||
                    *seconds > kMaxSeconds) {
                    return "--seconds takes a length above 0, at most 86400";
                }
                options.seconds = seconds;
            } else if (name == "--assets") {
                options.assets = std::string(*value);
            } else {
                if (!ends_with_png(*value)) {
                    return "--sheet writes a .png file";
                }
                options.sheet = std::string(*value);
            }
        } else if (!options.output) {
            options.output = std::string(argument);
        } else {
            return "only one OUTPUT may be given";
        }
    }
    if (!options.output && !options.sheet) {
        return "no OUTPUT given";
    }
    if (options.output) {
        const auto container = container_for(*options.output);
        if (!container) {
            return "OUTPUT must end in .mp4 or .mkv: " + *options.output;
        }
        options.container = *container;
    }
    return options;
}

} // namespace capture
