// canvas.h: cairo drawing helpers shared by the pictures: colours, gradients, text, randomness.
#pragma once

#include <cairo.h>
#include <cstdint>
#include <memory>
#include <string_view>

namespace canvas
{

constexpr int kWidth = 800;
constexpr int kHeight = 480;

struct Colour {
    double r, g, b, a = 1.0;
};

struct PatternFree {
    void operator()(cairo_pattern_t *pattern) const { cairo_pattern_destroy(pattern); }
};
using Pattern = std::unique_ptr<cairo_pattern_t, PatternFree>;

// Gradients, owned: add colour stops with cairo_pattern_add_color_stop_* on get().
Pattern linear(double x0, double y0, double x1, double y1);
Pattern radial(double cx0, double cy0, double r0, double cx1, double cy1, double r1);

// Colour from 0xRRGGBB.
Colour hex(std::uint32_t rgb, double alpha = 1.0);
void set(cairo_t *cr, Colour colour);

// Fills the whole picture with a top-to-bottom gradient between two colours.
void vertical_gradient(cairo_t *cr, Colour top, Colour bottom);
void circle(cairo_t *cr, double x, double y, double radius);
void rounded_rectangle(cairo_t *cr, double x, double y, double width, double height, double radius);
// A five-pointed star as a closed path.
void star(cairo_t *cr, double x, double y, double outer, double inner, double turn = 0.0);

enum class Font { Sans, SansBold, Serif, SerifBold, Mono };
void font(cairo_t *cr, Font face, double size);
// Adds the text's outline to the path, centred on x and with its baseline at y.
void centred_text_path(cairo_t *cr, std::string_view text, double x, double baseline);
// Fills text centred on x with a dark drop shadow under it.
void shadowed_text(cairo_t *cr, std::string_view text, double x, double baseline, Colour fill,
                   double shadow_offset = 4.0);

// Deterministic pseudo-random numbers (xorshift32) for scattering details.
class Random
{
  public:
    explicit Random(std::uint32_t seed) : state_(seed ? seed : 1) {}
    double uniform(double low, double high);

  private:
    std::uint32_t state_;
};

} // namespace canvas
