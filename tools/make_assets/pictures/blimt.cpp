// blimt.cpp: an airship named BLIMT drifting over rolling hills at twilight, searchlights up.
#include "canvas.h"
#include "pictures.h"

#include <cmath>

namespace pictures
{
namespace
{

using namespace canvas;

void hills(cairo_t *cr)
{
    const std::uint32_t colours[] = {0x3b4f7a, 0x2c3d62, 0x1c2a48};
    for (int layer = 0; layer < 3; ++layer) {
        const double base = 330 + layer * 45;
        cairo_move_to(cr, 0, kHeight);
        for (int x = 0; x <= kWidth; x += 10) {
            cairo_line_to(cr, x, base - 30 * std::sin(x / (90.0 + layer * 40) + layer * 1.7));
        }
        cairo_line_to(cr, kWidth, kHeight);
        cairo_close_path(cr);
        set(cr, hex(colours[layer]));
        cairo_fill(cr);
    }
}

void searchlight(cairo_t *cr, double x, double angle)
{
    cairo_move_to(cr, x, 420);
    cairo_line_to(cr, x + 700 * std::sin(angle - 0.05), 420 - 700 * std::cos(angle - 0.05));
    cairo_line_to(cr, x + 700 * std::sin(angle + 0.05), 420 - 700 * std::cos(angle + 0.05));
    cairo_close_path(cr);
    set(cr, hex(0xfff6c0, 0.16));
    cairo_fill(cr);
}

void airship(cairo_t *cr)
{
    cairo_save(cr);
    cairo_translate(cr, 440, 200);
    cairo_rotate(cr, -0.06);
    for (const double side : {-1.0, 1.0}) { // tail fins above and below
        cairo_move_to(cr, -205, side * 55);
        cairo_line_to(cr, -258, side * 98);
        cairo_line_to(cr, -284, side * 98);
        cairo_line_to(cr, -276, side * 25);
        cairo_close_path(cr);
    }
    set(cr, hex(0xa02838));
    cairo_fill(cr);
    cairo_save(cr);
    cairo_scale(cr, 270, 82);
    circle(cr, 0, 0, 1);
    cairo_restore(cr);
    const Pattern hull = linear(0, -82, 0, 82);
    cairo_pattern_add_color_stop_rgb(hull.get(), 0, 0.92, 0.93, 0.96);
    cairo_pattern_add_color_stop_rgb(hull.get(), 0.5, 0.66, 0.68, 0.75);
    cairo_pattern_add_color_stop_rgb(hull.get(), 1, 0.3, 0.32, 0.42);
    cairo_set_source(cr, hull.get());
    cairo_fill(cr);
    set(cr, hex(0x4a4e60, 0.6)); // the seams of the envelope
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, -262, 0);
    cairo_line_to(cr, 262, 0);
    cairo_stroke(cr);
    for (int seam = -3; seam <= 3; ++seam) {
        if (seam == 0) {
            continue; // the straight middle seam above; a zero scale would break the context
        }
        cairo_save(cr);
        cairo_scale(cr, 270, 82 * seam / 3.5);
        cairo_arc(cr, 0, 0, 1, 0.3, 2.84);
        cairo_restore(cr);
        cairo_stroke(cr);
    }
    rounded_rectangle(cr, -60, 74, 120, 30, 10);
    set(cr, hex(0x3a2a2a));
    cairo_fill(cr);
    for (int window = 0; window < 5; ++window) {
        cairo_rectangle(cr, -50 + window * 22, 82, 14, 12);
    }
    set(cr, hex(0xffd96b));
    cairo_fill(cr);
    font(cr, Font::SansBold, 64);
    cairo_new_path(cr);
    centred_text_path(cr, "BLIMT", 10, 22);
    set(cr, hex(0xa02838));
    cairo_fill(cr);
    cairo_restore(cr);
}

} // namespace

void blimt(cairo_t *cr)
{
    vertical_gradient(cr, hex(0x141b3c), hex(0xd97b5c));
    Random random(23);
    for (int i = 0; i < 120; ++i) {
        circle(cr, random.uniform(0, kWidth), random.uniform(0, 220), random.uniform(0.4, 1.4));
        set(cr, hex(0xffffff, random.uniform(0.2, 0.9)));
        cairo_fill(cr);
    }
    cairo_save(cr); // a crescent moon: a disc drawn through a clip with a round hole
    cairo_rectangle(cr, 0, 0, kWidth, kHeight);
    circle(cr, 84, 56, 30);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
    circle(cr, 70, 66, 34);
    set(cr, hex(0xfff1c8));
    cairo_fill(cr);
    cairo_restore(cr);
    searchlight(cr, 180, 0.45);
    searchlight(cr, 660, -0.35);
    airship(cr);
    hills(cr);
}

} // namespace pictures
