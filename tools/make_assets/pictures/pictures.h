// pictures.h: the nine pictures of the demo, each drawn on an 800x480 cairo context.
#pragma once

#include <array>
#include <cairo.h>

namespace pictures
{

void isologo(cairo_t *cr);
void pilvet(cairo_t *cr);
void porkkana(cairo_t *cr);
void tehdas(cairo_t *cr);
void quelpmad(cairo_t *cr);
void blimt(cairo_t *cr);
void plimsa(cairo_t *cr);
void quelpsaksa(cairo_t *cr);
void loppu(cairo_t *cr);

struct Picture {
    const char *file;
    void (*draw)(cairo_t *cr);
};

// In the order the demo loads them.
constexpr std::array<Picture, 9> kAll = {{{"isologo.bmp", isologo},
                                          {"pilvet.bmp", pilvet},
                                          {"porkkana.bmp", porkkana},
                                          {"tehdas.bmp", tehdas},
                                          {"quelpmad.bmp", quelpmad},
                                          {"blimt.bmp", blimt},
                                          {"plimsa.bmp", plimsa},
                                          {"quelpsaksa.bmp", quelpsaksa},
                                          {"loppu.bmp", loppu}}};

} // namespace pictures
