#include "device/camera_requests.h"

#include <gtest/gtest.h>

#include "../cloud/qt_print.h"

using namespace camera_requests;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

}  // namespace

TEST(CameraRequests, StartAndStopTable) {
  const struct {
    std::optional<Request> request;
    int msgType;
  } cases[] = {
      {avStartRequest(1), 256},
      {avStartRequest(0), 260},
      {avStopRequest(1), 258},
      {avStopRequest(0), 262},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(c.request.has_value());
    EXPECT_EQ(c.request->msgType, c.msgType);
    EXPECT_TRUE(c.request->payload.isEmpty());
  }
  for (int kind : {-1, 2, 7}) {
    EXPECT_FALSE(avStartRequest(kind).has_value()) << kind;
    EXPECT_FALSE(avStopRequest(kind).has_value()) << kind;
  }
  EXPECT_EQ(kRequestFrameType, 127);
}

TEST(CameraRequests, QualityPayload) {
  const struct {
    int quality;
    int byte0;
  } cases[] = {{1, 1}, {5, 5}, {3, 0}, {0, 0}, {-1, 0}, {261, 0}};
  for (const auto& c : cases) {
    const Request r = qualityRequest(c.quality);
    EXPECT_EQ(r.msgType, 270);
    EXPECT_EQ(r.payload, bytes({c.byte0, 0, 0, 0})) << c.quality;
  }
}

TEST(CameraRequests, PtzPayload) {
  const struct {
    int command;
    int value;
    int byte0;
    int byte1;
  } cases[] = {
      {0, 1, 0, 1}, {1, 0, 1, 0},     {1, 1, 1, 1},     {2, 0, 2, 0},
      {2, 1, 2, 1}, {3, 0, 3, 0},     {3, 1, 3, 1},     {4, 0, 4, 0},
      {4, 1, 4, 1}, {48, 0, 0x30, 0}, {49, 1, 0x31, 1}, {7, 1, 0, 1},
      {5, 0, 0, 0}, {-1, 1, 0, 1},    {0x130, 1, 0, 1}, {1, 0x1FF, 1, 0xFF},
  };
  for (const auto& c : cases) {
    const Request r = ptzRequest(c.command, c.value);
    EXPECT_EQ(r.msgType, 272);
    QByteArray expected(16, '\0');
    expected[0] = static_cast<char>(c.byte0);
    expected[1] = static_cast<char>(c.byte1);
    EXPECT_EQ(r.payload, expected) << c.command << "," << c.value;
  }
}

TEST(CameraRequests, AuthTimeClearsTheTopBit) {
  EXPECT_EQ(authTime(1626570303), 1626570303u);
  EXPECT_EQ(authTime(0x80000005LL), 5u);
  EXPECT_EQ(authTime(0x7FFFFFFFLL), 0x7FFFFFFFu);
  EXPECT_EQ(authTime(0x160F37E3FLL), 0x60F37E3Fu);
}

// Digests from md5sum over the literal texts "T:T:key".
TEST(CameraRequests, AuthBlockTable) {
  const struct {
    QString key;
    quint32 t;
    QByteArray digestHex;
  } cases[] = {
      {"key123", 1626570303, "4c24a182dfc2aa7827881db7212baf47"},
      {"", 1626570303, "242092227a39190c9c37935425b2f847"},
      {QString::fromUtf8("cl\xC3\xA9"), 5, "fc69314d33bc83c0592a9a93ab8c9e6c"},
      {"AbC", 0, "07de6946b0e032a3ff9583a855ce85f7"},
  };
  for (const auto& c : cases) {
    const QByteArray block = authBlock(c.key, c.t);
    ASSERT_EQ(block.size(), 32);
    EXPECT_EQ(block.left(16).toHex(), c.digestHex) << c.key.toStdString();
    const QByteArray le =
        bytes({static_cast<int>(c.t & 0xFF), static_cast<int>((c.t >> 8) & 0xFF),
               static_cast<int>((c.t >> 16) & 0xFF), static_cast<int>((c.t >> 24) & 0xFF)});
    EXPECT_EQ(block.mid(16, 4), le);
    EXPECT_EQ(block.mid(20, 4), le);
    EXPECT_EQ(block.mid(24, 8), bytes({1, 0, 0, 0, 0, 0, 0, 0}));
  }
  EXPECT_EQ(authBlock("key123", 1626570303).mid(16, 4), bytes({0x3F, 0x7E, 0xF3, 0x60}));
}

TEST(CameraRequests, DottedIPv4IsStrict) {
  const struct {
    const char* text;
    bool ok;
  } cases[] = {
      {"192.168.1.20", true}, {"0.0.0.0", true},          {"255.255.255.255", true},
      {"10.0.0.1", true},     {"256.1.1.1", false},       {"1.2.3", false},
      {"1.2.3.4.5", false},   {"1.2.3.", false},          {"", false},
      {"a.b.c.d", false},     {"01.2.3.4", false},        {"1.2.3.-4", false},
      {"+1.2.3.4", false},    {" 1.2.3.4", false},        {"1.2.3.4 ", false},
      {"1234.1.1.1", false},  {"1.2.3.4,5.6.7.8", false}, {"1.2.3.4:60722", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isDottedIPv4(c.text), c.ok) << c.text;
}

TEST(CameraRequests, LanAddressChoice) {
  const struct {
    const char* localIp;
    const char* servers;
    const char* chosen;
  } cases[] = {
      {"192.168.1.20", "10.0.0.1,10.0.0.2", "192.168.1.20"},
      {" 192.168.1.20 ", "10.0.0.1", "192.168.1.20"},
      {"", "10.0.0.1,10.0.0.2,10.0.0.3", "10.0.0.1"},
      {"fe80::1", " 10.0.0.1 , 10.0.0.2", "10.0.0.1"},
      {"", "10.0.0.1", "10.0.0.1"},
      {"", "", ""},
      {"", "stun.example,10.0.0.2", ""},
      {"999.1.1.1", ",10.0.0.2", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(chooseLanAddress(c.localIp, c.servers), QString(c.chosen))
        << c.localIp << " / " << c.servers;
  }
}

TEST(CameraRequests, ConnectArgumentsCountKeyBytes) {
  const QString key = QString::fromUtf8("\xE5\xAF\x86\xE9\x92\xA5-k\xC3\xA9y");  // 6 characters
  const ConnectArguments a =
      connectArguments("CAM01", key, "10.0.0.1,10.0.0.2", "192.168.1.20", 1626570303);
  EXPECT_EQ(a.deviceId, QByteArray("CAM01"));
  EXPECT_EQ(a.accessKey, key.toUtf8());
  EXPECT_EQ(a.keyLength, 11);
  EXPECT_EQ(a.serverList, QByteArray("10.0.0.1,10.0.0.2"));
  EXPECT_EQ(a.lanAddress, QByteArray("192.168.1.20"));
  EXPECT_EQ(a.auth, authBlock(key, 1626570303));
}
