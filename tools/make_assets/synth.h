// synth.h: the tune's instruments, synthesised from sine partials and shaped noise.
#pragma once

#include "xmwriter.h"

namespace synth
{

xm::Instrument kick();
xm::Instrument snare();
xm::Instrument closed_hat();
xm::Instrument open_hat();
xm::Instrument crash();
xm::Instrument bass();
xm::Instrument pad();
xm::Instrument lead();
xm::Instrument bell();

} // namespace synth
