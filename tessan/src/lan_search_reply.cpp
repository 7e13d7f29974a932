#include "lan_search_reply.h"

#include <cstdio>
#include <cstring>

namespace tessan::lan {

namespace {
constexpr size_t kMacAt = kRecordOffset + offsetof(LAN_DEVICE_INFO, mac);
constexpr size_t kTagAt = kRecordOffset + offsetof(LAN_DEVICE_INFO, vendorTag);
static_assert(kRecordOffset + kRecordSize <= kReadSize, "a record fits the read buffer");
}  // namespace

bool acceptReply(const uint8_t* buf, size_t len) {
  return len > kRecordOffset && buf[2] == 0x01 && buf[3] == 0x08 && buf[kTagAt] == 'Q' &&
         buf[kTagAt + 1] == 'Z';
}

MacText macText(const uint8_t* buf) {
  MacText text{};
  const uint8_t* m = buf + kMacAt;
  std::snprintf(text.data(), text.size(), "%02X:%02X:%02X:%02X:%02X:%02X", m[0], m[1], m[2], m[3],
                m[4], m[5]);
  return text;
}

void extractRecord(const uint8_t* buf, LAN_DEVICE_INFO* out) {
  std::memcpy(out, buf + kRecordOffset, kRecordSize);
  out->nFlag = kDeliveredFlag;
}

}  // namespace tessan::lan
