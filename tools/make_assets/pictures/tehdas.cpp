// tehdas.cpp: a factory at dusk: saw-tooth roofed halls, smoking chimneys, lit windows,
// a gear on the gable and the name over the gate.
#include "canvas.h"
#include "pictures.h"

#include <cmath>
#include <numbers>

namespace pictures
{
namespace
{

using namespace canvas;

void smoke(cairo_t *cr, Random &random, double x, double y)
{
    for (int puff = 0; puff < 9; ++puff) {
        const double drift = puff * 22.0;
        circle(cr, x + drift + random.uniform(-6, 6), y - puff * 24.0, 14 + puff * 5.0);
        set(cr, hex(0x8a8090, 0.5 - puff * 0.04));
        cairo_fill(cr);
    }
}

void chimney(cairo_t *cr, double x, double top, double width)
{
    cairo_rectangle(cr, x, top, width, 330 - top);
    set(cr, hex(0x5a2f2a));
    cairo_fill(cr);
    for (int band = 0; top + 20 + band * 40 < 320; ++band) { // painted bands
        cairo_rectangle(cr, x, top + 20 + band * 40, width, 8);
    }
    set(cr, hex(0xd8d0c0));
    cairo_fill(cr);
}

void hall(cairo_t *cr, double x, double width, int teeth)
{
    constexpr double eaves = 300, ground = 420;
    const double tooth = width / teeth;
    cairo_move_to(cr, x, ground);
    cairo_line_to(cr, x, eaves);
    for (int t = 0; t < teeth; ++t) { // saw-tooth roof
        cairo_line_to(cr, x + t * tooth, eaves - 50);
        cairo_line_to(cr, x + (t + 1) * tooth, eaves);
    }
    cairo_line_to(cr, x + width, ground);
    cairo_close_path(cr);
    set(cr, hex(0x2b2a3a));
    cairo_fill(cr);
    for (int t = 0; t < teeth; ++t) { // roof glazing catching the last light
        cairo_move_to(cr, x + t * tooth + 3, eaves - 44);
        cairo_line_to(cr, x + t * tooth + 3, eaves - 4);
        cairo_line_to(cr, x + (t + 1) * tooth - 6, eaves - 2);
        cairo_close_path(cr);
    }
    set(cr, hex(0xffb36b, 0.55));
    cairo_fill(cr);
    for (int floor = 0; eaves + 20 + floor * 36 < ground - 30; ++floor) {
        for (int column = 0; x + 14 + column * 34 < x + width - 30; ++column) {
            cairo_rectangle(cr, x + 14 + column * 34, eaves + 20 + floor * 36, 20, 22);
        }
    }
    set(cr, hex(0xffd36b));
    cairo_fill(cr);
}

void gear(cairo_t *cr, double x, double y, double radius)
{
    cairo_new_path(cr);
    for (int tooth = 0; tooth < 24; ++tooth) {
        const double angle = tooth * std::numbers::pi / 12;
        const double r = tooth % 2 ? radius : radius * 1.18;
        cairo_line_to(cr, x + r * std::cos(angle), y + r * std::sin(angle));
        cairo_line_to(cr, x + r * std::cos(angle + 0.26), y + r * std::sin(angle + 0.26));
    }
    cairo_close_path(cr);
    circle(cr, x, y, radius * 0.4);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    set(cr, hex(0xc0c4cc));
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
}

} // namespace

void tehdas(cairo_t *cr)
{
    const Pattern sky = linear(0, 0, 0, 420);
    cairo_pattern_add_color_stop_rgb(sky.get(), 0, 0.16, 0.12, 0.36);
    cairo_pattern_add_color_stop_rgb(sky.get(), 0.6, 0.9, 0.42, 0.32);
    cairo_pattern_add_color_stop_rgb(sky.get(), 1, 1.0, 0.78, 0.45);
    cairo_set_source(cr, sky.get());
    cairo_paint(cr);
    Random random(11);
    smoke(cr, random, 130, 70);
    smoke(cr, random, 215, 120);
    smoke(cr, random, 610, 40);
    chimney(cr, 115, 90, 32);
    chimney(cr, 200, 140, 28);
    chimney(cr, 595, 60, 34);
    hall(cr, 20, 380, 6);
    hall(cr, 420, 360, 5);
    rounded_rectangle(cr, 300, 352, 200, 60, 8); // the sign over the gate
    set(cr, hex(0x14121c));
    cairo_fill_preserve(cr);
    set(cr, hex(0xffb36b));
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    gear(cr, 410, 262, 40);
    cairo_rectangle(cr, 0, 420, kWidth, 60);
    set(cr, hex(0x16141e));
    cairo_fill(cr);
    for (int sleeper = 0; sleeper * 60 < kWidth; ++sleeper) { // a rail track in front
        cairo_rectangle(cr, sleeper * 60, 446, 40, 6);
    }
    set(cr, hex(0x6b5a4a));
    cairo_fill(cr);
    font(cr, Font::SansBold, 40);
    shadowed_text(cr, "TEHDAS", 400, 397, hex(0xffe9b0), 3);
}

} // namespace pictures
