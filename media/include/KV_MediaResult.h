/* Result codes shared by the KV_VideoCodec, KV_AudioCodec and KV_MP4 libraries.
 * Zero or positive means success (decoders return the bytes written, 0 when
 * the call produced no output yet); negative values are failures. */
#ifndef KV_MEDIA_RESULT_H
#define KV_MEDIA_RESULT_H

enum KV_MediaResult {
  KV_MEDIA_OK = 0,
  KV_MEDIA_ERR_ARG = -1,         /* null handle or pointer, bad length or value */
  KV_MEDIA_ERR_STATE = -2,       /* call not allowed now (writer not open, no key frame yet) */
  KV_MEDIA_ERR_NOMEM = -3,       /* allocation failed */
  KV_MEDIA_ERR_DATA = -4,        /* the bitstream was rejected */
  KV_MEDIA_ERR_CAPACITY = -5,    /* the output would not fit the caller's buffer */
  KV_MEDIA_ERR_UNSUPPORTED = -6, /* codec or format not supported */
  KV_MEDIA_ERR_IO = -7,          /* file could not be created or written (errno says why) */
  KV_MEDIA_ERR_EMPTY = -8        /* nothing playable was written: the file was removed */
};

#endif
