// xmcheck.h: checks that a module fits the XM format before it is serialised.
#pragma once

#include "xmwriter.h"

namespace xm
{

// Throws std::invalid_argument naming the first field that XM cannot represent.
void check(const Module &module);

} // namespace xm
