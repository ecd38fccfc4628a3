/* music_position.cpp: the six music operations, answering as a loaded module that plays at the
 * position SetMusicPosition chose. */
#include "music_position.h"

#include "bassmod.h"

static uint32_t position;

void SetMusicPosition(uint32_t value)
{
    position = value;
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
    return position;
}

void BASSMOD_Free(void) {}
