// frame_check.cpp: reference frames built with SDL's own loader and blitter, plus the gradient
// computed here from its definition; comparison at the screen's precision.
#include "frame_check.h"

#include <algorithm>
#include <cstring>
#include <sstream>
#include <stdexcept>

namespace e2e
{
namespace
{

constexpr int kWidth = 800;
constexpr int kHeight = 480;

Uint16 FramePixel(SDL_Surface *frame, int x, int y)
{
    Uint16 value;
    std::memcpy(&value, static_cast<const Uint8 *>(frame->pixels) + y * frame->pitch + x * 2,
                sizeof value);
    return value;
}

Uint32 RawPixel(SDL_Surface *surface, int x, int y)
{
    const auto *p = static_cast<const Uint8 *>(surface->pixels) + y * surface->pitch +
                    x * surface->format->BytesPerPixel;
    Uint32 value = 0;
    std::memcpy(&value, p, surface->format->BytesPerPixel); // little-endian host
    return value;
}

// The picture as the demo loads it. SDL accepts a BMP height of -2^31 and returns a surface of
// that height over a tiny buffer, which its blitter overruns; such a picture counts as unreadable.
SurfacePtr LoadPicture(const std::filesystem::path &file)
{
    SurfacePtr picture(SDL_LoadBMP(file.c_str()));
    if (picture && (picture->w <= 0 || picture->h <= 0)) {
        picture.reset();
    }
    return picture;
}

} // namespace

SurfacePtr BlackFrame()
{
    SurfacePtr frame(
        SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 16, 0xF800, 0x07E0, 0x001F, 0));
    if (!frame) {
        throw std::runtime_error(SDL_GetError());
    }
    return frame;
}

SurfacePtr SceneFrame(const std::filesystem::path &picture_file)
{
    SurfacePtr frame = BlackFrame();
    SurfacePtr picture = LoadPicture(picture_file);
    if (picture && SDL_BlitSurface(picture.get(), nullptr, frame.get(), nullptr) != 0) {
        throw std::runtime_error(SDL_GetError());
    }
    return frame;
}

std::vector<bool> KeyMask(const std::filesystem::path &picture_file)
{
    std::vector<bool> mask(static_cast<size_t>(kWidth) * kHeight, false);
    SurfacePtr picture = LoadPicture(picture_file);
    if (!picture || picture->format->BytesPerPixel < 3) {
        return mask;
    }
    for (int y = 0; y < std::min(kHeight, picture->h); ++y) {
        for (int x = 0; x < std::min(kWidth, picture->w); ++x) {
            const Uint32 value = RawPixel(picture.get(), x, y);
            Uint8 r, g, b;
            SDL_GetRGB(value, picture->format, &r, &g, &b);
            mask[static_cast<size_t>(y) * kWidth + x] = picture->format->BytesPerPixel == 4
                                                            ? r == 255 && g == 0 && b == 0
                                                            : value == 0x00FF0000;
        }
    }
    return mask;
}

void PaintGradient(SDL_Surface *frame, const std::vector<bool> &mask, unsigned row)
{
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (!mask[static_cast<size_t>(y) * kWidth + x]) {
                continue;
            }
            const auto red = static_cast<Uint8>((y + row * 100) / 16 % 256);
            const auto green = static_cast<Uint8>(x / 8);
            const auto blue = static_cast<Uint8>(y / 4);
            const auto value = static_cast<Uint16>(SDL_MapRGB(frame->format, red, green, blue));
            std::memcpy(static_cast<Uint8 *>(frame->pixels) + y * frame->pitch + x * 2, &value,
                        sizeof value);
        }
    }
}

std::string FrameDifference(const Screenshot &shot, SDL_Surface *frame,
                            const std::vector<bool> *skip, Uint16 unheld)
{
    if (shot.width != kWidth || shot.height != kHeight) {
        return "screenshot is " + std::to_string(shot.width) + "x" + std::to_string(shot.height);
    }
    long differing = 0;
    std::ostringstream first;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (skip && (*skip)[static_cast<size_t>(y) * kWidth + x]) {
                continue;
            }
            const Uint16 want = FramePixel(frame, x, y);
            const std::uint32_t got = shot.at(x, y);
            const Uint16 seen = static_cast<Uint16>((got >> 19 & 0x1F) << 11 |
                                                    (got >> 10 & 0x3F) << 5 | (got >> 3 & 0x1F));
            if ((seen & ~unheld) != (want & ~unheld)) {
                if (differing == 0) {
                    first << std::hex << "first at (" << std::dec << x << ", " << y
                          << "): screen 0x" << std::hex << got << " (565: 0x" << seen
                          << "), expected 565 0x" << want;
                }
                ++differing;
            }
        }
    }
    if (differing == 0) {
        return "";
    }
    return std::to_string(differing) + " pixels differ; " + first.str();
}

std::vector<unsigned> PrintedRows(const std::string &output)
{
    std::vector<unsigned> rows;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        size_t used = 0;
        const unsigned long row = std::stoul(line, &used);
        if (used != line.size() || line.empty() || line[0] < '0' || line[0] > '9') {
            throw std::runtime_error("not a row line: \"" + line + "\"");
        }
        rows.push_back(static_cast<unsigned>(row));
    }
    return rows;
}

} // namespace e2e
