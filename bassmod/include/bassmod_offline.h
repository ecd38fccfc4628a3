/* bassmod_offline.h: the music library driven by its caller's clock instead of an audio device,
 * for recordings. BASSMOD_OfflineInit takes the place of BASSMOD_Init; the five other operations
 * then work as usual, except that nothing plays by itself: the caller renders the audio, in
 * order, and says which rendered sample is being heard. BASSMOD_MusicGetPosition then reports the
 * position that sample belongs to. Only recording tools include this header; the demo does not.
 * Call everything from one thread; no audio thread exists in this mode. */
#ifndef BASSMOD_OFFLINE_H
#define BASSMOD_OFFLINE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Initialises the library for `freq` Hz (8000 to 192000) stereo 16-bit without opening any
 * audio device or touching SDL. Non-zero on success; 0 if the rate is out of range or the
 * library is already initialised, by BASSMOD_Init or by this. BASSMOD_Free ends the mode. */
int32_t BASSMOD_OfflineInit(uint32_t freq);

/* Renders the next `frames` interleaved stereo frames into `stereo` (2 * frames values):
 * the playing module from where the last call stopped, silence before BASSMOD_MusicPlay and
 * after a play-once song's end. BASSMOD_MusicPlay starts again from sample 0. Returns the
 * number of frames rendered since play started (or since init, before play); 0 and nothing
 * written when the library is not in offline mode. */
uint64_t BASSMOD_OfflineRender(int16_t *stereo, uint32_t frames);

/* From now on BASSMOD_MusicGetPosition reports the position heard at `sample` (counted from
 * the first sample rendered after BASSMOD_MusicPlay). A sample not rendered yet reports the
 * position of the last one rendered. */
void BASSMOD_OfflineSetClock(uint64_t sample);

/* The loaded song's length in seconds as one pass plays it (libopenmpt's estimate), 0 when no
 * module is loaded. */
double BASSMOD_OfflineSongSeconds(void);

#ifdef __cplusplus
}
#endif

#endif /* BASSMOD_OFFLINE_H */
