// Exact bytes of what the library sends: HH01 messages, the 80-byte token
// frame, caller-built A/V frames, raw frames and channel-1 frames; argument
// checks of the send calls; what RC4 covers on the way out.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "link_fixture.h"
#include "rc4.h"
#include "test_frames.h"

using frames::Bytes;
using namespace linktest;

namespace {

Bytes fromHex(const std::string& h) {
  Bytes b;
  for (size_t i = 0; i + 1 < h.size();) {
    if (h[i] == ' ') {
      ++i;
      continue;
    }
    b.push_back(uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return b;
}

Bytes zeros(size_t n) { return Bytes(n, 0); }

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) frames::append(out, p);
  return out;
}

class SendFrames : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    connectTo("CAM1", 3);
  }
  fakekv::Sent lastSent() {
    const auto s = fakekv::sent();
    EXPECT_FALSE(s.empty());
    return s.empty() ? fakekv::Sent{} : s.back();
  }
};

struct MessageCase {
  const char* label;
  const char* name;  // null = no name
  uint16_t type;
  Bytes payload;
  Bytes header;  // the expected 48 bytes
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.label; }

class MessageFrames : public SendFrames, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(MessageFrames, HeaderFieldsAndNamePadding) {
  const MessageCase& c = GetParam();
  Bytes payload = c.payload;
  const int r = APP_send("CAM1", c.name, c.type, payload.empty() ? nullptr : payload.data(), uint32_t(payload.size()),
                         E_FRAME_TYPE_HH);
  EXPECT_EQ(r, int(48 + payload.size()));
  const fakekv::Sent s = lastSent();
  EXPECT_EQ(s.handle, 3);
  EXPECT_EQ(s.channel, 0);
  EXPECT_EQ(s.type, 127);
  EXPECT_EQ(s.data, cat({c.header, c.payload}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageFrames,
    ::testing::Values(
        MessageCase{"video_start_no_name", nullptr, 256, {},
                    cat({fromHex("48483031 0000 0001 00000000"), zeros(18), fromHex("7f"), zeros(17)})},
        MessageCase{"quality_short_name", "ab", 270, {5, 0, 0, 0},
                    cat({fromHex("48483031 0000 0e01 04000000 6162"), zeros(16), fromHex("7f"), zeros(17)})},
        MessageCase{"ptz_name_of_18", "ABCDEFGHIJKLMNOPQR", 272, Bytes(16, 0x31),
                    cat({fromHex("48483031 0000 1001 10000000 4142434445464748494a4b4c4d4e4f505152 7f"),
                         zeros(17)})},
        MessageCase{"name_longer_than_18_is_cut", "ABCDEFGHIJKLMNOPQRSTUV", 258, {},
                    cat({fromHex("48483031 0000 0201 00000000 4142434445464748494a4b4c4d4e4f505152 7f"),
                         zeros(17)})}),
    [](const ::testing::TestParamInfo<MessageCase>& i) { return std::string(i.param.label); });

TEST_F(LinkTest, TokenFrameIsEightyBytesOfType150) {
  reinit(0, 1);
  connectTo("CAM2", 9, /*auth=*/true);
  const fakekv::Sent s = fakekv::sent().front();
  const MSG_AUTH_REQ t = token(true);
  Bytes tokenBytes(32);
  std::memcpy(tokenBytes.data(), &t, 32);
  EXPECT_EQ(s.handle, 9);
  EXPECT_EQ(s.type, 127);
  EXPECT_EQ(s.data, cat({fromHex("48483031 0001 9600 20000000"), zeros(18), fromHex("7f"), zeros(17),
                         fromHex("a0a1a2a3a4a5a6a7a8a9aaabacadaeaf 78563412 78563412 01000000 00000000")}));
  EXPECT_EQ(s.data.size(), 80u);
  EXPECT_EQ(Bytes(s.data.begin() + 48, s.data.end()), tokenBytes);
  EXPECT_EQ(statuses(recorder().events(), "CAM2"), std::vector<int>{1});  // online only once answered
}

TEST_F(SendFrames, AvFrameIsRewrittenInPlaceAndSentWhole) {
  frames::AvFields a;
  a.codec = 259;
  Bytes frame = frames::hh02(frames::payload(100, 4), a);
  frame[0] = 'X';  // the library writes the magic itself
  frame[4] = 0;
  const Bytes original = frame;
  EXPECT_EQ(int(frame.size()), APP_send("CAM1", "nm", E_MSG_AV_FRAME, frame.data(), uint32_t(frame.size()), 127));
  Bytes want = original;
  std::memcpy(want.data(), "HH02", 4);
  want[4] = 127;
  want[26] = 'n';
  want[27] = 'm';
  for (int i = 28; i < 44; ++i) want[size_t(i)] = 0;
  EXPECT_EQ(frame, want);  // the caller's buffer changed
  EXPECT_EQ(lastSent().data, want);
  EXPECT_EQ(lastSent().type, 127);

  // A null name writes a single NUL and leaves the rest of the field.
  Bytes named = original;
  std::memcpy(named.data() + 26, "keepthisname", 12);
  APP_send("CAM1", nullptr, E_MSG_AV_FRAME, named.data(), uint32_t(named.size()), 127);
  EXPECT_EQ(named[26], 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(named.data()) + 27, 11), "eepthisname");
}

TEST_F(SendFrames, RawFramesGoToTheTransportUnchanged) {
  Bytes data = frames::payload(10, 1);
  EXPECT_EQ(10, APP_send("CAM1", "ignored", 999, data.data(), 10, 0));
  EXPECT_EQ(lastSent().type, 0);
  EXPECT_EQ(lastSent().data, data);
  EXPECT_EQ(10, APP_send("CAM1", nullptr, 1, data.data(), 10, 1));
  EXPECT_EQ(lastSent().type, 1);
  // Only the low byte is checked: 256 + 127 builds a message frame.
  EXPECT_EQ(48, APP_send("CAM1", nullptr, 256, nullptr, 0, 256 + 127));
  EXPECT_EQ(lastSent().data.size(), 48u);
  EXPECT_EQ(lastSent().type, 127);
}

TEST_F(SendFrames, TransportErrorsComeBackUnchanged) {
  fakekv::setSendResult(-12);
  EXPECT_EQ(-12, APP_send("CAM1", nullptr, 256, nullptr, 0, 127));
  EXPECT_EQ(-12, APPT_send("CAM1", "x", 1, 0));
}

TEST_F(SendFrames, ArgumentChecks) {
  Bytes small(47, 0);
  Bytes data(8, 1);
  const size_t before = fakekv::sent().size();
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_send(nullptr, nullptr, 256, nullptr, 0, 127));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_send("CAM1", nullptr, 256, nullptr, 0, 2));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_send("CAM1", nullptr, 256, nullptr, 0, 126));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_send("CAM1", nullptr, E_MSG_AV_FRAME, small.data(), 47, 127));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_send("CAM1", nullptr, E_MSG_AV_FRAME, nullptr, 100, 127));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_send("CAM1", nullptr, 256, nullptr, 8, 127));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APP_send("CAM1", nullptr, 256, data.data(), UINT32_MAX - 10, 127));
  EXPECT_EQ(E_APP_ERR_NO_SESSION, APP_send("NOPE", nullptr, 256, nullptr, 0, 127));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APPT_send(nullptr, "x", 1, 0));
  EXPECT_EQ(E_APP_ERR_NO_SESSION, APPT_send("NOPE", "x", 1, 0));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APPT_send("CAM1", "x", -1, 0));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APPT_send("CAM1", "x", 0x1000000, 0));
  EXPECT_EQ(E_APP_ERR_INVALID_PARAM, APPT_send("CAM1", nullptr, 4, 0));
  EXPECT_EQ(fakekv::sent().size(), before);
  EXPECT_EQ(small, Bytes(47, 0));  // nothing written past or into a short frame
}

