// test_assets.h: asset folders of the end-to-end tests: modules of known timing from the XM
// writer, pictures with recognisable contents, and the damaged files of the bad-input tests.
#pragma once

#include "SDL.h"
#include "expected_scenes.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace e2e
{

struct SurfaceDeleter {
    void operator()(SDL_Surface *surface) const { SDL_FreeSurface(surface); }
};
using SurfacePtr = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// One order of a song: its row count and ticks per row. Every tick lasts 10 ms.
struct OrderTiming {
    int rows;
    int ticks;
};
// A play-once XM song, one pattern per order, silent.
std::vector<std::uint8_t> TimedSong(const std::vector<OrderTiming> &orders);
// The same timing with sound: a looped square wave starts at row 0 of every order, a whole tone
// higher in each, so every stretch of the audio is recognisable.
std::vector<std::uint8_t> TonedSong(const std::vector<OrderTiming> &orders);
// Scenes 0 to 5 in 2.08 s (1 s for scene 0, which takes the first frame's set-up, then 20 ms
// each, and 1 s for scene 5, long enough to be drawn on a busy machine), then scene 6 for 64
// rows of 310 ms.
std::vector<std::uint8_t> QuickTourSong();
// A minimal four-channel ProTracker MOD of seven orders.
std::vector<std::uint8_t> ModSong();

// A 24-bit software surface.
SurfacePtr MakeRgbSurface(int width, int height);
// A picture that shows any shift, scaling or channel mix-up: gradients and a checkerboard.
SurfacePtr PatternPicture(int width, int height, unsigned seed);
// A key picture: a pattern without pure red, with pure-red discs and bars (the key areas) and a
// bar of (254, 0, 0), which is no key.
SurfacePtr KeyPicture(int width, int height);

// What a 32-bit BMP's fourth byte holds: zero, 0xFF, or values from 0 to 0xFF across the picture.
enum class FourthByte { Zero, Full, Mixed };
// How a BMP file is laid out: its depth, info header size (12 for OS/2, 40, 108 for V4, 124
// for V5), whether it declares colour masks (BI_BITFIELDS: 5-6-5 at 16 bits, R-G-B-x from the top
// byte at 32), its row order, how many palette entries an 8-bit file has (0: 256), and what a
// 32-bit file's fourth byte holds.
struct BmpLayout {
    int bits;
    int info_size = 40;
    bool bitfields = false;
    bool top_down = false;
    int colours = 0;
    FourthByte fourth = FourthByte::Zero;
};
// BMP files from a 24-bit surface: 1 (black and white), 4 (16 greys), 8 (3-3-2 palette, or its
// first colours), 16 (5-5-5 or 5-6-5), 24 and 32 bits (x-8-8-8 or masks).
std::vector<std::uint8_t> EncodeBmp(SDL_Surface *picture, const BmpLayout &layout);
// The same with a 40-byte header and no masks.
std::vector<std::uint8_t> EncodeBmp(SDL_Surface *picture, int bits,
                                    FourthByte fourth = FourthByte::Zero);
// A 24-bit BMP header claiming width x height, followed by a few bytes of pixels.
std::vector<std::uint8_t> HugeBmpHeader(std::int32_t width, std::int32_t height);
// A BMP file that SDL 1.2 loads into a picture its blitters read outside their buffers or
// tables, or for which it allocates more than the file holds.
struct UnsafePictureFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};
// The kinds known, and the fuzzer's findings kept in tests/e2e/pictures/.
std::vector<UnsafePictureFile> UnsafePictureFiles();
// Bytes from a seeded generator.
std::vector<std::uint8_t> Garbage(size_t size, unsigned seed);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path &path);

// A fresh temporary folder that holds the demo's run-time files; removed with its output files.
class AssetFolder
{
  public:
    AssetFolder();
    ~AssetFolder();
    AssetFolder(const AssetFolder &) = delete;
    AssetFolder &operator=(const AssetFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::filesystem::path operator/(const std::string &name) const { return path_ / name; }

    void Write(const std::string &name, const std::vector<std::uint8_t> &bytes) const;
    // Saves with SDL_SaveBMP. Throws when SDL cannot write it.
    void SavePicture(const std::string &name, SDL_Surface *picture) const;
    // All nine pictures, each its own pattern, plimsa a key picture; all 800x480, 24-bit.
    void SaveDefaultPictures() const;

  private:
    std::filesystem::path path_;
};

} // namespace e2e
