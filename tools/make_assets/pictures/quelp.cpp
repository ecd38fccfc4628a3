// quelp.cpp: draws Quelp: a soft blob with feet, big eyes, and a mood in brows and mouth.
#include "quelp.h"

#include <cmath>
#include <numbers>

namespace pictures
{
namespace
{

using canvas::hex;
using canvas::Pattern;
using canvas::radial;
using canvas::set;

void body(cairo_t *cr, double x, double y, double radius, canvas::Colour light,
          canvas::Colour shade)
{
    // Feet first, so the body overlaps them.
    for (const double side : {-0.45, 0.45}) {
        cairo_save(cr);
        cairo_translate(cr, x + side * radius, y + 0.92 * radius);
        cairo_scale(cr, 0.32 * radius, 0.14 * radius);
        canvas::circle(cr, 0, 0, 1);
        cairo_restore(cr);
        set(cr, shade);
        cairo_fill(cr);
    }
    const Pattern gradient =
        radial(x - 0.35 * radius, y - 0.4 * radius, 0.1 * radius, x, y, 1.1 * radius);
    cairo_pattern_add_color_stop_rgb(gradient.get(), 0, light.r, light.g, light.b);
    cairo_pattern_add_color_stop_rgb(gradient.get(), 1, shade.r, shade.g, shade.b);
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, 1.0, 0.92);
    canvas::circle(cr, 0, 0, radius);
    cairo_restore(cr);
    cairo_set_source(cr, gradient.get());
    cairo_fill_preserve(cr);
    set(cr, hex(0x1a1020));
    cairo_set_line_width(cr, radius * 0.04);
    cairo_stroke(cr);
}

void eye(cairo_t *cr, double x, double y, double size, double look)
{
    canvas::circle(cr, x, y, size);
    set(cr, hex(0xffffff));
    cairo_fill_preserve(cr);
    set(cr, hex(0x1a1020));
    cairo_set_line_width(cr, size * 0.12);
    cairo_stroke(cr);
    canvas::circle(cr, x + look * size * 0.35, y + size * 0.1, size * 0.5);
    set(cr, hex(0x20283a));
    cairo_fill(cr);
    canvas::circle(cr, x + look * size * 0.35 - size * 0.18, y - size * 0.12, size * 0.16);
    set(cr, hex(0xffffff));
    cairo_fill(cr);
}

void face(cairo_t *cr, double x, double y, double radius, Mood mood)
{
    const double eye_size = 0.22 * radius;
    const double eye_y = y - 0.18 * radius;
    for (const double side : {-1.0, 1.0}) {
        eye(cr, x + side * 0.33 * radius, eye_y, eye_size, mood == Mood::Mad ? -side * 0.4 : 0.5);
    }
    set(cr, hex(0x1a1020));
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, radius * 0.07);
    if (mood == Mood::Mad) {
        for (const double side : {-1.0, 1.0}) { // brows pulled down to the middle
            cairo_move_to(cr, x + side * 0.58 * radius, eye_y - 0.42 * radius);
            cairo_line_to(cr, x + side * 0.12 * radius, eye_y - 0.2 * radius);
        }
        cairo_stroke(cr);
        cairo_move_to(cr, x - 0.3 * radius, y + 0.42 * radius); // a jagged, clenched mouth
        for (int tooth = 1; tooth <= 6; ++tooth) {
            cairo_line_to(cr, x - 0.3 * radius + tooth * 0.1 * radius,
                          y + (tooth % 2 ? 0.32 : 0.42) * radius);
        }
        cairo_stroke(cr);
        return;
    }
    cairo_arc(cr, x, y + 0.12 * radius, 0.32 * radius, 0.15 * std::numbers::pi,
              0.85 * std::numbers::pi);
    cairo_stroke(cr);
    for (const double side : {-1.0, 1.0}) { // rosy cheeks
        canvas::circle(cr, x + side * 0.55 * radius, y + 0.15 * radius, 0.1 * radius);
        set(cr, hex(0xff7aa0, 0.55));
        cairo_fill(cr);
    }
}

} // namespace

void draw_quelp(cairo_t *cr, double x, double y, double radius, canvas::Colour body_colour,
                canvas::Colour shade, Mood mood)
{
    cairo_save(cr);
    body(cr, x, y, radius, body_colour, shade);
    face(cr, x, y, radius, mood);
    cairo_restore(cr);
}

} // namespace pictures
