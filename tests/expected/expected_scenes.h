// expected_scenes.h: the picture files and the scene table as the tests expect them, written here
// once for every suite rather than taken from the player under test.
#pragma once

#include <array>

// The nine picture files, in the order the demo loads them.
inline constexpr std::array<const char *, 9> kPictureFiles = {
    "isologo.bmp", "pilvet.bmp", "porkkana.bmp",   "tehdas.bmp", "quelpmad.bmp",
    "blimt.bmp",   "plimsa.bmp", "quelpsaksa.bmp", "loppu.bmp"};

// The picture each order position shows, from order 0; every later order is black.
inline constexpr std::array<const char *, 7> kSceneFiles = {
    "isologo.bmp",  "tehdas.bmp", "quelpsaksa.bmp", "pilvet.bmp",
    "quelpmad.bmp", "plimsa.bmp", "loppu.bmp"};
