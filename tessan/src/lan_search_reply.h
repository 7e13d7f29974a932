// What a LAN search reply must look like, and what the library hands on:
// the probe bytes, the acceptance test, the device's MAC text and the record
// passed to the callback. Thread-free.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "tessan_lan_search.h"

namespace tessan::lan {

constexpr uint16_t kProbePort = 8602;   // devices listen here
constexpr uint16_t kSearchPort = 8603;  // the search socket's own port
constexpr size_t kReadSize = 1024;      // bytes read of one reply
constexpr size_t kRecordOffset = 4;     // the device record follows a 4-byte header
constexpr size_t kRecordSize = sizeof(LAN_DEVICE_INFO);
constexpr uint8_t kDeliveredFlag = 4;   // written to LAN_DEVICE_INFO::nFlag

constexpr std::array<uint8_t, 4> kProbe{0x59, 0x48, 0x01, 0x01};

// "XX:XX:XX:XX:XX:XX" and its NUL, padded with NULs to a seen-table entry.
using MacText = std::array<char, 20>;

// `buf` holds kReadSize bytes, zeroed beyond the `len` received: a short
// reply reads as zero-filled. Accepted: longer than 4 bytes, bytes 2-3 are
// 0x01 0x08 and the record's vendor tag is "QZ".
bool acceptReply(const uint8_t* buf, size_t len);

// The device's MAC (record bytes 80-85) as upper-case text.
MacText macText(const uint8_t* buf);

// The record as the callback receives it: reply bytes 4-275, with the flag
// byte set to kDeliveredFlag.
void extractRecord(const uint8_t* buf, LAN_DEVICE_INFO* out);

}  // namespace tessan::lan
