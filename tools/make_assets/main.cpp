// main.cpp: make_assets DIR writes the demo's default assets, music.xm and nine BMP pictures,
// into DIR (created if needed). The output is the same, byte for byte, on every run.
#include "bmp_output.h"
#include "canvas.h"
#include "pictures/pictures.h"
#include "tune.h"

#include <cairo.h>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fontconfig/fontconfig.h>
#include <memory>
#include <stdexcept>

namespace
{

struct CairoSurfaceFree {
    void operator()(cairo_surface_t *surface) const { cairo_surface_destroy(surface); }
};
struct CairoFree {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};

void draw_picture(const pictures::Picture &picture, const std::filesystem::path &directory)
{
    std::unique_ptr<cairo_surface_t, CairoSurfaceFree> image(
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, canvas::kWidth, canvas::kHeight));
    std::unique_ptr<cairo_t, CairoFree> cr(cairo_create(image.get()));
    picture.draw(cr.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(std::string(picture.file) + ": " +
                                 cairo_status_to_string(cairo_status(cr.get())));
    }
    save_bmp(image.get(), directory / picture.file);
}

// Drops cairo's and fontconfig's caches so leak checkers see a clean exit.
void release_font_caches()
{
    cairo_debug_reset_static_data();
    FcFini();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argc > 0 ? argv[0] : "make_assets");
        return 2;
    }
    try {
        const std::filesystem::path directory = argv[1];
        std::filesystem::create_directories(directory);
        xm::save(tune::module(), directory / "music.xm");
        for (const pictures::Picture &picture : pictures::kAll) {
            draw_picture(picture, directory);
        }
    } catch (const std::exception &error) {
        std::fprintf(stderr, "make_assets: %s\n", error.what());
        release_font_caches();
        return 1;
    }
    release_font_caches();
    return 0;
}
