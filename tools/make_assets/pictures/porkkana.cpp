// porkkana.cpp: a carrot: a big, ridged orange root with leafy greens, on garden soil.
#include "canvas.h"
#include "pictures.h"

#include <cmath>

namespace pictures
{
namespace
{

using namespace canvas;

void background(cairo_t *cr)
{
    vertical_gradient(cr, hex(0xf6ecd0), hex(0xe8d3a8));
    cairo_rectangle(cr, 0, 360, kWidth, 120);
    set(cr, hex(0x5b3a22));
    cairo_fill(cr);
    Random random(5);
    for (int i = 0; i < 400; ++i) { // crumbs of soil
        circle(cr, random.uniform(0, kWidth), random.uniform(362, kHeight), random.uniform(1, 4));
        set(cr, random.uniform(0, 1) < 0.5 ? hex(0x3d2514) : hex(0x7a5232));
        cairo_fill(cr);
    }
}

void leaves(cairo_t *cr)
{
    const double fronds[][3] = {{-0.9, 150, 0x3f9a35},
                                {-0.45, 190, 0x2f7d2a},
                                {0.0, 170, 0x4fb043},
                                {0.4, 200, 0x2f7d2a},
                                {0.85, 150, 0x3f9a35}};
    for (const auto &frond : fronds) {
        const double angle = frond[0], length = frond[1];
        cairo_save(cr);
        cairo_translate(cr, 230, 200);
        cairo_rotate(cr, angle - 1.57);
        cairo_move_to(cr, 0, 0);
        cairo_curve_to(cr, length * 0.3, -30, length * 0.8, -26, length, 0);
        cairo_curve_to(cr, length * 0.8, 26, length * 0.3, 30, 0, 0);
        set(cr, hex(static_cast<std::uint32_t>(frond[2])));
        cairo_fill_preserve(cr);
        set(cr, hex(0x1d4d1a));
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, length * 0.95, 0);
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

// The root lies diagonally from the leaves at (230, 200) to its tip at (640, 400).
void root(cairo_t *cr)
{
    cairo_save(cr);
    cairo_translate(cr, 230, 200);
    cairo_rotate(cr, std::atan2(200, 410));
    cairo_move_to(cr, 0, -60);
    cairo_curve_to(cr, 160, -62, 330, -30, 456, 0);
    cairo_curve_to(cr, 330, 30, 160, 62, 0, 60);
    cairo_curve_to(cr, -40, 40, -40, -40, 0, -60);
    const Pattern shade = linear(0, -60, 0, 60);
    cairo_pattern_add_color_stop_rgb(shade.get(), 0, 1.0, 0.72, 0.32);
    cairo_pattern_add_color_stop_rgb(shade.get(), 0.45, 0.98, 0.52, 0.1);
    cairo_pattern_add_color_stop_rgb(shade.get(), 1, 0.75, 0.3, 0.05);
    cairo_set_source(cr, shade.get());
    cairo_fill_preserve(cr);
    set(cr, hex(0x7a3306));
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 2);
    for (int ridge = 1; ridge < 9; ++ridge) { // the rings around the root
        const double x = ridge * 46.0;
        const double half = 60 * (1 - std::pow(x / 456, 1.6));
        cairo_move_to(cr, x - 6, -half * 0.7);
        cairo_curve_to(cr, x + 4, -half * 0.3, x + 4, half * 0.3, x - 6, half * 0.7);
    }
    set(cr, hex(0xb8540e));
    cairo_stroke(cr);
    cairo_restore(cr);
}

} // namespace

void porkkana(cairo_t *cr)
{
    background(cr);
    cairo_save(cr);
    cairo_translate(cr, 6, 10);
    set(cr, hex(0x000000, 0.18)); // soft shadow on the ground
    cairo_translate(cr, 430, 400);
    cairo_scale(cr, 230, 22);
    circle(cr, 0, 0, 1);
    cairo_fill(cr);
    cairo_restore(cr);
    leaves(cr);
    root(cr);
    font(cr, Font::SerifBold, 60);
    shadowed_text(cr, "PORKKANA", 560, 120, hex(0xe06010), 3);
}

} // namespace pictures
