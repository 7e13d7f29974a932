#include "p2p/av_frame.h"

namespace {

constexpr uint32_t kHeadBytes = 48;

uint32_t le(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

}  // namespace

bool readAvFrame(const void* frame, uint32_t frameLen, AvFrame* out) {
  if (frame == nullptr || out == nullptr || frameLen < kHeadBytes) return false;
  const uint8_t* p = static_cast<const uint8_t*>(frame);
  const uint32_t dataLen = le(p + 12, 4);
  if (uint64_t(dataLen) > uint64_t(frameLen) - kHeadBytes) return false;
  out->codec = int(le(p + 6, 2));
  out->width = int(le(p + 8, 2));
  out->height = int(le(p + 10, 2));
  out->timeStamp = uint64_t(le(p + 16, 4)) | (uint64_t(le(p + 20, 4)) << 32);
  out->flag = p[24];
  out->fps = p[25];
  out->payload = p + kHeadBytes;
  out->length = dataLen;
  return true;
}
