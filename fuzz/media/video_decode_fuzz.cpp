// KVVideo_Decode on a camera's access units, as the video-decode thread
// calls it: one decoder per stream, the announced picture size from the
// frame header, the client's output capacity. Inputs above kInputCap bytes
// are not tried (a camera frame that large is cut by the link anyway; the
// cap keeps each run short).
//
// Input: codec byte (bit 0: H.265), announced width and height (u16 each),
// then records of [u16 length][access unit], at most kMaxUnits.
#include <vector>

#include "KV_VideoCodec.h"
#include "fuzz_bytes.h"
#include "fuzz_check.h"

namespace {
constexpr size_t kInputCap = 64 * 1024;
constexpr int kOutputCapacity = 5529728;  // the client's picture buffer
constexpr int kMaxUnits = 24;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kInputCap) return 0;
  static std::vector<uint8_t> output(kOutputCapacity);
  fuzzsupport::FuzzBytes in(data, size);
  const int type = (in.byte() & 1) ? VIDEO_CODE_TYPE_H265 : VIDEO_CODE_TYPE_H264;
  const int announcedW = in.u16();
  const int announcedH = in.u16();
  void* decoder = nullptr;
  KVVideo_Create(type, &decoder);
  FUZZ_CHECK(decoder != nullptr);
  for (int i = 0; i < kMaxUnits && !in.empty(); ++i) {
    const std::vector<uint8_t> unit = in.run(kInputCap);
    if (unit.empty()) continue;
    int outLen = kOutputCapacity;
    int w = announcedW;
    int h = announcedH;
    const int r = KVVideo_Decode(decoder, unit.data(), 0, int(unit.size()), output.data(), 0, &outLen, &w, &h);
    if (r > 0 && outLen > 0) {
      FUZZ_CHECK(w > 0 && h > 0);
      const long long expected = 1LL * w * h + 2LL * ((w + 1) / 2) * ((h + 1) / 2);
      FUZZ_CHECK(outLen == expected && outLen <= kOutputCapacity);
    } else {
      FUZZ_CHECK(outLen == 0);
    }
  }
  KVVideo_Destroy(&decoder);
  FUZZ_CHECK(decoder == nullptr);
  return 0;
}
