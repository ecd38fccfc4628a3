// test_assets.cpp: builds the songs, pictures and damaged files of the end-to-end tests.
#include "test_assets.h"

#include "xmwriter.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>

namespace e2e
{
namespace
{

constexpr std::uint8_t kSetSpeed = 0x0F;
constexpr int kBpm = 250; // a tick lasts 2.5 / 250 s = 10 ms

void Put16(std::vector<std::uint8_t> &out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t> &out, std::uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void PutBigEndian16(std::vector<std::uint8_t> &out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

// The colour masks a layout declares, or none.
std::array<std::uint32_t, 3> LayoutMasks(const BmpLayout &layout)
{
    if (!layout.bitfields) {
        return {0, 0, 0};
    }
    if (layout.bits == 16) {
        return {0xF800, 0x07E0, 0x001F};
    }
    return {0xFF000000, 0x00FF0000, 0x0000FF00};
}

// Headers of an uncompressed BMP with `palette_size` entries in the layout's header kind; the
// masks follow a 40-byte header and lie inside the larger ones.
std::vector<std::uint8_t> BmpHeader(std::int32_t width, std::int32_t height,
                                    const BmpLayout &layout, int palette_size,
                                    std::uint32_t pixel_bytes)
{
    const bool os2 = layout.info_size == 12;
    const std::array<std::uint32_t, 3> masks = LayoutMasks(layout);
    const std::uint32_t mask_bytes = layout.bitfields && layout.info_size == 40 ? 12 : 0;
    const std::uint32_t offset = 14 + static_cast<std::uint32_t>(layout.info_size) + mask_bytes +
                                 (os2 ? 3 : 4) * static_cast<std::uint32_t>(palette_size);
    std::vector<std::uint8_t> out = {'B', 'M'};
    Put32(out, offset + pixel_bytes);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, static_cast<std::uint32_t>(layout.info_size));
    if (os2) {
        Put16(out, static_cast<unsigned>(width));
        Put16(out, static_cast<unsigned>(height));
        Put16(out, 1);
        Put16(out, static_cast<unsigned>(layout.bits));
        return out;
    }
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(layout.top_down ? -height : height));
    Put16(out, 1);
    Put16(out, static_cast<unsigned>(layout.bits));
    Put32(out, layout.bitfields ? kBiBitfields : kBiRgb);
    Put32(out, pixel_bytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, static_cast<std::uint32_t>(palette_size));
    Put32(out, 0);
    if (layout.info_size == 40 && !layout.bitfields) {
        return out;
    }
    for (const std::uint32_t mask : masks) {
        Put32(out, mask);
    }
    if (layout.info_size > 40) {
        Put32(out, 0); // alpha mask
        out.resize(14 + static_cast<size_t>(layout.info_size), 0);
    }
    return out;
}

void ReadRgb(SDL_Surface *picture, int x, int y, std::uint8_t *r, std::uint8_t *g, std::uint8_t *b)
{
    const auto *p = static_cast<const std::uint8_t *>(picture->pixels) + y * picture->pitch +
                    x * picture->format->BytesPerPixel;
    Uint32 value = 0;
    for (int i = picture->format->BytesPerPixel - 1; i >= 0; --i) {
        value = value << 8 | p[i];
    }
    SDL_GetRGB(value, picture->format, r, g, b);
}

// What a 32-bit pixel's fourth byte holds at (x, y).
std::uint8_t FourthByteAt(FourthByte fourth, int x, int y)
{
    switch (fourth) {
    case FourthByte::Zero:
        return 0;
    case FourthByte::Full:
        return 0xFF;
    case FourthByte::Mixed:
        return static_cast<std::uint8_t>(x * 7 + y * 3);
    }
    return 0;
}

// The pixel bytes of one row in the layout's depth, padded to four bytes.
std::vector<std::uint8_t> EncodeRow(SDL_Surface *picture, int y, const BmpLayout &layout)
{
    std::vector<std::uint8_t> row;
    unsigned packed = 0;
    int packed_bits = 0;
    for (int x = 0; x < picture->w; ++x) {
        std::uint8_t r, g, b;
        ReadRgb(picture, x, y, &r, &g, &b);
        switch (layout.bits) {
        case 1:
        case 4: {
            const unsigned grey = (r + g + b) / 3u;
            packed = packed << layout.bits | (layout.bits == 1 ? grey >= 128 : grey >> 4);
            packed_bits += layout.bits;
            if (packed_bits == 8 || x == picture->w - 1) {
                row.push_back(static_cast<std::uint8_t>(packed << (8 - packed_bits)));
                packed = 0;
                packed_bits = 0;
            }
            break;
        }
        case 8: {
            const unsigned index = (r & 0xE0) | (g & 0xE0) >> 3 | b >> 6;
            row.push_back(
                static_cast<std::uint8_t>(layout.colours ? index % layout.colours : index));
            break;
        }
        case 16:
            if (layout.bitfields) {
                Put16(row, static_cast<unsigned>((r >> 3) << 11 | (g >> 2) << 5 | b >> 3));
            } else {
                Put16(row, static_cast<unsigned>((r >> 3) << 10 | (g >> 3) << 5 | b >> 3));
            }
            break;
        case 24:
            row.insert(row.end(), {b, g, r});
            break;
        case 32:
            if (layout.bitfields) {
                row.insert(row.end(), {FourthByteAt(layout.fourth, x, y), b, g, r});
            } else {
                row.insert(row.end(), {b, g, r, FourthByteAt(layout.fourth, x, y)});
            }
            break;
        default:
            throw std::invalid_argument("unsupported BMP depth");
        }
    }
    while (row.size() % 4) {
        row.push_back(0);
    }
    return row;
}

} // namespace

namespace
{

xm::Module TimedModule(const std::vector<OrderTiming> &orders)
{
    xm::Module module;
    module.name = "e2e timing";
    module.channels = 2;
    module.speed = 1;
    module.bpm = kBpm;
    for (size_t i = 0; i < orders.size(); ++i) {
        xm::Pattern &pattern = module.patterns.emplace_back(orders[i].rows, module.channels);
        pattern.at(0, 0) = {0, 0, 0, kSetSpeed, static_cast<std::uint8_t>(orders[i].ticks)};
        module.orders.push_back(static_cast<std::uint8_t>(i));
    }
    return module;
}

} // namespace

std::vector<std::uint8_t> TimedSong(const std::vector<OrderTiming> &orders)
{
    xm::Module module = TimedModule(orders);
    // libopenmpt 0.7 plays an XM file without instruments as if its patterns were empty, speed
    // commands and all; one silent instrument makes it read them, as 0.6 always does.
    module.instruments.emplace_back().name = "silent";
    return xm::write(module);
}

std::vector<std::uint8_t> TonedSong(const std::vector<OrderTiming> &orders)
{
    constexpr std::uint8_t kMiddleC = 49;
    xm::Module module = TimedModule(orders);
    xm::Instrument &square = module.instruments.emplace_back();
    square.name = "square";
    square.sample.name = "square";
    for (int i = 0; i < 64; ++i) {
        square.sample.pcm.push_back(static_cast<std::int16_t>(i < 32 ? 9000 : -9000));
    }
    square.sample.loop = xm::Loop::Forward;
    square.sample.loop_length = 64;
    for (size_t i = 0; i < module.patterns.size(); ++i) {
        xm::Cell &cell = module.patterns[i].at(0, 1);
        cell.note = static_cast<std::uint8_t>(kMiddleC + 2 * i);
        cell.instrument = 1;
    }
    return xm::write(module);
}

std::vector<std::uint8_t> QuickTourSong()
{
    // The music starts before the first frame, and on SDL2 over OpenGL (sdl12-compat) frames
    // cost more: the first also sets up the GL texture and llvmpipe's shaders (from start to
    // first frame 0.6 to 0.9 s on Debian 13 against 0.15 to 0.3 s on classic SDL, on a busy
    // machine), and each one waits for llvmpipe's threads, which a busy machine holds back.
    // Scene 0 takes the first frame's set-up and scene 5 lasts long enough for several frames.
    return TimedSong({{25, 4}, {2, 1}, {2, 1}, {2, 1}, {2, 1}, {25, 4}, {64, 31}});
}

std::vector<std::uint8_t> ModSong()
{
    constexpr int kOrders = 7;
    std::vector<std::uint8_t> out(20, 0); // title
    for (int sample = 0; sample < 31; ++sample) {
        out.insert(out.end(), 22, 0);     // name
        Put16(out, sample == 0 ? 16 : 0); // length in words
        out.push_back(0);                 // finetune
        out.push_back(sample == 0 ? 64 : 0);
        Put16(out, 0); // loop start
        Put16(out, 1); // loop length
    }
    out.push_back(kOrders);
    out.push_back(127);
    for (int order = 0; order < 128; ++order) {
        out.push_back(0); // every order plays pattern 0
    }
    out.insert(out.end(), {'M', '.', 'K', '.'});
    // Pattern 0: 64 rows x 4 channels; row 0 sets speed 1, so an order lasts 64 ticks.
    for (int row = 0; row < 64; ++row) {
        for (int channel = 0; channel < 4; ++channel) {
            const bool speed = row == 0 && channel == 0;
            PutBigEndian16(out, 0);
            PutBigEndian16(out, speed ? (kSetSpeed << 8 | 1) : 0);
        }
    }
    for (int i = 0; i < 32; ++i) {
        out.push_back(static_cast<std::uint8_t>(i < 16 ? 40 : -40));
    }
    return out;
}

SurfacePtr MakeRgbSurface(int width, int height)
{
    // The layout of a 24-bit BMP, which SDL_SaveBMP then writes unchanged.
    SurfacePtr surface(
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0));
    if (!surface) {
        throw std::runtime_error(SDL_GetError());
    }
    return surface;
}

