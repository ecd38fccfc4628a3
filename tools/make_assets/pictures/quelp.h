// quelp.h: Quelp, the round creature of the demo's pictures, in a chosen mood.
#pragma once

#include "canvas.h"

namespace pictures
{

enum class Mood { Happy, Mad };

// Draws Quelp centred at (x, y) with the given body radius and colours.
void draw_quelp(cairo_t *cr, double x, double y, double radius, canvas::Colour body,
                canvas::Colour shade, Mood mood);

} // namespace pictures
