// realtime_playback.h: which playback BASSMOD_Init opens on this platform: SDL's audio device on
// the desktop, the page's Web Audio in the browser.
#pragma once

#ifdef __EMSCRIPTEN__
#include "web_playback.h"
namespace bassmod
{
using RealtimePlayback = WebPlayback;
}
#else
#include "device_playback.h"
namespace bassmod
{
using RealtimePlayback = DevicePlayback;
}
#endif
