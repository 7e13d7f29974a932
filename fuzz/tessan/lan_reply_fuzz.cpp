// Replies to a LAN device search, one search's worth: each reply goes
// through the acceptance test into the zero-filled read buffer the receiver
// thread uses; accepted ones through the seen table and into the record the
// callback receives. Each device (by MAC) is reported at most once, and as
// long as the table has room, every new device is.
//
// Input: records of [u16 length][reply bytes], at most kMaxReplies.
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz_bytes.h"
#include "fuzz_check.h"
#include "lan_search_reply.h"
#include "lan_search_seen.h"

using namespace tessan::lan;

namespace {
constexpr int kMaxReplies = 400;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::FuzzBytes in(data, size);
  static SeenTable seen;
  seen.clear();
  std::set<std::string> reported;
  for (int i = 0; i < kMaxReplies && !in.empty(); ++i) {
    // A datagram longer than the read is cut to it, as recv does.
    const std::vector<uint8_t> reply = in.run(2 * kReadSize);
    uint8_t buf[kReadSize] = {};
    const size_t n = reply.size() < kReadSize ? reply.size() : kReadSize;
    if (n > 0) std::memcpy(buf, reply.data(), n);
    const bool accepted = acceptReply(buf, n);
    FUZZ_CHECK(accepted == (n > 4 && buf[2] == 0x01 && buf[3] == 0x08 && buf[253] == 'Q' && buf[254] == 'Z'));
    if (!accepted) continue;
    const MacText mac = macText(buf);
    FUZZ_CHECK(std::strlen(mac.data()) == 17);
    for (size_t k = 17; k < mac.size(); ++k) FUZZ_CHECK(mac[k] == 0);
    const std::string text(mac.data());
    const bool fresh = reported.count(text) == 0;
    const bool remembered = seen.remember(mac);
    FUZZ_CHECK(!remembered || fresh);
    FUZZ_CHECK(remembered == (fresh && reported.size() < kMaxLanDevices));
    if (!remembered) continue;
    reported.insert(text);
    FUZZ_CHECK(seen.size() == reported.size());
    LAN_DEVICE_INFO record;
    extractRecord(buf, &record);
    FUZZ_CHECK(record.nFlag == kDeliveredFlag);
    const uint8_t* r = reinterpret_cast<const uint8_t*>(&record);
    for (size_t k = 0; k < kRecordSize; ++k)
      if (k != offsetof(LAN_DEVICE_INFO, nFlag)) FUZZ_CHECK(r[k] == buf[kRecordOffset + k]);
  }
  return 0;
}
