// quelpmad.cpp: Quelp is furious: a red burst behind it, steam from its head, and shouting.
#include "canvas.h"
#include "pictures.h"
#include "quelp.h"

#include <cmath>
#include <numbers>

namespace pictures
{
namespace
{

using namespace canvas;

void burst(cairo_t *cr)
{
    set(cr, hex(0x5a0a12));
    cairo_paint(cr);
    constexpr int rays = 28;
    for (int ray = 0; ray < rays; ray += 2) {
        const double from = ray * 2 * std::numbers::pi / rays;
        const double to = (ray + 1) * 2 * std::numbers::pi / rays;
        cairo_move_to(cr, 400, 270);
        cairo_line_to(cr, 400 + 900 * std::cos(from), 270 + 900 * std::sin(from));
        cairo_line_to(cr, 400 + 900 * std::cos(to), 270 + 900 * std::sin(to));
        cairo_close_path(cr);
    }
    const Pattern glow = radial(400, 270, 40, 400, 270, 520);
    cairo_pattern_add_color_stop_rgb(glow.get(), 0, 1.0, 0.75, 0.2);
    cairo_pattern_add_color_stop_rgb(glow.get(), 1, 0.85, 0.12, 0.1);
    cairo_set_source(cr, glow.get());
    cairo_fill(cr);
}

void steam(cairo_t *cr, double x, double y, double direction)
{
    Random random(static_cast<std::uint32_t>(x));
    for (int puff = 0; puff < 6; ++puff) {
        circle(cr, x + direction * puff * 16.0, y - puff * 20.0 + random.uniform(-4, 4),
               10 + puff * 4.0);
        set(cr, hex(0xffffff, 0.85 - puff * 0.1));
        cairo_fill(cr);
    }
}

void shout(cairo_t *cr)
{
    cairo_save(cr);
    cairo_translate(cr, 150, 110);
    cairo_rotate(cr, -0.18);
    font(cr, Font::SansBold, 64);
    cairo_new_path(cr);
    centred_text_path(cr, "GRRR!", 0, 0);
    set(cr, hex(0xfff35a));
    cairo_fill_preserve(cr);
    set(cr, hex(0x2a0000));
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_save(cr);
    cairo_translate(cr, 650, 400);
    cairo_rotate(cr, 0.12);
    font(cr, Font::SansBold, 46);
    cairo_new_path(cr);
    centred_text_path(cr, "#@%&!", 0, 0);
    set(cr, hex(0xffffff));
    cairo_fill_preserve(cr);
    set(cr, hex(0x2a0000));
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace

void quelpmad(cairo_t *cr)
{
    burst(cr);
    steam(cr, 320, 120, -1);
    steam(cr, 480, 120, 1);
    draw_quelp(cr, 400, 290, 150, hex(0xff8a7a), hex(0xa3202a), Mood::Mad);
    shout(cr);
}

} // namespace pictures
