// Exported C interface of KV_VideoCodec.
#include "KV_VideoCodec.h"

#include "handle_table.h"
#include "video_decoder.h"

using kvmedia::VideoDecoder;
using kvmedia::annexb::Codec;

extern "C" int KVVideo_Create(int decoderType, void** handle) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  *handle = nullptr;
  Codec codec = Codec::Unknown;
  if (decoderType == VIDEO_CODE_TYPE_H264) codec = Codec::H264;
  if (decoderType == VIDEO_CODE_TYPE_H265) codec = Codec::H265;
  if (codec == Codec::Unknown) return KV_MEDIA_ERR_UNSUPPORTED;
  return kvmedia::publishHandle(VideoDecoder::create(codec), handle);
}

extern "C" int KVVideo_Destroy(void** handle) { return kvmedia::destroyHandle<VideoDecoder>(handle); }

extern "C" int KVVideo_Decode(void* handle, const uint8_t* frame, int /*reserved1*/,
                              int frameLength, uint8_t* output, int /*reserved2*/,
                              int* outputLength, int* width, int* height) {
  if (outputLength == nullptr) return KV_MEDIA_ERR_ARG;
  const int capacity = *outputLength;
  *outputLength = 0;
  if (!handle || !frame || frameLength <= 0 || !output || capacity < 0 || !width || !height)
    return KV_MEDIA_ERR_ARG;
  return static_cast<VideoDecoder*>(handle)->decode(frame, frameLength, output, capacity,
                                                    outputLength, width, height);
}
