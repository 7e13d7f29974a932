// What the camera sends through the device link: every request as the
// APP_send call the fake recorded (type, payload bytes, length, frame type
// 127, no name), and the connect arguments made from the camera's cloud
// records.
#include <QCryptographicHash>
#include <QDateTime>

#include <set>
#include <thread>

#include "camera_fixture.h"
#include "camera_test_records.h"
#include "fake_tessan.h"

namespace {

using fake_tessan::Bytes;

Bytes bytes16(uint8_t b0, uint8_t b1) {
  Bytes b(16, 0);
  b[0] = b0;
  b[1] = b1;
  return b;
}

class Requests : public CameraTest {
 protected:
  void SetUp() override {
    CameraTest::SetUp();
    camera_ = addCamera("CAM1");
    report(camera_, 10);  // the fake link takes sends for a connected session only
  }
  // The APP_send that `send` made (exactly one).
  fake_tessan::Call sent(const std::function<int()>& send, int* result = nullptr) {
    const size_t before = fake_tessan::calls("APP_send").size();
    const int r = send();
    if (result) *result = r;
    const auto all = fake_tessan::calls("APP_send");
    EXPECT_EQ(all.size(), before + 1);
    return all.empty() ? fake_tessan::Call{} : all.back();
  }
  static void expectRequestFrame(const fake_tessan::Call& c) {
    EXPECT_EQ(c.sn, "CAM1");
    EXPECT_TRUE(c.nameNull);
    EXPECT_EQ(c.frameType, 127);
  }
  oneWindowDevice* camera_ = nullptr;
};

TEST_F(Requests, QualityTable) {
  const std::pair<int, uint8_t> cases[] = {{1, 1}, {5, 5}, {3, 0}, {0, 0}, {-1, 0}, {261, 0}};
  for (const auto& [quality, byte0] : cases) {
    SCOPED_TRACE(quality);
    int result = 0;
    const auto c = sent([&] { return camera_->P2P_send_change_Video_resolution_quality(quality); },
                        &result);
    expectRequestFrame(c);
    EXPECT_EQ(c.msgType, 270);
    EXPECT_EQ(c.dataLen, 4u);
    EXPECT_EQ(c.payload, (Bytes{byte0, 0, 0, 0}));
    EXPECT_EQ(result, 52);  // what the link answered
  }
}

TEST_F(Requests, PanTiltTable) {
  struct Case {
    int command;
    uint8_t byte0;
  };
  const Case cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {48, 0x30}, {49, 0x31},
                        {7, 0}, {5, 0}, {-1, 0}, {47, 0}, {50, 0}};
  for (const Case& c : cases) {
    for (int value : {0, 1, 257}) {
      SCOPED_TRACE(::testing::Message() << c.command << " " << value);
      const auto s = sent([&] { return camera_->P2P_send_pzt(c.command, value); });
      expectRequestFrame(s);
      EXPECT_EQ(s.msgType, 272);
      EXPECT_EQ(s.dataLen, 16u);
      EXPECT_EQ(s.payload, bytes16(c.byte0, uint8_t(value & 0xFF)));
    }
  }
}

TEST_F(Requests, StartAndStopRequestsCarryNoPayload) {
  struct Case {
    std::function<int()> send;
    int msgType;
  };
  const Case cases[] = {
      {[&] { return camera_->P2P_send_get_AVideoData(1); }, 256},
      {[&] { return camera_->P2P_send_get_AVideoData(0); }, 260},
      {[&] { return camera_->P2P_send_stop_AVideoData(1); }, 258},
      {[&] { return camera_->P2P_send_stop_AVideoData(0); }, 262},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.msgType);
    const auto s = sent(c.send);
    expectRequestFrame(s);
    EXPECT_EQ(s.msgType, c.msgType);
    EXPECT_TRUE(s.dataNull);
    EXPECT_EQ(s.dataLen, 0u);
  }
  const size_t before = fake_tessan::calls("APP_send").size();
  EXPECT_EQ(camera_->P2P_send_get_AVideoData(2), 0);
  EXPECT_EQ(camera_->P2P_send_stop_AVideoData(-1), 0);
  EXPECT_EQ(fake_tessan::calls("APP_send").size(), before);
}

