// isologo.cpp: the title: a striped sunset sun over a glowing perspective grid, starry sky,
// and the chrome "QUELP" logo with its subtitle.
#include "canvas.h"
#include "pictures.h"

#include <cmath>

namespace pictures
{
namespace
{

using namespace canvas;

void sky(cairo_t *cr)
{
    vertical_gradient(cr, hex(0x0b0622), hex(0x3a0f4f));
    Random random(7);
    for (int i = 0; i < 220; ++i) {
        const double x = random.uniform(0, kWidth), y = random.uniform(0, 300);
        circle(cr, x, y, random.uniform(0.4, 1.6));
        set(cr, hex(0xfff4e0, random.uniform(0.3, 1.0)));
        cairo_fill(cr);
    }
}

// A sun with a warm gradient, cut by horizontal gaps that widen towards the horizon.
void sun(cairo_t *cr)
{
    constexpr double cx = 400, cy = 250, radius = 150;
    cairo_save(cr);
    circle(cr, cx, cy, radius);
    cairo_clip(cr);
    const Pattern gradient = linear(0, cy - radius, 0, cy + radius);
    cairo_pattern_add_color_stop_rgb(gradient.get(), 0, 1.0, 0.92, 0.35);
    cairo_pattern_add_color_stop_rgb(gradient.get(), 0.55, 1.0, 0.45, 0.35);
    cairo_pattern_add_color_stop_rgb(gradient.get(), 1, 0.85, 0.1, 0.55);
    cairo_set_source(cr, gradient.get());
    cairo_paint(cr);
    set(cr, hex(0x2a0b45));
    for (int band = 0; band < 7; ++band) {
        const double y = cy + 10 + band * 18.0;
        cairo_rectangle(cr, cx - radius, y, 2 * radius, 2 + band * 1.6);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

void grid(cairo_t *cr)
{
    constexpr double horizon = 330;
    const Pattern ground = linear(0, horizon, 0, kHeight);
    cairo_pattern_add_color_stop_rgb(ground.get(), 0, 0.10, 0.02, 0.18);
    cairo_pattern_add_color_stop_rgb(ground.get(), 1, 0.02, 0.0, 0.06);
    cairo_rectangle(cr, 0, horizon, kWidth, kHeight - horizon);
    cairo_set_source(cr, ground.get());
    cairo_fill(cr);
    set(cr, hex(0xff3fd0, 0.8));
    cairo_set_line_width(cr, 1.5);
    for (int line = -12; line <= 12; ++line) { // lines running to the vanishing point
        cairo_move_to(cr, 400 + line * 12.0, horizon);
        cairo_line_to(cr, 400 + line * 110.0, kHeight);
    }
    for (int row = 1; row < 12; ++row) { // cross lines, closer together near the horizon
        const double y = horizon + (kHeight - horizon) * std::pow(row / 11.0, 2.2);
        cairo_move_to(cr, 0, y);
        cairo_line_to(cr, kWidth, y);
    }
    cairo_stroke(cr);
    set(cr, hex(0xffb0f0));
    cairo_rectangle(cr, 0, horizon - 1, kWidth, 3);
    cairo_fill(cr);
}

void logo(cairo_t *cr)
{
    font(cr, Font::SansBold, 150);
    cairo_new_path(cr);
    centred_text_path(cr, "QUELP", 400, 245);
    const Pattern chrome = linear(0, 135, 0, 245);
    cairo_pattern_add_color_stop_rgb(chrome.get(), 0, 0.85, 0.97, 1.0);
    cairo_pattern_add_color_stop_rgb(chrome.get(), 0.48, 0.35, 0.55, 0.95);
    cairo_pattern_add_color_stop_rgb(chrome.get(), 0.52, 0.12, 0.08, 0.35);
    cairo_pattern_add_color_stop_rgb(chrome.get(), 1, 1.0, 0.6, 0.2);
    cairo_set_source(cr, chrome.get());
    cairo_fill_preserve(cr);
    set(cr, hex(0xffffff));
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    rounded_rectangle(cr, 170, 352, 460, 48, 12); // a dark plate keeps the subtitle legible
    set(cr, hex(0x0b0622, 0.75));
    cairo_fill(cr);
    font(cr, Font::Sans, 30);
    shadowed_text(cr, "a slide show in seven scenes", 400, 386, hex(0xffe6a8), 2);
    font(cr, Font::Mono, 16);
    shadowed_text(cr, "music  \xc2\xb7  pictures  \xc2\xb7  code  \xe2\x80\x94  made from scratch",
                  400, 455, hex(0xd0b8ff), 1);
}

} // namespace

void isologo(cairo_t *cr)
{
    sky(cr);
    sun(cr);
    grid(cr);
    logo(cr);
}

} // namespace pictures
