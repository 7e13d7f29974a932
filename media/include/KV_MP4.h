/* KV_MP4: writes fragmented MP4 files from Annex-B H.264 / H.265 access units
 * and ADTS AAC frames stamped in milliseconds. */
#ifndef KV_MP4_H
#define KV_MP4_H

#include <stdint.h>

#include "KV_MediaResult.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The codec values of the device link's frame heads, spelled as it spells
 * them, so that either header may come first. */
#ifndef E_CODECID_VIDEO_H264
#define E_CODECID_VIDEO_H264 2
#endif
#ifndef E_CODECID_VIDEO_H265
#define E_CODECID_VIDEO_H265 3
#endif
#ifndef E_CODECID_AUDIO_AAC
#define E_CODECID_AUDIO_AAC 259
#endif

int KVMP4_Create(void** handle);
/* Finishes an open file, releases the writer and sets *handle to NULL. */
int KVMP4_Destroy(void** handle);

/* Creates the file at `path` (UTF-8). videoCodec: E_CODECID_VIDEO_H264,
 * E_CODECID_VIDEO_H265 or 0 (no video track); audioCodec: E_CODECID_AUDIO_AAC
 * or 0 (no audio track). `reserved` is unused (callers pass 0). */
int KVMP4_Open(void* handle, const char* path, int width, int height, int videoCodec,
               int audioSampleRate, int audioChannels, int audioCodec, int reserved);

/* Finishes and closes the file. A file that never received a key frame is
 * removed, since it holds nothing playable. */
int KVMP4_Close(void* handle);

/* One access unit as received. The first video frame of a file must be a key
 * frame carrying its parameter sets; until then every write is refused. */
int KVMP4_WriteVideo(void* handle, const uint8_t* frame, int reserved, int length,
                     uint32_t timestamp, int keyFrame);

/* One ADTS frame; refused until the first key frame has been written. */
int KVMP4_WriteAudio(void* handle, const uint8_t* adtsFrame, int reserved, int length,
                     uint32_t timestamp);

#ifdef __cplusplus
}
#endif

#endif