TEST_F(Requests, PlayStartsOnlyOnlineAndStopAsksForBothStreamsToEnd) {
  oneWindowDevice* offline = addCamera("CAM2");
  report(offline, 4);
  offline->avideo_start_play();
  offline->video_start_play();
  EXPECT_FALSE(offline->get_isPlaying());
  for (const auto& c : fake_tessan::calls("APP_send")) EXPECT_NE(c.sn, "CAM2");

  auto typesSince = [](size_t from) {
    std::vector<int> types;
    const auto all = fake_tessan::calls("APP_send");
    for (size_t i = from; i < all.size(); ++i) types.push_back(all[i].msgType);
    return types;
  };
  size_t mark = fake_tessan::calls("APP_send").size();
  camera_->avideo_start_play();
  EXPECT_TRUE(camera_->get_isPlaying());
  EXPECT_EQ(typesSince(mark), (std::vector<int>{256, 260}));
  mark = fake_tessan::calls("APP_send").size();
  camera_->avideo_stop_play();
  EXPECT_FALSE(camera_->get_isPlaying());
  EXPECT_EQ(typesSince(mark), (std::vector<int>{258, 262}));

  mark = fake_tessan::calls("APP_send").size();
  camera_->video_start_play();
  camera_->video_stop_play();
  EXPECT_EQ(typesSince(mark), (std::vector<int>{256, 258}));
}

// ---- connect ----

class Connect : public CameraTest {};

quint32 le32(const Bytes& b, size_t at) {
  return quint32(b[at]) | quint32(b[at + 1]) << 8 | quint32(b[at + 2]) << 16 |
         quint32(b[at + 3]) << 24;
}

TEST_F(Connect, ArgumentsComeFromTheLastAnswerAndTheConfiguration) {
  oneWindowDevice* camera = addCamera("CAM1");
  const QString key = QString::fromUtf8("clé-ключ-🔑");  // 11 UTF-16 units, 18 bytes
  device_->devConfigList << cameratest::devConfig("CAM1", "https://gw/1",
                                                  "10.0.0.1,10.0.0.2,10.0.0.3");
  device_->fetchInfosList << cameratest::fetchInfos("CAM1", "an-older-key", "192.168.7.20")
                          << cameratest::fetchInfos("CAM1", key, "192.168.7.21");
  const qint64 before = QDateTime::currentSecsSinceEpoch() & 0x7FFFFFFF;
  camera->P2P_connect_ahead_Thread_timer_Handler();  // one tick of the connect timer
  // The connect runs on the connect runner's thread, never on this one.
  ASSERT_TRUE(fake_tessan::waitForCalls("APP_connect", 1, 60000));
  const qint64 after = QDateTime::currentSecsSinceEpoch() & 0x7FFFFFFF;

  const auto serv = fake_tessan::calls("APP_setServInfo");
  ASSERT_EQ(serv.size(), 1u);
  EXPECT_EQ(serv[0].sn, "CAM1");
  EXPECT_EQ(serv[0].servList, "10.0.0.1,10.0.0.2,10.0.0.3");
  EXPECT_NE(serv[0].thread, std::this_thread::get_id());
  const auto connect = fake_tessan::calls("APP_connect");
  ASSERT_EQ(connect.size(), 1u);
  const fake_tessan::Call& c = connect[0];
  EXPECT_EQ(c.sn, "CAM1");
  EXPECT_NE(c.thread, std::this_thread::get_id());
  const QByteArray utf8 = key.toUtf8();
  EXPECT_EQ(c.keyLen, utf8.size());
  EXPECT_EQ(c.keyLen, 18);
  EXPECT_EQ(key.size(), 11);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(c.accessKey.data()), int(c.accessKey.size())), utf8);
  EXPECT_EQ(c.connectMode, 7u);
  EXPECT_EQ(c.lanAddr, "192.168.7.21");
  ASSERT_EQ(c.auth.size(), 32u);
  const quint32 t = le32(c.auth, 16);
  EXPECT_GE(qint64(t), before);
  EXPECT_LE(qint64(t), after);
  EXPECT_EQ(le32(c.auth, 20), t);
  EXPECT_EQ(le32(c.auth, 24), 1u);
  EXPECT_EQ(le32(c.auth, 28), 0u);
  const QByteArray digest = QCryptographicHash::hash(
      QByteArray::number(t) + ":" + QByteArray::number(t) + ":" + utf8, QCryptographicHash::Md5);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(c.auth.data()), 16), digest);
}

