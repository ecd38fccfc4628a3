/* bassmod.h: the six module-music operations the demo uses, with C linkage.
 * Our own stand-in library: libopenmpt decodes, SDL 1.2 audio plays. Call every operation from
 * the program's one thread; playback runs by itself on SDL's audio thread. Nothing is ever
 * written to standard output (libopenmpt's messages go to standard error). */
#ifndef BASSMOD_H
#define BASSMOD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Version of the library: 2. */
uint32_t BASSMOD_GetVersion(void);

/* Initialises SDL's audio subsystem and opens output device `device` (only -1, the default,
 * exists) at `freq` Hz (8000 to 192000), stereo 16-bit, 1024-frame buffers, paused until
 * BASSMOD_MusicPlay. `flags` are ignored. Non-zero on success; 0 if there is no audio device,
 * the arguments are out of range, or the library is already initialised. */
int32_t BASSMOD_Init(int32_t device, uint32_t freq, uint32_t flags);

/* Loads a module, replacing (and stopping) any loaded one. From a file (mem == 0: `file` is its
 * name): the `length` bytes from `offset` on, or the rest of the file if `length` is 0. From
 * memory (mem != 0): `file` points at `length` bytes, of which the first `offset` are skipped.
 * flags: 4 loops the song back to its restart position for ever; without it the song plays
 * once, ending at its last order or where a jump would repeat rows already played. Other bits
 * are ignored. Non-zero on success; 0 with nothing loaded if Init has not been called or the
 * data is missing, empty, unreadable or not a module. */
int32_t BASSMOD_MusicLoad(int32_t mem, const void *file, uint32_t offset, uint32_t length,
                          uint32_t flags);

/* The load flags the demo passes (0x202): the loop bit is clear, so the song plays once. */
#define BASSMOD_MUSIC_PLAYONCE 0x202u

/* Starts (or restarts) the loaded module from its first order. Non-zero on success, 0 if no
 * module is loaded. */
int32_t BASSMOD_MusicPlay(void);

/* The position being heard now (not the one being decoded): order in the low 16 bits, row in
 * the high 16 bits. 0 (order 0, row 0) before play; once a play-once song has been heard to its
 * end, its number of orders with row 0, for good. 0xFFFFFFFF when no module is loaded. While the
 * song plays it never goes backwards: when the audio output stops taking audio (a sound server
 * that hangs or dies), the song goes on silently in real time, and the output is opened again
 * about once a second; the music then resumes where the song is. */
uint32_t BASSMOD_MusicGetPosition(void);

/* Stops playback, releases the module, closes the audio output and quits SDL's audio
 * subsystem. Safe to call at any time, also twice; Init works again afterwards. A program that
 * returns without calling it is cleaned up at exit. This is the shutdown of a program that ends
 * normally: if the audio driver does not let go of the device within 0.4 s (a sound server that
 * stopped answering holds SDL's audio thread, which SDL would wait for without end), standard
 * output is flushed and the process ends at once with status 0. */
void BASSMOD_Free(void);

#ifdef __cplusplus
}
#endif

#endif /* BASSMOD_H */
