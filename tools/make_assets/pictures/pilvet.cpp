// pilvet.cpp: clouds: a summer sky with a haloed sun, layered puffy clouds and a few birds.
#include "canvas.h"
#include "pictures.h"

#include <cmath>
#include <numbers>

namespace pictures
{
namespace
{

using namespace canvas;

void sun(cairo_t *cr)
{
    const Pattern halo = radial(640, 90, 20, 640, 90, 260);
    cairo_pattern_add_color_stop_rgba(halo.get(), 0, 1.0, 1.0, 0.85, 0.9);
    cairo_pattern_add_color_stop_rgba(halo.get(), 1, 1.0, 1.0, 0.85, 0.0);
    cairo_set_source(cr, halo.get());
    cairo_paint(cr);
    circle(cr, 640, 90, 42);
    set(cr, hex(0xfff7c2));
    cairo_fill(cr);
}

// One cloud: overlapping puffs lit from above, darker and bluer underneath.
void cloud(cairo_t *cr, Random &random, double x, double y, double scale, double alpha)
{
    const int puffs = 7;
    cairo_new_path(cr);
    for (int i = 0; i < puffs; ++i) {
        const double along = (i - (puffs - 1) / 2.0) / puffs;
        const double radius =
            scale * (0.28 + 0.22 * std::cos(along * std::numbers::pi)) * random.uniform(0.85, 1.15);
        circle(cr, x + along * scale * 1.7, y - radius * 0.45, radius);
    }
    cairo_rectangle(cr, x - scale * 0.85, y - scale * 0.1, scale * 1.7, scale * 0.18);
    const Pattern shade = linear(0, y - scale * 0.7, 0, y + scale * 0.1);
    cairo_pattern_add_color_stop_rgba(shade.get(), 0, 1.0, 1.0, 1.0, alpha);
    cairo_pattern_add_color_stop_rgba(shade.get(), 0.6, 0.93, 0.95, 1.0, alpha);
    cairo_pattern_add_color_stop_rgba(shade.get(), 1, 0.68, 0.74, 0.88, alpha);
    cairo_set_source(cr, shade.get());
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    cairo_fill(cr);
}

void bird(cairo_t *cr, double x, double y, double span)
{
    cairo_move_to(cr, x - span, y - span * 0.3);
    cairo_curve_to(cr, x - span * 0.6, y - span * 0.6, x - span * 0.2, y - span * 0.4, x, y);
    cairo_curve_to(cr, x + span * 0.2, y - span * 0.4, x + span * 0.6, y - span * 0.6, x + span,
                   y - span * 0.3);
}

} // namespace

void pilvet(cairo_t *cr)
{
    vertical_gradient(cr, hex(0x2f7fd8), hex(0xbfe3ff));
    sun(cr);
    Random random(31);
    for (int layer = 0; layer < 3; ++layer) { // far, small and faint first
        const double scale = 70 + layer * 55;
        const int count = 7 - layer * 2;
        for (int i = 0; i < count; ++i) {
            const double x = random.uniform(-40, kWidth + 40);
            const double y = 90 + layer * 120 + random.uniform(-30, 40);
            cloud(cr, random, x, y, scale, 0.75 + layer * 0.12);
        }
    }
    set(cr, hex(0x2a3550));
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const double flock[][3] = {{180, 120, 14}, {215, 100, 11}, {240, 132, 9}, {270, 112, 8}};
    for (const auto &b : flock) {
        bird(cr, b[0], b[1], b[2]);
    }
    cairo_stroke(cr);
    font(cr, Font::SerifBold, 44);
    shadowed_text(cr, "pilvet", 400, 455, hex(0xffffff), 3);
}

} // namespace pictures