TEST_F(SendFrames, ChannelOneFrameHasA24BitLengthAndTheTypeByte) {
  const Bytes data = frames::payload(0x123, 9);
  EXPECT_EQ(0x123 + 4, APPT_send("CAM1", data.data(), 0x123, 0x1AB));
  const fakekv::Sent s = lastSent();
  EXPECT_EQ(s.channel, 1);
  EXPECT_EQ(s.type, -1);
  EXPECT_EQ(s.data, cat({fromHex("230100ab"), data}));
}

TEST_F(SendFrames, ChannelOneReceivePassesThrough) {
  EXPECT_EQ(77, APPT_recv("CAM1", nullptr, nullptr, 0, nullptr));
  fakekv::ChannelCall c = fakekv::lastChannelCall();
  EXPECT_EQ(c.fn, "size");
  EXPECT_EQ(c.handle, 3);
  EXPECT_EQ(c.channel, 1);
  EXPECT_EQ(c.len, 1);  // read side
  uint8_t buf[16];
  int len = 16;
  uint8_t type = 0;
  EXPECT_EQ(0, APPT_recv("CAM1", buf, &len, 250, &type));
  c = fakekv::lastChannelCall();
  EXPECT_EQ(c.fn, "recv");
  EXPECT_EQ(c.channel, 1);
  EXPECT_EQ(c.len, 16);
  EXPECT_EQ(c.timeoutMs, 250);
  EXPECT_TRUE(c.typePtr);
  EXPECT_EQ(buf[0], 0x5A);  // not deciphered
  EXPECT_EQ(type, 9);
}

