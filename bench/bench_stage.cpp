// bench_stage.cpp: loads the default picture set for the benchmarks and builds the key picture's
// variants.
#include "bench_stage.h"

#include "demo.h"

#include <cstring>

namespace
{

struct NamedSlot {
    const char *file;
    SDL_Surface **slot;
};

const NamedSlot kPictures[] = {
    {"isologo.bmp", &isologo}, {"pilvet.bmp", &pilvet},         {"porkkana.bmp", &porkkana},
    {"tehdas.bmp", &tehdas},   {"quelpmad.bmp", &quelpmad},     {"blimt.bmp", &blimt},
    {"plimsa.bmp", &plimsa},   {"quelpsaksa.bmp", &quelpsaksa}, {"loppu.bmp", &loppu},
};

const Uint32 kKey = 0x00FF0000;
const Uint32 kNearKey = 0x00FE0000;

BenchStage stage;

SDL_Surface *CopyOf(SDL_Surface *picture)
{
    return SDL_ConvertSurface(picture, picture->format, picture->flags);
}

// plimsa with each key pixel replaced by the nearest red that is not the key.
SDL_Surface *WithoutKey(SDL_Surface *picture)
{
    SDL_Surface *copy = CopyOf(picture);
    if (!copy)
        return nullptr;
    for (int y = 0; y < copy->h; y++)
        for (int x = 0; x < copy->w; x++)
            if (getpixel(copy, x, y) == kKey)
                putpixel(copy, x, y, kNearKey);
    return copy;
}

SDL_Surface *AllKey(SDL_Surface *picture)
{
    const SDL_PixelFormat *f = picture->format;
    SDL_Surface *red = SDL_CreateRGBSurface(SDL_SWSURFACE, 800, 480, f->BitsPerPixel, f->Rmask,
                                            f->Gmask, f->Bmask, f->Amask);
    if (red && SDL_FillRect(red, nullptr, kKey) < 0) {
        SDL_FreeSurface(red);
        return nullptr;
    }
    return red;
}

} // namespace

std::string OpenBenchStage(const std::string &asset_dir)
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0)
        return std::string("SDL_Init: ") + SDL_GetError();
    stage.screen = SDL_SetVideoMode(800, 480, 16, SDL_HWSURFACE);
    if (!stage.screen)
        return std::string("SDL_SetVideoMode: ") + SDL_GetError();
    for (const NamedSlot &picture : kPictures) {
        std::string path = asset_dir + "/" + picture.file;
        *picture.slot = SDL_LoadBMP(path.c_str());
        if (!*picture.slot)
            return path + ": " + SDL_GetError();
    }
    if (plimsa->format->BytesPerPixel != 3 || plimsa->w < 800 || plimsa->h < 480)
        return "plimsa.bmp is not a 24-bit picture of at least 800x480";
    // As the demo's loading does: the key picture's key pixels are found once.
    PrepareKeyPicture(plimsa);
    stage.plimsa = plimsa;
    stage.no_key = WithoutKey(plimsa);
    stage.all_key = AllKey(plimsa);
    if (!stage.no_key || !stage.all_key)
        return std::string("key picture variants: ") + SDL_GetError();
    return "";
}

const BenchStage &Stage()
{
    return stage;
}

void CloseBenchStage()
{
    plimsa = stage.plimsa;
    PrepareKeyPicture(nullptr);
    for (const NamedSlot &picture : kPictures) {
        SDL_FreeSurface(*picture.slot);
        *picture.slot = nullptr;
    }
    SDL_FreeSurface(stage.no_key);
    SDL_FreeSurface(stage.all_key);
    stage = BenchStage{};
    SDL_Quit();
}
