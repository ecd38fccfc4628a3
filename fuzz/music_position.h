/* music_position.h: the fuzz targets' stand-in for the music library: silent, reporting the
 * position the fuzz input chose. */
#ifndef MUSIC_POSITION_H
#define MUSIC_POSITION_H

#include <stdint.h>

/* The value BASSMOD_MusicGetPosition returns from now on. */
void SetMusicPosition(uint32_t position);

#endif /* MUSIC_POSITION_H */
