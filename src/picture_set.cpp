/* picture_set.cpp: the picture set, one program-wide surface per picture file, defined here once
 * for the demo and for every program built on the player (capture tool, tests, benchmarks). */
#include "demo.h"

SDL_Surface *isologo, *pilvet, *porkkana, *tehdas, *quelpmad, *blimt, *plimsa, *quelpsaksa, *loppu;