// RC4 on the way out, checked against the RFC 6229 keystream of the key
// 0x01..0x10 (offsets 0 and 2032).
class EncipheredSends : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    reinit(1, 1);
    for (int i = 0; i < 16; ++i) key_ += char(i + 1);
    connectTo("ENC", 4, false, key_);
  }
  static std::string hex(const uint8_t* p, size_t n) { return frames::hex(p, n); }
  std::string key_;
};

TEST_F(EncipheredSends, AvFrameCoversAtMost2048PayloadBytes) {
  Bytes frame = frames::hh02(Bytes(3000, 0));
  ASSERT_EQ(3048, APP_send("ENC", nullptr, E_MSG_AV_FRAME, frame.data(), uint32_t(frame.size()), 127));
  const Bytes s = fakekv::sent().back().data;
  EXPECT_EQ(hex(s.data() + 48, 16), "9ac7cc9a609d1ef7b2932899cde41b97");
  EXPECT_EQ(hex(s.data() + 48 + 2032, 16), "d03d1bc03cd33d70dff9fa5d71963ebd");
  EXPECT_EQ(Bytes(s.begin() + 48 + 2048, s.end()), Bytes(952, 0));
  EXPECT_EQ(Bytes(s.begin(), s.begin() + 48), Bytes(frame.begin(), frame.begin() + 48));  // header clear
}

TEST_F(EncipheredSends, AvFrameCoversNoMoreThanItsOwnLengthOrTheBuffer) {
  Bytes frame = frames::hh02(Bytes(100, 0));
  frames::put(frame, 12, 40, 4);  // the frame says 40 payload bytes
  APP_send("ENC", nullptr, E_MSG_AV_FRAME, frame.data(), uint32_t(frame.size()), 127);
  const Bytes s = fakekv::sent().back().data;
  EXPECT_EQ(hex(s.data() + 48, 16), "9ac7cc9a609d1ef7b2932899cde41b97");
  EXPECT_EQ(Bytes(s.begin() + 88, s.end()), Bytes(60, 0));

  Bytes lying = frames::hh02(Bytes(20, 0));
  frames::put(lying, 12, 100000, 4);  // says more than the caller's buffer holds
  APP_send("ENC", nullptr, E_MSG_AV_FRAME, lying.data(), uint32_t(lying.size()), 127);
  const Bytes l = fakekv::sent().back().data;
  EXPECT_EQ(l.size(), 68u);
  EXPECT_EQ(hex(l.data() + 48, 16), "9ac7cc9a609d1ef7b2932899cde41b97");
}

TEST_F(EncipheredSends, MessagePayloadWholeAndChannelOneStart) {
  Bytes payload(2100, 0);
  APP_send("ENC", nullptr, 272, payload.data(), uint32_t(payload.size()), 127);
  const Bytes s = fakekv::sent().back().data;
  EXPECT_EQ(s[4], 1);  // the flag bytes travel in the header
  EXPECT_EQ(s[5], 1);
  EXPECT_EQ(hex(s.data() + 48 + 2032, 16), "d03d1bc03cd33d70dff9fa5d71963ebd");
  EXPECT_NE(Bytes(s.begin() + 48 + 2048, s.end()), Bytes(52, 0));  // a message is covered whole

  APPT_send("ENC", Bytes(2100, 0).data(), 2100, 0);
  const Bytes c = fakekv::sent().back().data;
  EXPECT_EQ(hex(c.data() + 4, 16), "9ac7cc9a609d1ef7b2932899cde41b97");
  EXPECT_EQ(Bytes(c.begin() + 4 + 2048, c.end()), Bytes(52, 0));
}

TEST_F(LinkTest, KeyOf256BytesIsUsedWhole) {
  reinit(1, 0);
  std::string key(256, 'k');
  key[255] = 'z';
  connectTo("K256", 2, false, key);
  Bytes payload(64, 0);
  APP_send("K256", nullptr, 272, payload.data(), 64, 127);
  Bytes want(64, 0);
  tessan::Rc4State st;
  tessan::rc4Fresh(st, reinterpret_cast<const uint8_t*>(key.data()), 256, want.data(), want.size());
  const Bytes s = fakekv::sent().back().data;
  EXPECT_EQ(Bytes(s.begin() + 48, s.end()), want);
}

TEST_F(LinkTest, NoKeyMeansNothingEnciphered) {
  reinit(1, 1);
  connectTo("NOKEY", 2, false, std::string("\0abc", 4));  // first byte zero: no key
  Bytes payload(16, 0);
  APP_send("NOKEY", nullptr, 272, payload.data(), 16, 127);
  const Bytes s = fakekv::sent().back().data;
  EXPECT_EQ(Bytes(s.begin() + 48, s.end()), payload);
}

}  // namespace
