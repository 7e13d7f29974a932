// Exported C interface of KV_AudioCodec.
#include "KV_AudioCodec.h"

#include "audio_decoder.h"
#include "handle_table.h"

using kvmedia::AudioDecoder;

namespace {
constexpr int kMaxRate = 384000;
}  // namespace

extern "C" int KVAudio_Create(int codec, int sampleRate, int /*channels*/, void** handle) {
  if (!handle) return KV_MEDIA_ERR_ARG;
  *handle = nullptr;
  if (codec != AUDIO_CODE_TYPE_AAC) return KV_MEDIA_ERR_UNSUPPORTED;
  if (sampleRate > kMaxRate) return KV_MEDIA_ERR_ARG;
  return kvmedia::publishHandle(AudioDecoder::create(sampleRate), handle);
}

extern "C" int KVAudio_Destroy(void** handle) { return kvmedia::destroyHandle<AudioDecoder>(handle); }

extern "C" int KVAudio_Decode(void* handle, const uint8_t* adtsFrame, int length, uint8_t* pcm,
                              int* pcmLength) {
  if (pcmLength == nullptr) return KV_MEDIA_ERR_ARG;
  const int capacity = *pcmLength;
  *pcmLength = 0;
  if (!handle || !adtsFrame || length <= 0 || !pcm || capacity < 0) return KV_MEDIA_ERR_ARG;
  return static_cast<AudioDecoder*>(handle)->decode(adtsFrame, length, pcm, capacity, pcmLength);
}
