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

/* Every call that returns KV_MEDIA_ERR_IO leaves the system's reason in
 * errno (ENOSPC for a full disk). Once a write has failed, every later write
 * fails too; the file still holds, and plays, everything up to its last
 * whole fragment.
 *
 * Time stamps are milliseconds of the sender's clock, its low 32 bits: the
 * file's time starts at zero with the first key frame and follows the
 * stamps' differences from there (across the 32-bit wrap); sound stamped
 * before the first key frame is refused. */

/* Creates the file at `path` (UTF-8), new and readable by its owner alone
 * (0600). A name that exists already, as a file or a symbolic link, is left
 * as it is: KV_MEDIA_ERR_IO with errno EEXIST. videoCodec: E_CODECID_VIDEO_H264,
 * E_CODECID_VIDEO_H265 or 0 (no video track); audioCodec: E_CODECID_AUDIO_AAC
 * or 0 (no audio track). `reserved` is unused (callers pass 0). */
int KVMP4_Open(void* handle, const char* path, int width, int height, int videoCodec,
               int audioSampleRate, int audioChannels, int audioCodec, int reserved);

/* Finishes and closes the file: 0 when it is complete. A file that never
 * received a key frame holds nothing playable: it is removed and the result
 * is KV_MEDIA_ERR_EMPTY. KV_MEDIA_ERR_IO when a write failed before or while
 * closing (the last buffered bytes reach the disk only now). */
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
