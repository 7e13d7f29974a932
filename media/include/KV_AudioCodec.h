/* KV_AudioCodec: AAC (ADTS) decoder producing interleaved signed 16-bit
 * little-endian PCM. */
#ifndef KV_AUDIO_CODEC_H
#define KV_AUDIO_CODEC_H

#include <stdint.h>

#include "KV_MediaResult.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifndef AUDIO_CODE_TYPE_AAC
#define AUDIO_CODE_TYPE_AAC 4
#endif

/* Writes a new decoder handle through `handle` (NULL on failure).
 * `sampleRate` is the stream's rate as the sender announces it: when AAC has
 * a sampling index for it, that index replaces the one in each ADTS header
 * (senders write a fixed one); any other rate is reached by resampling.
 * A rate <= 0 keeps the stream's own.
 * `channels` is not used: callers pass 1 whatever the camera sends, and the
 * sound output is opened with the channel count the camera announces, so
 * the PCM keeps the stream's own channels (interleaved). */
int KVAudio_Create(int codec, int sampleRate, int channels, void** handle);

/* Releases the decoder and sets *handle to NULL. */
int KVAudio_Destroy(void** handle);

/* Decodes one ADTS frame. `pcmLength` is in: capacity, out: bytes written.
 * Result > 0 with *pcmLength > 0: PCM is in `pcm`. Result 0: nothing yet.
 * Negative: error, *pcmLength is 0. */
int KVAudio_Decode(void* handle, const uint8_t* adtsFrame, int length, uint8_t* pcm, int* pcmLength);

#ifdef __cplusplus
}
#endif

#endif
