// loppu.cpp: the end card: fireworks over a night sky, "LOPPU" in gold and a thank-you line.
#include "canvas.h"
#include "pictures.h"

#include <cmath>
#include <numbers>

namespace pictures
{
namespace
{

using namespace canvas;

void firework(cairo_t *cr, Random &random, double x, double y, double size, Colour colour)
{
    constexpr int sparks = 36;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int spark = 0; spark < sparks; ++spark) {
        const double angle = spark * 2 * std::numbers::pi / sparks + random.uniform(-0.05, 0.05);
        const double reach = size * random.uniform(0.75, 1.0);
        const Pattern trail =
            linear(x, y, x + reach * std::cos(angle), y + reach * std::sin(angle));
        cairo_pattern_add_color_stop_rgba(trail.get(), 0, colour.r, colour.g, colour.b, 0.0);
        cairo_pattern_add_color_stop_rgba(trail.get(), 1, colour.r, colour.g, colour.b, 0.95);
        cairo_set_source(cr, trail.get());
        cairo_set_line_width(cr, 2.5);
        cairo_move_to(cr, x + 0.25 * reach * std::cos(angle), y + 0.25 * reach * std::sin(angle));
        cairo_line_to(cr, x + reach * std::cos(angle), y + reach * std::sin(angle));
        cairo_stroke(cr);
        circle(cr, x + reach * std::cos(angle), y + reach * std::sin(angle), 2.6);
        set(cr, hex(0xffffff, 0.9));
        cairo_fill(cr);
    }
}

void city(cairo_t *cr)
{
    Random random(17);
    double x = 0;
    while (x < kWidth) {
        const double width = random.uniform(30, 70), height = random.uniform(40, 120);
        cairo_rectangle(cr, x, kHeight - height, width - 2, height);
        set(cr, hex(0x0c0c1c));
        cairo_fill(cr);
        const int floors = static_cast<int>((height - 16) / 14) + 1;
        const int columns = static_cast<int>((width - 16) / 12) + 1;
        for (int floor = 0; floor < floors; ++floor) {
            for (int column = 0; column < columns; ++column) {
                if (random.uniform(0, 1) < 0.35) {
                    cairo_rectangle(cr, x + 6 + column * 12, kHeight - height + 8 + floor * 14, 5,
                                    7);
                }
            }
        }
        set(cr, hex(0xffe08a, 0.8));
        cairo_fill(cr);
        x += width;
    }
}

} // namespace

void loppu(cairo_t *cr)
{
    vertical_gradient(cr, hex(0x05051a), hex(0x2a1a4a));
    Random random(29);
    firework(cr, random, 150, 120, 90, hex(0xff5a8a));
    firework(cr, random, 640, 100, 110, hex(0x6ad0ff));
    firework(cr, random, 420, 70, 60, hex(0xb0ff6a));
    firework(cr, random, 720, 260, 55, hex(0xffb040));
    city(cr);
    font(cr, Font::SerifBold, 130);
    cairo_new_path(cr);
    centred_text_path(cr, "LOPPU", 400, 300);
    const Pattern gold = linear(0, 200, 0, 300);
    cairo_pattern_add_color_stop_rgb(gold.get(), 0, 1.0, 0.95, 0.6);
    cairo_pattern_add_color_stop_rgb(gold.get(), 0.5, 0.95, 0.7, 0.2);
    cairo_pattern_add_color_stop_rgb(gold.get(), 1, 0.7, 0.42, 0.1);
    cairo_set_source(cr, gold.get());
    cairo_fill_preserve(cr);
    set(cr, hex(0x3a2000));
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    font(cr, Font::Sans, 28);
    shadowed_text(cr, "kiitos \xe2\x80\x94 thanks for watching", 400, 345, hex(0xf0e8ff), 2);
}

} // namespace pictures
