// KVAudio_Decode on a camera's ADTS frames, as the audio-decode thread calls
// it: one decoder per stream at the announced sample rate, the client's PCM
// capacity. Inputs above kInputCap bytes are not tried.
//
// Input: sample-rate choice byte, then records of [u16 length][ADTS frame],
// at most kMaxFrames.
#include <vector>

#include "KV_AudioCodec.h"
#include "fuzz_bytes.h"
#include "fuzz_check.h"

namespace {
constexpr size_t kInputCap = 32 * 1024;
constexpr int kPcmCapacity = 2048000;  // the client's PCM buffer
constexpr int kMaxFrames = 48;
const int kRates[] = {8000, 16000, 44100, 48000, 0, 11025, 7350, 12345};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kInputCap) return 0;
  static std::vector<uint8_t> pcm(kPcmCapacity);
  fuzzsupport::FuzzBytes in(data, size);
  const int rate = kRates[in.byte() % (sizeof(kRates) / sizeof(kRates[0]))];
  void* decoder = nullptr;
  KVAudio_Create(AUDIO_CODE_TYPE_AAC, rate, 1, &decoder);
  FUZZ_CHECK(decoder != nullptr);
  for (int i = 0; i < kMaxFrames && !in.empty(); ++i) {
    const std::vector<uint8_t> frame = in.run(kInputCap);
    if (frame.empty()) continue;
    int pcmLen = kPcmCapacity;
    const int r = KVAudio_Decode(decoder, frame.data(), int(frame.size()), pcm.data(), &pcmLen);
    if (r > 0 && pcmLen > 0) {
      FUZZ_CHECK(pcmLen <= kPcmCapacity && pcmLen % 2 == 0);
    } else {
      FUZZ_CHECK(pcmLen == 0);
    }
  }
  KVAudio_Destroy(&decoder);
  FUZZ_CHECK(decoder == nullptr);
  return 0;
}
