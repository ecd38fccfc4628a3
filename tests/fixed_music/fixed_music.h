/* fixed_music.h: the six music operations for benchmarks and fuzzing, answering as a loaded module
 * that stays at the position SetFixedMusicPosition chose. */
#ifndef FIXED_MUSIC_H
#define FIXED_MUSIC_H

#include <stdint.h>

/* Order in the low 16 bits, row in the high 16 bits, as the position query reports it. */
void SetFixedMusicPosition(uint32_t position);

#endif /* FIXED_MUSIC_H */