static void SetRgb(SDL_Surface *surface, int x, int y, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b)
{
    auto *p = static_cast<std::uint8_t *>(surface->pixels) + y * surface->pitch + x * 3;
    const Uint32 value = SDL_MapRGB(surface->format, r, g, b);
    const bool big = SDL_BYTEORDER == SDL_BIG_ENDIAN;
    p[0] = static_cast<std::uint8_t>(big ? value >> 16 : value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(big ? value : value >> 16);
}

SurfacePtr PatternPicture(int width, int height, unsigned seed)
{
    SurfacePtr picture = MakeRgbSurface(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool check = ((x >> 4) ^ (y >> 4) ^ seed) & 1;
            const auto r = static_cast<std::uint8_t>(x * 255 / width);
            const auto g = static_cast<std::uint8_t>(y * 255 / height);
            const auto b = static_cast<std::uint8_t>(check ? 200 - (seed * 37 & 63) : 40);
            // Red stays below 255 so that no pattern pixel is the key colour.
            SetRgb(picture.get(), x, y, r == 255 ? 254 : r, g, b);
        }
    }
    return picture;
}

SurfacePtr KeyPicture(int width, int height)
{
    SurfacePtr picture = PatternPicture(width, height, 7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int dx = x - 200, dy = y - 240;
            const bool disc = dx * dx + dy * dy < 120 * 120;
            const bool bar = x >= 420 && x < 780 && (y / 40) % 2 == 1;
            const bool edge = y < 3 || x < 2; // key pixels right at the borders too
            const bool near_key = x >= 420 && x < 780 && y >= 400 && y < 440;
            if (near_key) {
                SetRgb(picture.get(), x, y, 254, 0, 0);
            } else if (disc || bar || edge) {
                SetRgb(picture.get(), x, y, 255, 0, 0);
            }
        }
    }
    return picture;
}

