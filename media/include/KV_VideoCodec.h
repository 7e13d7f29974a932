/* KV_VideoCodec: H.264 / H.265 decoder producing one tightly packed I420
 * picture per access unit. */
#ifndef KV_VIDEO_CODEC_H
#define KV_VIDEO_CODEC_H

#include <stdint.h>

#include "KV_MediaResult.h"

#ifdef __cplusplus
extern "C" {
#endif

#ifndef VIDEO_CODE_TYPE_H264
#define VIDEO_CODE_TYPE_H264 1
#endif
#ifndef VIDEO_CODE_TYPE_H265
#define VIDEO_CODE_TYPE_H265 2
#endif

/* Writes a new decoder handle through `handle` (NULL on failure). */
int KVVideo_Create(int decoderType, void** handle);

/* Releases the decoder and sets *handle to NULL. */
int KVVideo_Destroy(void** handle);

/* Decodes one access unit (Annex-B). `reserved1` and `reserved2` are unused
 * (callers pass 0). `outputLength` is in: capacity of `output`, out: bytes
 * written. `width` / `height` are in: the sender's announced size (a change
 * restarts the decoder), out: the decoded picture's size.
 * Result > 0 with *outputLength > 0: one I420 picture of width x height
 * (Y, then U, then V, each plane without padding; chroma planes are
 * ceil(width/2) x ceil(height/2)). Result 0: no picture yet. Negative: error,
 * *outputLength is 0 and nothing beyond the capacity was touched. */
int KVVideo_Decode(void* handle, const uint8_t* frame, int reserved1, int frameLength,
                   uint8_t* output, int reserved2, int* outputLength, int* width, int* height);

#ifdef __cplusplus
}
#endif

#endif
