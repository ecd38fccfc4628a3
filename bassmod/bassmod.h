/* bassmod.h: the six module-music operations the demo uses, with C linkage.
 * Our own stand-in library: libopenmpt decodes, SDL 1.2 audio plays. */
#ifndef BASSMOD_H
#define BASSMOD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Version of the library: 2. */
uint32_t BASSMOD_GetVersion(void);

/* Opens output device `device` (-1: the default) at `freq` Hz, stereo 16-bit, paused.
 * Non-zero on success. */
int32_t BASSMOD_Init(int32_t device, uint32_t freq, uint32_t flags);

/* Loads a module from a file (mem == 0: `file` is its name) or from memory (mem != 0: `file`
 * points at `length` bytes), skipping `offset` bytes; length 0 with a file means the whole file.
 * flags: 4 loops the song, otherwise it plays once. Non-zero on success. */
int32_t BASSMOD_MusicLoad(int32_t mem, const void *file, uint32_t offset, uint32_t length,
                          uint32_t flags);

/* Starts the loaded module from its first order. Non-zero on success. */
int32_t BASSMOD_MusicPlay(void);

/* The audible position: order in the low 16 bits, row in the high 16 bits.
 * 0xFFFFFFFF when no module is loaded. */
uint32_t BASSMOD_MusicGetPosition(void);

/* Stops playback and releases the module and the audio output. */
void BASSMOD_Free(void);

#ifdef __cplusplus
}
#endif

#endif /* BASSMOD_H */