std::vector<std::uint8_t> EncodeBmp(SDL_Surface *picture, const BmpLayout &layout)
{
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < picture->h; ++i) {
        const int y = layout.top_down ? i : picture->h - 1 - i;
        const std::vector<std::uint8_t> row = EncodeRow(picture, y, layout);
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    const int palette_size =
        layout.bits <= 8 ? (layout.colours ? layout.colours : 1 << layout.bits) : 0;
    std::vector<std::uint8_t> out = BmpHeader(picture->w, picture->h, layout, palette_size,
                                              static_cast<std::uint32_t>(pixels.size()));
    for (int i = 0; i < palette_size; ++i) {
        std::uint8_t r, g, b;
        if (layout.bits < 8) {
            r = g = b = static_cast<std::uint8_t>(i * 255 / (palette_size - 1));
        } else {
            r = static_cast<std::uint8_t>(i & 0xE0);
            g = static_cast<std::uint8_t>((i << 3) & 0xE0);
            b = static_cast<std::uint8_t>((i & 3) << 6);
        }
        out.insert(out.end(), {b, g, r});
        if (layout.info_size != 12) {
            out.push_back(0);
        }
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

std::vector<std::uint8_t> EncodeBmp(SDL_Surface *picture, int bits, FourthByte fourth)
{
    BmpLayout layout{bits};
    layout.fourth = fourth;
    return EncodeBmp(picture, layout);
}

std::vector<std::uint8_t> HugeBmpHeader(std::int32_t width, std::int32_t height)
{
    std::vector<std::uint8_t> out = BmpHeader(width, height, BmpLayout{24}, 0, 0);
    const std::vector<std::uint8_t> some = Garbage(256, 1);
    out.insert(out.end(), some.begin(), some.end());
    return out;
}

std::vector<UnsafePictureFile> UnsafePictureFiles()
{
    // A few pixel bytes after a header of the given layout, with masks replaced where given.
    const auto file = [](const BmpLayout &layout, std::array<std::uint32_t, 3> masks = {}) {
        std::vector<std::uint8_t> out = BmpHeader(4, 2, layout, 0, 64);
        for (size_t i = 0; i < masks.size() && masks[0]; ++i) {
            for (size_t byte = 0; byte < 4; ++byte) {
                out[54 + 4 * i + byte] = static_cast<std::uint8_t>(masks[i] >> (8 * byte));
            }
        }
        const std::vector<std::uint8_t> pixels = Garbage(64, 3);
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    };
    // 810 x 65024 pixels of 32 bits declared by a 71-byte file.
    std::vector<std::uint8_t> huge = BmpHeader(810, 65024, BmpLayout{32}, 0, 0);
    huge.resize(71, 0);

    std::vector<UnsafePictureFile> files = {
        // One bit per pixel kept in a byte, one byte computed from 2049 bits: no palette.
        {"BitCount2049", file(BmpLayout{2049})},
        {"BitCount2056", file(BmpLayout{2056})},
        // One bit per pixel, 33 bytes per pixel, no palette for the bitmap blitter.
        {"BitCount257", file(BmpLayout{257})},
        {"Os2BitCount257", file(BmpLayout{257, 12})},
        {"GreenMaskWithAGap", file(BmpLayout{16, 40, true}, {0xF800, 0x0011, 0x001F})},
        {"RedMaskOf12Bits", file(BmpLayout{32, 40, true}, {0xFFF00000, 0x0000FF00, 0x000000FF})},
        {"HugeDeclaredSize", huge},
    };
    std::vector<std::filesystem::path> found;
    for (const auto &entry : std::filesystem::directory_iterator(E2E_FOUND_PICTURES)) {
        found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    for (const std::filesystem::path &path : found) {
        files.push_back({"Found_" + path.stem().string(), ReadBytes(path)});
    }
    return files;
}

std::vector<std::uint8_t> Garbage(size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto &byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

AssetFolder::AssetFolder()
{
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/demo-e2e-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
}

AssetFolder::~AssetFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    std::filesystem::remove(path_.string() + ".stdout", ignored);
    std::filesystem::remove(path_.string() + ".stderr", ignored);
    std::filesystem::remove_all(path_.string() + ".program", ignored); // a Windows demo's copy
}

void AssetFolder::Write(const std::string &name, const std::vector<std::uint8_t> &bytes) const
{
    std::ofstream file(path_ / name, std::ios::binary);
    file.write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + name);
    }
}

void AssetFolder::SavePicture(const std::string &name, SDL_Surface *picture) const
{
    if (SDL_SaveBMP(picture, (path_ / name).c_str()) != 0) {
        throw std::runtime_error(std::string("SDL_SaveBMP: ") + SDL_GetError());
    }
}

void AssetFolder::SaveDefaultPictures() const
{
    for (unsigned i = 0; i < kPictureFiles.size(); ++i) {
        const std::string name = kPictureFiles[i];
        SurfacePtr picture =
            name == "plimsa.bmp" ? KeyPicture(800, 480) : PatternPicture(800, 480, i);
        SavePicture(name, picture.get());
    }
}

} // namespace e2e
