// bmp_output.h: saves a cairo image as a 24-bit Windows BMP through SDL.
#pragma once

#include <cairo.h>
#include <filesystem>

// Writes the opaque RGB24 image surface as a 24-bit BMP with SDL_SaveBMP.
// Throws std::runtime_error with SDL's message when SDL cannot write it.
void save_bmp(cairo_surface_t *image, const std::filesystem::path &path);
