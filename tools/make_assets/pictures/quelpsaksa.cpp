// quelpsaksa.cpp: Quelp at the craft table with a big pair of scissors, cutting a garland of
// paper figures, with paper confetti drifting down.
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

void confetti(cairo_t *cr)
{
    const std::uint32_t colours[] = {0xff7aa0, 0x7ac8ff, 0xffd36b, 0x8ee07a, 0xc59bff};
    Random random(3);
    for (int i = 0; i < 90; ++i) {
        cairo_save(cr);
        cairo_translate(cr, random.uniform(0, kWidth), random.uniform(0, 330));
        cairo_rotate(cr, random.uniform(0, std::numbers::pi));
        cairo_rectangle(cr, -7, -3, 14, 6);
        set(cr, hex(colours[i % 5], 0.9));
        cairo_fill(cr);
        cairo_restore(cr);
    }
}

// A row of paper people holding hands, cut from one strip.
void garland(cairo_t *cr)
{
    for (int figure = 0; figure < 6; ++figure) {
        const double x = 530 + figure * 46.0;
        const double y = 330 + 6 * std::sin(figure * 1.3);
        cairo_new_path(cr);
        circle(cr, x, y - 30, 10);
        cairo_move_to(cr, x - 26, y - 12);
        cairo_line_to(cr, x + 26, y - 12);
        cairo_line_to(cr, x + 26, y - 4);
        cairo_line_to(cr, x + 9, y - 4);
        cairo_line_to(cr, x + 14, y + 30);
        cairo_line_to(cr, x + 3, y + 30);
        cairo_line_to(cr, x, y + 10);
        cairo_line_to(cr, x - 3, y + 30);
        cairo_line_to(cr, x - 14, y + 30);
        cairo_line_to(cr, x - 9, y - 4);
        cairo_line_to(cr, x - 26, y - 4);
        cairo_close_path(cr);
        set(cr, hex(figure % 2 ? 0x7ac8ff : 0xffd36b));
        cairo_fill_preserve(cr);
        set(cr, hex(0x3a3050));
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
    }
}

// Two halves crossing at a pivot: each is a blade ahead of the pivot and a ring behind it.
void scissors(cairo_t *cr)
{
    cairo_save(cr);
    cairo_translate(cr, 440, 318);
    cairo_rotate(cr, -0.12);
    for (const double opening : {-0.26, 0.26}) {
        cairo_save(cr);
        cairo_rotate(cr, opening);
        cairo_move_to(cr, -34, -5);
        cairo_line_to(cr, 0, -7);
        cairo_line_to(cr, 118, -1);
        cairo_line_to(cr, 0, 8);
        cairo_line_to(cr, -34, 5);
        cairo_close_path(cr);
        const Pattern steel = linear(0, -7, 0, 8);
        cairo_pattern_add_color_stop_rgb(steel.get(), 0, 0.96, 0.97, 1.0);
        cairo_pattern_add_color_stop_rgb(steel.get(), 1, 0.42, 0.45, 0.54);
        cairo_set_source(cr, steel.get());
        cairo_fill_preserve(cr);
        set(cr, hex(0x3a3a4a));
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_new_path(cr);
        circle(cr, -54, 0, 21);
        circle(cr, -54, 0, 12);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        set(cr, hex(0xe0406a));
        cairo_fill(cr);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        cairo_restore(cr);
    }
    circle(cr, 0, 0, 5);
    set(cr, hex(0x303040));
    cairo_fill(cr);
    cairo_restore(cr);
}

// A stubby arm from Quelp's side to the scissors' rings.
void arm(cairo_t *cr)
{
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 330, 300);
    cairo_curve_to(cr, 350, 318, 370, 322, 386, 318);
    set(cr, hex(0x1a1020));
    cairo_set_line_width(cr, 26);
    cairo_stroke_preserve(cr);
    set(cr, hex(0x5cc46a));
    cairo_set_line_width(cr, 20);
    cairo_stroke(cr);
}

} // namespace

void quelpsaksa(cairo_t *cr)
{
    vertical_gradient(cr, hex(0xd8f0ff), hex(0xffe4f0));
    confetti(cr);
    cairo_rectangle(cr, 0, 370, kWidth, 110); // the craft table
    set(cr, hex(0xc98b52));
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 370, kWidth, 10);
    set(cr, hex(0xe3a86f));
    cairo_fill(cr);
    draw_quelp(cr, 230, 270, 120, hex(0x9ef08a), hex(0x2f8a4a), Mood::Happy);
    garland(cr);
    scissors(cr);
    arm(cr);
    font(cr, Font::SansBold, 54);
    cairo_save(cr);
    cairo_translate(cr, 590, 120);
    cairo_rotate(cr, -0.08);
    shadowed_text(cr, "snip snip!", 0, 0, hex(0xe0406a), 3);
    cairo_restore(cr);
}

} // namespace pictures
