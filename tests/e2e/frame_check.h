// frame_check.h: the frames the demo's 800x480 16-bit screen should show, computed here from the
// picture files, and their comparison with screenshots of the window.
#pragma once

#include "test_assets.h"
#include "x_window.h"

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace e2e
{

// A black 800x480 RGB565 surface, the screen as the demo asks for it.
SurfacePtr BlackFrame();
// The frame of a scene: the picture file loaded by SDL and blitted at (0, 0) onto black. A file
// that SDL cannot load gives a black frame.
SurfacePtr SceneFrame(const std::filesystem::path &picture_file);

// The key pixels of a picture file: where its loaded pixel value is 0x00FF0000 (3 bytes a pixel)
// or its colour is pure red (4 bytes, whatever the fourth), inside the screen. One flag per
// screen pixel.
std::vector<bool> KeyMask(const std::filesystem::path &picture_file);
// Paints the scene-5 gradient for `row` into the frame wherever the mask is set.
void PaintGradient(SDL_Surface *frame, const std::vector<bool> &mask, unsigned row);

// Empty when the screenshot shows the frame at the 16-bit screen's precision (each channel's
// top 5 or 6 bits equal), else a description of the differences. Pixels whose flag in `skip`
// is set are not compared, nor the bits of the 5-6-5 value in `unheld`, which the picture shown
// does not hold.
std::string FrameDifference(const Screenshot &shot, SDL_Surface *frame,
                            const std::vector<bool> *skip = nullptr, Uint16 unheld = 0);

// The rows of scene 5 that the demo printed, one "%d\n" line each; throws on any other line.
std::vector<unsigned> PrintedRows(const std::string &output);

} // namespace e2e
