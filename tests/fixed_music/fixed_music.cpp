/* fixed_music.cpp: a music library that plays nothing and reports a fixed position, so that
 * benchmarks and fuzzers choose each frame's scene. */
#include "fixed_music.h"

#include "bassmod.h"

static uint32_t fixed_position;

void SetFixedMusicPosition(uint32_t position)
{
    fixed_position = position;
}

uint32_t BASSMOD_GetVersion(void)
{
    return 2;
}

int32_t BASSMOD_Init(int32_t, uint32_t, uint32_t)
{
    return 1;
}

int32_t BASSMOD_MusicLoad(int32_t, const void *, uint32_t, uint32_t, uint32_t)
{
    return 1;
}

int32_t BASSMOD_MusicPlay(void)
{
    return 1;
}

uint32_t BASSMOD_MusicGetPosition(void)
{
    return fixed_position;
}

void BASSMOD_Free(void) {}
