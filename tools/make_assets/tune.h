// tune.h: the demo's music, an original piece in A minor with one 64-row order per scene.
#pragma once

#include "xmwriter.h"

namespace tune
{

constexpr int kSceneCount = 7;

// The whole module: 12 channels, 9 synthesised instruments, orders 0..6 played once.
xm::Module module();

} // namespace tune
