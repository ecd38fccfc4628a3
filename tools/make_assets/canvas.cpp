// canvas.cpp: cairo drawing helpers shared by the pictures.
#include "canvas.h"

#include <cmath>
#include <numbers>
#include <string>

namespace canvas
{

Pattern linear(double x0, double y0, double x1, double y1)
{
    return Pattern(cairo_pattern_create_linear(x0, y0, x1, y1));
}

Pattern radial(double cx0, double cy0, double r0, double cx1, double cy1, double r1)
{
    return Pattern(cairo_pattern_create_radial(cx0, cy0, r0, cx1, cy1, r1));
}

Colour hex(std::uint32_t rgb, double alpha)
{
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

void set(cairo_t *cr, Colour colour)
{
    cairo_set_source_rgba(cr, colour.r, colour.g, colour.b, colour.a);
}

void vertical_gradient(cairo_t *cr, Colour top, Colour bottom)
{
    const Pattern gradient = linear(0, 0, 0, kHeight);
    cairo_pattern_add_color_stop_rgba(gradient.get(), 0, top.r, top.g, top.b, top.a);
    cairo_pattern_add_color_stop_rgba(gradient.get(), 1, bottom.r, bottom.g, bottom.b, bottom.a);
    cairo_set_source(cr, gradient.get());
    cairo_paint(cr);
}

void circle(cairo_t *cr, double x, double y, double radius)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x, y, radius, 0, 2 * std::numbers::pi);
    cairo_close_path(cr);
}

void rounded_rectangle(cairo_t *cr, double x, double y, double width, double height, double radius)
{
    constexpr double quarter = std::numbers::pi / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - radius, y + radius, radius, -quarter, 0);
    cairo_arc(cr, x + width - radius, y + height - radius, radius, 0, quarter);
    cairo_arc(cr, x + radius, y + height - radius, radius, quarter, 2 * quarter);
    cairo_arc(cr, x + radius, y + radius, radius, 2 * quarter, 3 * quarter);
    cairo_close_path(cr);
}

void star(cairo_t *cr, double x, double y, double outer, double inner, double turn)
{
    cairo_new_sub_path(cr);
    for (int point = 0; point < 10; ++point) {
        const double angle = turn - std::numbers::pi / 2 + point * std::numbers::pi / 5;
        const double radius = point % 2 ? inner : outer;
        cairo_line_to(cr, x + radius * std::cos(angle), y + radius * std::sin(angle));
    }
    cairo_close_path(cr);
}

void font(cairo_t *cr, Font face, double size)
{
    const bool serif = face == Font::Serif || face == Font::SerifBold;
    const char *family = face == Font::Mono ? "DejaVu Sans Mono"
                         : serif            ? "DejaVu Serif"
                                            : "DejaVu Sans";
    const bool bold = face == Font::SansBold || face == Font::SerifBold;
    cairo_select_font_face(cr, family, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    // Outlines only, no hinting: the same shapes whatever the local font settings are.
    cairo_font_options_t *options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

void centred_text_path(cairo_t *cr, std::string_view text, double x, double baseline)
{
    const std::string owned(text);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, owned.c_str(), &extents);
    cairo_move_to(cr, x - extents.x_advance / 2, baseline);
    cairo_text_path(cr, owned.c_str());
}

void shadowed_text(cairo_t *cr, std::string_view text, double x, double baseline, Colour fill,
                   double shadow_offset)
{
    cairo_new_path(cr);
    centred_text_path(cr, text, x + shadow_offset, baseline + shadow_offset);
    set(cr, hex(0x000000, 0.45));
    cairo_fill(cr);
    centred_text_path(cr, text, x, baseline);
    set(cr, fill);
    cairo_fill(cr);
}

double Random::uniform(double low, double high)
{
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return low + (high - low) * (state_ / 4294967296.0);
}

} // namespace canvas
