// Which datagrams count as device replies, and the record handed on.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "lan_search_reply.h"

namespace {

using tessan::lan::kReadSize;

// A reply as it sits in the zeroed 1,024-byte read buffer.
struct ReadBuffer {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(kReadSize, 0);
  size_t len = 276;
};

ReadBuffer validReply() {
  ReadBuffer r;
  for (size_t i = 0; i < 276; ++i) r.bytes[i] = static_cast<uint8_t>(0xA0 ^ i);
  r.bytes[2] = 0x01;
  r.bytes[3] = 0x08;
  r.bytes[253] = 'Q';
  r.bytes[254] = 'Z';
  return r;
}

// Cuts the reply to `len` received bytes; the rest of the buffer reads as zero.
void cut(ReadBuffer& r, size_t len) {
  r.len = len;
  std::fill(r.bytes.begin() + static_cast<long>(len), r.bytes.end(), 0);
}

struct FilterCase {
  const char* name;
  std::function<void(ReadBuffer&)> change;
  bool accepted;
};

TEST(TessanLanReplyFilter, AcceptsOnlyTaggedRepliesWithTheRightHeader) {
  const std::vector<FilterCase> cases = {
      {"whole reply", [](ReadBuffer&) {}, true},
      {"bytes 0-1 are not checked", [](ReadBuffer& r) { r.bytes[0] = 0xFF, r.bytes[1] = 0x00; }, true},
      {"cut right after the tag", [](ReadBuffer& r) { cut(r, 255); }, true},
      {"longer than a record", [](ReadBuffer& r) { r.len = kReadSize; }, true},
      {"exactly 4 bytes", [](ReadBuffer& r) { r.len = 4; }, false},
      {"5 bytes, tag reads as zero", [](ReadBuffer& r) { cut(r, 5); }, false},
      {"cut inside the tag", [](ReadBuffer& r) { cut(r, 254); }, false},
      {"bytes 2-3 are 01 09", [](ReadBuffer& r) { r.bytes[3] = 0x09; }, false},
      {"bytes 2-3 are 00 08", [](ReadBuffer& r) { r.bytes[2] = 0x00; }, false},
      {"bytes 2-3 swapped", [](ReadBuffer& r) { r.bytes[2] = 0x08, r.bytes[3] = 0x01; }, false},
      {"other vendor tag", [](ReadBuffer& r) { r.bytes[254] = 'X'; }, false},
      {"tag bytes swapped", [](ReadBuffer& r) { r.bytes[253] = 'Z', r.bytes[254] = 'Q'; }, false},
      {"lower-case tag", [](ReadBuffer& r) { r.bytes[253] = 'q', r.bytes[254] = 'z'; }, false},
      {"tag one byte early", [](ReadBuffer& r) { r.bytes[252] = 'Q', r.bytes[253] = 'Z', r.bytes[254] = 0; },
       false},
  };
  for (const FilterCase& c : cases) {
    ReadBuffer r = validReply();
    c.change(r);
    EXPECT_EQ(tessan::lan::acceptReply(r.bytes.data(), r.len), c.accepted) << c.name;
  }
}

TEST(TessanLanReplyFilter, MacTextComesFromReplyBytes84To89) {
  ReadBuffer r = validReply();
  const uint8_t mac[6] = {0x00, 0x1A, 0x2b, 0xC3, 0xfe, 0x09};
  std::memcpy(r.bytes.data() + 84, mac, 6);
  r.bytes[83] = 0x77;  // neighbours must not leak in
  r.bytes[90] = 0x77;
  const tessan::lan::MacText text = tessan::lan::macText(r.bytes.data());
  EXPECT_STREQ(text.data(), "00:1A:2B:C3:FE:09");
  for (size_t i = 18; i < text.size(); ++i) EXPECT_EQ(text[i], '\0') << "padding byte " << i;
}

TEST(TessanLanReplyFilter, RecordIsReplyBytes4To275WithFlagSetTo4) {
  ReadBuffer r = validReply();
  r.bytes[4 + 251] = 0x99;
  LAN_DEVICE_INFO record;
  std::memset(&record, 0x5A, sizeof record);
  tessan::lan::extractRecord(r.bytes.data(), &record);
  const auto* out = reinterpret_cast<const uint8_t*>(&record);
  for (size_t i = 0; i < 272; ++i) {
    if (i == 251) continue;
    ASSERT_EQ(out[i], r.bytes[4 + i]) << "record byte " << i;
  }
  EXPECT_EQ(out[251], 4);
  EXPECT_EQ(record.nFlag, 4);
  EXPECT_EQ(0, std::memcmp(record.vendorTag, "QZ", 2));
  EXPECT_EQ(0, std::memcmp(record.mac, r.bytes.data() + 84, 6));
}

}  // namespace
