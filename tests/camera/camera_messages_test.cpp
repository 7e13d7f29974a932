// The camera's message payloads as the callbacks read them: literal bytes
// of the status record and the stream parameters, payloads cut short, and
// which statuses reach a window.
#include <gtest/gtest.h>

#include "Tessan.h"
#include "device/camera_messages.h"

namespace {

using namespace camera_messages;

TEST(CameraMessages, ConnStatusFromLiteralBytes) {
  struct Case {
    std::vector<uint8_t> bytes;
    bool ok;
    int status;
    int linkMode;
  };
  std::vector<uint8_t> full(56, 0);
  full[0] = 10;
  full[4] = 2;
  std::vector<uint8_t> negative(56, 0xFF);  // nStatus -1, link mode 255
  const Case cases[] = {
      {full, true, 10, 2},
      {{0x02, 0, 0, 0, 0x01}, true, 2, 1},  // the shortest record that holds both fields
      {{0x0A, 0, 0, 0}, false, 0, 0},        // no link mode byte
      {{}, false, 0, 0},
      {negative, true, -1, 255},
      {{0x00, 0x01, 0, 0, 0}, true, 256, 0},  // little-endian
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    const auto s = readConnStatus(reinterpret_cast<const char*>(c.bytes.data()),
                                  uint32_t(c.bytes.size()));
    ASSERT_EQ(s.has_value(), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(s->status, c.status);
    EXPECT_EQ(s->linkMode, c.linkMode);
  }
  EXPECT_FALSE(readConnStatus(nullptr, 56));
}

TEST(CameraMessages, WhichStatusesReachTheWindowAndWhichLinkModesAreKept) {
  for (int s = -1; s <= 12; ++s) {
    const bool expected = (s >= 1 && s <= 6) || s == 10;
    EXPECT_EQ(reachesWindow(s), expected) << s;
  }
  for (int m = -1; m <= 4; ++m) EXPECT_EQ(isKnownLinkMode(m), m >= 0 && m <= 2) << m;
}

TEST(CameraMessages, DevParamsFromLiteralBytes) {
  // Six video values 1920, 1080, 25, 2, 3, 4; 8000 Hz, 16 bits, 1 channel.
  const uint8_t bytes[16] = {0x80, 0x07, 0x38, 0x04, 0x19, 0x00, 0x02, 0x00,
                             0x03, 0x00, 0x04, 0x00, 0x40, 0x1F, 0x10, 0x01};
  const auto p = readDevParams(reinterpret_cast<const char*>(bytes), 16);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->video, (std::array<int, 6>{1920, 1080, 25, 2, 3, 4}));
  EXPECT_EQ(p->sampleRate, 8000);
  EXPECT_EQ(p->sampleBits, 16);
  EXPECT_EQ(p->channels, 1);
  EXPECT_FALSE(readDevParams(reinterpret_cast<const char*>(bytes), 15));
  EXPECT_FALSE(readDevParams(nullptr, 16));
}

TEST(CameraMessages, LoggedAnswers) {
  struct Case {
    uint32_t type;
    std::vector<char> payload;
    QStringList lines;
  };
  const QByteArray sn("CAM1");
  const Case cases[] = {
      {E_MSG_VIDEO_START_RESP, {}, {"nMsgType == E_MSG_VIDEO_START_RESP CAM1"}},
      {E_MSG_AUDIO_START_RESP, {}, {"nMsgType == E_MSG_AUDIO_START_RESP CAM1"}},
      {E_MSG_CHG_VIDEO_QUALITY_REQ, {5}, {"nMsgType == E_MSG_CHG_VIDEO_QUALITY_REQ CAM1", "eVideoQuality : 5"}},
      {E_MSG_PTZ_REQ, {}, {"nMsgType == E_MSG_PTZ_REQ CAM1"}},
      {E_MSG_PTZ_RESP, {}, {"nMsgType == E_MSG_PTZ_RESP CAM1"}},
      {E_MSG_CHG_VIDEO_QUALITY_RESP, {1, 0},
       {"nMsgType == E_MSG_CHG_VIDEO_QUALITY_RESP", "E_VQUALITY_HD", "MSG_CHG_VIDEO_QUALITY_RESP successd"}},
      {E_MSG_CHG_VIDEO_QUALITY_RESP, {5, 0},
       {"nMsgType == E_MSG_CHG_VIDEO_QUALITY_RESP", "E_VQUALITY_FHD", "MSG_CHG_VIDEO_QUALITY_RESP successd"}},
      {E_MSG_CHG_VIDEO_QUALITY_RESP, {5, 1},
       {"nMsgType == E_MSG_CHG_VIDEO_QUALITY_RESP", "MSG_CHG_VIDEO_QUALITY_RESP err"}},
      // An answer cut short is no success.
      {E_MSG_CHG_VIDEO_QUALITY_RESP, {5},
       {"nMsgType == E_MSG_CHG_VIDEO_QUALITY_RESP", "MSG_CHG_VIDEO_QUALITY_RESP err"}},
      {E_MSG_DEV_PARAM_SET, {}, {}},
      {999, {1, 2}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(logLines(c.type, c.payload.empty() ? nullptr : c.payload.data(),
                       uint32_t(c.payload.size()), sn),
              c.lines);
  }
}

}  // namespace
