// plimsa.cpp: the animated scene's picture. Everything meant to carry the scrolling colour
// gradient is filled with exact pure red (255, 0, 0): the big lettering, a sun disc, a band
// of waves and a row of stars. Nothing else in the picture uses that exact colour.
#include "canvas.h"
#include "pictures.h"

#include <cmath>
#include <numbers>

namespace pictures
{
namespace
{

using namespace canvas;

const Colour kKey = {1.0, 0.0, 0.0};
const Colour kInk = hex(0x1b1430);

void paper(cairo_t *cr)
{
    vertical_gradient(cr, hex(0xfff6dc), hex(0xf3dcc0));
    cairo_save(cr);
    set(cr, hex(0xe9c8a8, 0.45));
    for (int stripe = -20; stripe < 40; ++stripe) { // soft diagonal stripes
        const double x = stripe * 40.0;
        cairo_move_to(cr, x, 0);
        cairo_line_to(cr, x + 18, 0);
        cairo_line_to(cr, x + 18 - kHeight * 0.6, kHeight);
        cairo_line_to(cr, x - kHeight * 0.6, kHeight);
        cairo_close_path(cr);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

// Fills the current path with the key colour after an ink outline drawn behind it, so the
// outline frames the shape without eating into its exact-red interior.
void key_fill(cairo_t *cr, double outline)
{
    set(cr, kInk);
    cairo_set_line_width(cr, outline);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke_preserve(cr);
    set(cr, kKey);
    cairo_fill(cr);
}

void sun_and_rays(cairo_t *cr)
{
    set(cr, hex(0xf0a040, 0.5));
    cairo_set_line_width(cr, 6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int ray = 0; ray < 16; ++ray) {
        const double angle = ray * std::numbers::pi / 8;
        cairo_move_to(cr, 660 + 95 * std::cos(angle), 90 + 95 * std::sin(angle));
        cairo_line_to(cr, 660 + 125 * std::cos(angle), 90 + 125 * std::sin(angle));
    }
    cairo_stroke(cr);
    circle(cr, 660, 90, 80);
    key_fill(cr, 6);
}

void lettering(cairo_t *cr)
{
    font(cr, Font::SansBold, 172);
    cairo_new_path(cr);
    centred_text_path(cr, "PLIMSA", 400, 300);
    key_fill(cr, 10);
}

void waves(cairo_t *cr)
{
    cairo_new_path(cr);
    cairo_move_to(cr, -10, kHeight + 10);
    for (int x = -10; x <= kWidth + 10; x += 4) {
        cairo_line_to(cr, x, 392 + 16 * std::sin(x / 38.0));
    }
    cairo_line_to(cr, kWidth + 10, kHeight + 10);
    cairo_close_path(cr);
    key_fill(cr, 6);
    set(cr, hex(0xfff6dc));
    cairo_set_line_width(cr, 5);
    for (int band = 0; band < 2; ++band) { // pale lines inside the water
        for (int x = -10; x <= kWidth + 10; x += 4) {
            const double y = 425 + band * 28 + 10 * std::sin(x / 38.0 + 1.2 + band);
            x == -10 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
        }
        cairo_stroke(cr);
    }
}

void stars(cairo_t *cr)
{
    const double places[][3] = {{70, 60, 34}, {190, 110, 22}, {320, 50, 28}, {470, 95, 20}};
    for (const auto &place : places) {
        cairo_new_path(cr);
        star(cr, place[0], place[1], place[2], place[2] * 0.45, place[0] / 100);
        key_fill(cr, 4);
    }
}

} // namespace

void plimsa(cairo_t *cr)
{
    paper(cr);
    sun_and_rays(cr);
    stars(cr);
    waves(cr);
    lettering(cr);
}

} // namespace pictures
