/* fuzz_music_load.cpp: libFuzzer target: random bytes as a module loaded from memory by the
 * music library, then played and its position queried. Input: one byte of flags and offset,
 * then the module's bytes. */
#include "bassmod.h"

#include <stdint.h>
#include <stdlib.h>

namespace
{

const uint32_t kNoModule = 0xFFFFFFFFu;
const uint32_t kPlayOnce = BASSMOD_MUSIC_PLAYONCE;
const uint32_t kLoop = 4;

void Check(bool condition)
{
    if (!condition)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!BASSMOD_Init(-1, 44100, 0))
        abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const uint32_t flags = control & 1 ? kPlayOnce | kLoop : kPlayOnce;
    /* Offsets 0 to 3, sometimes beyond the data. */
    const uint32_t offset = control >> 1 & 3;
    const uint32_t length = (uint32_t)(size - 1);

    if (!BASSMOD_MusicLoad(1, data + 1, offset, length, flags)) {
        Check(BASSMOD_MusicGetPosition() == kNoModule);
        Check(!BASSMOD_MusicPlay());
        return 0;
    }
    /* Loaded: at the start until played, then playing on the audio thread. */
    Check(BASSMOD_MusicGetPosition() == 0);
    Check(BASSMOD_MusicPlay() != 0);
    Check(BASSMOD_MusicGetPosition() != kNoModule);

    /* A refused load leaves nothing loaded; it also frees this input's module, so that
     * libFuzzer's per-input leak check has nothing to look into. */
    const uint8_t nothing = 0;
    Check(!BASSMOD_MusicLoad(1, &nothing, 0, 0, kPlayOnce));
    Check(BASSMOD_MusicGetPosition() == kNoModule);
    return 0;
}