TEST_F(Connect, LanAddressIsTheCameraOrTheFirstServerNeverTheList) {
  struct Case {
    const char* localIp;
    const char* servers;
    const char* lanAddr;
  };
  const Case cases[] = {
      {"192.168.1.20", "10.0.0.1,10.0.0.2", "192.168.1.20"},
      {"", "10.0.0.1,10.0.0.2", "10.0.0.1"},
      {"fe80::1", "10.0.0.5", "10.0.0.5"},
      {"", "p2p.example,10.0.0.2", ""},
      {"", "", ""},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.localIp + std::string(" / ") + c.servers);
    const QString id = QStringLiteral("CAM%1").arg(++n);
    oneWindowDevice* camera = addCamera(id);
    device_->devConfigList << cameratest::devConfig(id, "https://gw", c.servers);
    device_->fetchInfosList << cameratest::fetchInfos(id, "key", c.localIp);
    ASSERT_EQ(camera->P2P_connect(), 0);
    ASSERT_TRUE(fake_tessan::waitForCalls("APP_connect", size_t(n), 60000));
    const auto connect = fake_tessan::calls("APP_connect");
    ASSERT_EQ(connect.size(), size_t(n));
    EXPECT_EQ(connect.back().sn, id.toStdString());
    EXPECT_FALSE(connect.back().lanAddrNull);
    EXPECT_EQ(connect.back().lanAddr, c.lanAddr);
  }
}

// A list of cameras that never come online: at most a few connects run at
// once, on the connect runner's thread, every camera is tried in turn, and
// the failures are logged once per camera, not at every retry.
TEST_F(Connect, OfflineCamerasAreTriedInTurnAFewAtATime) {
  constexpr int kCameras = 30;
  captureLog();
  std::vector<oneWindowDevice*> cameras;
  for (int i = 0; i < kCameras; ++i) {
    const QString id = QStringLiteral("OFF%1").arg(i, 2, 10, QLatin1Char('0'));
    cameras.push_back(addCamera(id));
    device_->devConfigList << cameratest::devConfig(id, "https://gw", "10.0.0.1");
    device_->fetchInfosList << cameratest::fetchInfos(id, "key");
    fake_tessan::scriptConnect(id.toStdString(), {E_CONN_STATUS_CONNECTING, E_CONN_STATUS_CONNECT_FAILED});
  }
  ConnectRunner& runner = oneWindowDevice::connects();
  size_t calls = 0;
  int mostRunning = 0;
  // Three rounds of connect timer ticks; each failure report ends a turn.
  for (int tick = 0; tick < 3 * kCameras && calls < size_t(2 * kCameras); ++tick) {
    for (oneWindowDevice* camera : cameras) camera->P2P_connect_ahead_Thread_timer_Handler();
    mostRunning = std::max(mostRunning, runner.runningCount());
    ASSERT_TRUE(waitUntil([&] { return fake_tessan::calls("APP_connect").size() > calls; }, 60000));
    deliver();
    calls = fake_tessan::calls("APP_connect").size();
  }
  EXPECT_LE(mostRunning, ConnectRunner::kAtOnce);
  const auto connects = fake_tessan::calls("APP_connect");
  ASSERT_GE(connects.size(), size_t(2 * kCameras));
  std::set<std::string> firstRound;
  for (int i = 0; i < kCameras; ++i) {
    firstRound.insert(connects[size_t(i)].sn);
    EXPECT_NE(connects[size_t(i)].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(firstRound.size(), size_t(kCameras)) << "a camera came again before all were tried";
  EXPECT_EQ(log_->count(QStringLiteral("update_device_state_Handler \"OFF07\" 5")), 1)
      << log_->lines().join('\n').toStdString();
  EXPECT_EQ(log_->count(QStringLiteral("P2P_connect \"OFF07\"")), 1);
}

TEST_F(Connect, NothingIsSentWithoutAFetchInfosAnswer) {
  oneWindowDevice* camera = addCamera("CAM1");
  device_->devConfigList << cameratest::devConfig("CAM1", "https://gw/1", "10.0.0.1");
  device_->fetchInfosList << cameratest::fetchInfos("CAM2", "not-this-camera");
  EXPECT_EQ(camera->P2P_connect(), -1);
  camera->P2P_connect_ahead_Thread_timer_Handler();
  window_->device = nullptr;  // after a sign-out the container is gone
  EXPECT_EQ(camera->P2P_connect(), -1);
  // Nothing was handed to the connect runner either.
  EXPECT_EQ(oneWindowDevice::connects().waitingCount() + oneWindowDevice::connects().runningCount(), 0);
  EXPECT_TRUE(fake_tessan::calls("APP_connect").empty());
  EXPECT_TRUE(fake_tessan::calls("APP_setServInfo").empty());
}

}  // namespace
