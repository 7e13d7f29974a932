// The simulated camera's device side without sockets: its output is cut
// with the library's frame cutter, on an injected clock.
#include "camera_protocol.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Tessan.h"
#include "camera_crypto.h"
#include "frame_cutter.h"
#include "test_frames.h"

using camera::Bytes;
using camera::CameraProtocol;
using camera::ProtocolConfig;

namespace {

camera::VideoClip syntheticClip(uint16_t w, uint16_t h, uint8_t seed) {
  camera::VideoClip c;
  c.codec = 2;
  c.width = w;
  c.height = h;
  for (int i = 0; i < 50; ++i) c.units.push_back(camera::VideoUnit{frames::payload(size_t(100 + i * 37), uint8_t(seed + i)), i % 10 == 0});
  return c;
}

camera::MediaClips syntheticClips() {
  camera::MediaClips m;
  m.fhd = syntheticClip(640, 360, 1);
  m.hd = syntheticClip(320, 180, 101);
  for (int i = 0; i < 10; ++i) m.audio.push_back(frames::payload(size_t(20 + i), uint8_t(200 + i)));
  return m;
}

struct Frame {
  bool av;
  uint16_t type;  // message type (av: 0)
  Bytes data;     // message payload, or the whole A/V frame
};

// The client's view: the camera's output through the library's cutter.
class Client : public tessan::FrameSink {
 public:
  explicit Client(const ProtocolConfig& cfg) : key_(cfg.key) {
    keys_.authFlag = true;
    keys_.decMsg = cfg.encMsg;
    keys_.decAV = cfg.encAV;
    keys_.key = reinterpret_cast<const uint8_t*>(key_.data());
    keys_.keyLen = int(key_.size());
  }
  void take(CameraProtocol& cam) {
    const Bytes out = cam.takeOutput();
    buf_.insert(buf_.end(), out.begin(), out.end());
    const tessan::CutResult r = tessan::cutFrames(buf_.data(), buf_.size(), MAX_AV_BUF, keys_, rx_, *this);
    buf_.erase(buf_.begin(), buf_.begin() + long(r.consumed));
  }
  std::vector<Frame> got;
  int resyncs = 0;

  bool active() override { return true; }
  void onMessage(uint16_t t, uint8_t* p, uint32_t n, char*, int32_t) override { got.push_back({false, t, Bytes(p, p + n)}); }
  void onAuthAnswer(int r) override { got.push_back({false, 151, Bytes{uint8_t(r)}}); }
  void onPeerStatus(int32_t s) override { got.push_back({false, 153, Bytes{uint8_t(s)}}); }
  void onAv(uint8_t* f, uint32_t n, uint8_t) override { got.push_back({true, 0, Bytes(f, f + n)}); }
  void onResync(size_t) override { ++resyncs; }

  std::vector<Frame> av() const {
    std::vector<Frame> v;
    for (const Frame& f : got)
      if (f.av) v.push_back(f);
    return v;
  }
  std::vector<uint16_t> messageTypes() const {
    std::vector<uint16_t> v;
    for (const Frame& f : got)
      if (!f.av) v.push_back(f.type);
    return v;
  }

 private:
  std::string key_;
  tessan::CutKeys keys_;
  tessan::Rc4State rx_{};
  Bytes buf_;
};

uint16_t u16(const Bytes& d, size_t o) { return uint16_t(d[o] | d[o + 1] << 8); }
uint64_t ts(const Bytes& d) {
  uint64_t v;
  std::memcpy(&v, d.data() + 16, 8);
  return v;
}

Bytes request(uint16_t type, const Bytes& payload = {}, const std::string& encKey = "") {
  Bytes p = payload;
  if (!encKey.empty()) camera::rc4(encKey, p.data(), p.size());
  return frames::hh01(type, p);
}

Bytes tokenRequest(const std::string& key, uint32_t t, uint32_t t2, const std::string& encKey = "") {
  MSG_AUTH_REQ a{};
  const std::string text = std::to_string(t) + ":" + std::to_string(t) + ":" + key;
  UTI_md5(text.data(), int(text.size()), a.digest);
  a.nTime = t;
  a.nTime2 = t2;
  a.nAuthFlag = 1;
  Bytes p(32);
  std::memcpy(p.data(), &a, 32);
  return request(150, p, encKey);
}

class CameraSide : public ::testing::Test {
 protected:
  CameraSide() : clips(syntheticClips()) { cfg.key = "the-key"; }
  void start() {
    cam.reset(new CameraProtocol(cfg, clips));
    client.reset(new Client(cfg));
  }
  void send(const Bytes& b) {
    cam->receive(b.data(), b.size());
    client->take(*cam);
  }
  void runUntil(uint64_t endMs, uint64_t step = 10) {
    for (uint64_t t = now; t <= endMs; t += step) {
      cam->tick(t);
      client->take(*cam);
    }
    now = endMs + step;
  }
  camera::MediaClips clips;
  ProtocolConfig cfg;
  std::unique_ptr<CameraProtocol> cam;
  std::unique_ptr<Client> client;
  uint64_t now = 0;
};

struct TokenCase {
  const char* name;
  camera::AuthAnswer mode;
  bool goodDigest;
  bool sameTime;
  std::vector<uint16_t> messages;  // what the client then sees
  int answer;                      // -2: no answer
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.name; }

class TokenCheck : public CameraSide, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(TokenCheck, AnswersAsConfigured) {
  const TokenCase& c = GetParam();
  cfg.auth = c.mode;
  start();
  send(c.goodDigest ? tokenRequest("the-key", 1700000000, c.sameTime ? 1700000000 : 1700000001)
                    : tokenRequest("other-key", 1700000000, 1700000000));
  send(request(256));
  EXPECT_EQ(client->messageTypes(), c.messages);
  if (c.answer != -2) {
    ASSERT_FALSE(client->got.empty());
    EXPECT_EQ(client->got[0].data, Bytes{uint8_t(c.answer)});
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TokenCheck,
    ::testing::Values(TokenCase{"valid", camera::AuthAnswer::Check, true, true, {151, 149, 257}, 0},
                      TokenCase{"wrong_key", camera::AuthAnswer::Check, false, true, {151}, 1},
                      TokenCase{"second_time_differs", camera::AuthAnswer::Check, true, false, {151}, 1},
                      TokenCase{"refuse_switch", camera::AuthAnswer::Refuse, true, true, {151}, 1},
                      TokenCase{"never_answers", camera::AuthAnswer::Never, true, true, {149, 257}, -2}),
    [](const ::testing::TestParamInfo<TokenCase>& i) { return std::string(i.param.name); });

// Time stamps from the camera's start-up, or shifted to milliseconds since
// the Unix epoch (beyond 32 bits), video and sound alike.
TEST_F(CameraSide, StreamsInRealTimeFromOneClock) {
  for (const uint64_t offset : {uint64_t(0), uint64_t(1796950650000ULL)}) {
    SCOPED_TRACE("stamp offset " + std::to_string(offset));
    cfg.stampOffsetMs = offset;
    start();
    now = 1000;
    runUntil(1000);
    send(request(256));
    send(request(260));
    runUntil(2000);
    const std::vector<Frame> av = client->av();
    int video = 0, audio = 0;
    for (const Frame& f : av) {
      if (u16(f.data, 6) == 259) {
        EXPECT_EQ(ts(f.data), offset + 1000 + uint64_t(audio) * 128);
        EXPECT_EQ(f.data.size(), 48 + clips.audio[size_t(audio) % 10].size());
        ++audio;
      } else {
        EXPECT_EQ(ts(f.data), offset + 1000 + uint64_t(video) * 40);
        EXPECT_EQ(f.data[24], video % 10 == 0 ? 0 : 1) << "flag 0 exactly on key frames";
        EXPECT_EQ(f.data[25], 25);
        EXPECT_EQ(u16(f.data, 8), 640);
        EXPECT_EQ(Bytes(f.data.begin() + 48, f.data.end()), clips.fhd.units[size_t(video)].data);
        ++video;
      }
    }
    EXPECT_EQ(video, 26);  // 1000, 1040, ... 2000
    EXPECT_EQ(audio, 8);   // 1000, 1128, ... 1896
    EXPECT_EQ(client->messageTypes(), (std::vector<uint16_t>{149, 257, 261}));
    ASSERT_EQ(cam->sentFrames().size(), av.size());
    for (size_t i = 0; i < av.size(); ++i)
      EXPECT_EQ(cam->sentFrames()[i].md5, camera::md5Hex(av[i].data.data(), av[i].data.size()));

    send(request(258));
    send(request(262));
    const size_t before = client->av().size();
    runUntil(3000);
    EXPECT_EQ(client->av().size(), before);
  }
}

TEST_F(CameraSide, QualityChangesAtTheNextKeyFrame) {
  start();
  send(request(256));
  runUntil(100);  // frames 0, 1, 2
  send(request(270, {1, 0, 0, 0}));
  send(request(270, {3, 0, 0, 0}));  // unknown: refused, nothing changes
  runUntil(600);
  const std::vector<Frame> av = client->av();
  size_t firstHd = 0;
  while (firstHd < av.size() && u16(av[firstHd].data, 8) == 640) ++firstHd;
  ASSERT_LT(firstHd, av.size());
  EXPECT_EQ(firstHd, 10u);  // the next key frame of the clip
  EXPECT_EQ(av[firstHd].data[24], 0);
  EXPECT_EQ(u16(av[firstHd].data, 10), 180);
  EXPECT_EQ(Bytes(av[firstHd].data.begin() + 48, av[firstHd].data.end()), clips.hd.units[0].data);
  std::vector<Bytes> answers;
  for (const Frame& f : client->got)
    if (!f.av && f.type == 271) answers.push_back(f.data);
  EXPECT_EQ(answers, (std::vector<Bytes>{{1, 0, 0, 0}, {3, 1, 0, 0}}));
}

TEST_F(CameraSide, PanTiltIsAnsweredAndRecorded) {
  start();
  Bytes ptz(16, 0);
  ptz[0] = 4;
  ptz[1] = 0;
  send(request(272, ptz));
  ASSERT_EQ(client->messageTypes(), std::vector<uint16_t>{273});
  EXPECT_EQ(client->got[0].data, ptz);
  const auto ev = cam->takeEvents();
  EXPECT_NE(std::find(ev.begin(), ev.end(), "ptz 4 0"), ev.end());
}

TEST_F(CameraSide, SwitchesDropStatusAndOversized) {
  cfg.dropAfterVideo = 12;
  cfg.status3AfterVideo = 3;
  cfg.oversizedAfterVideo = 5;
  start();
  send(request(256));
  runUntil(2000);
  EXPECT_TRUE(cam->dropRequested());
  EXPECT_EQ(client->av().size(), 12u) << "nothing after the drop";
  EXPECT_EQ(client->resyncs, 1) << "the oversized header is skipped, the rest arrives";
  const std::vector<uint16_t> types = client->messageTypes();
  EXPECT_NE(std::find(types.begin(), types.end(), 153), types.end());
  size_t videoBeforeStatus = 0;
  for (const Frame& f : client->got) {
    if (!f.av && f.type == 153) {
      EXPECT_EQ(f.data, Bytes{3});
      break;
    }
    videoBeforeStatus += f.av;
  }
  EXPECT_EQ(videoBeforeStatus, 3u);
}

TEST_F(CameraSide, EncipheredBothWaysAsTheLibraryExpects) {
  cfg.encMsg = cfg.encAV = true;
  start();
  send(tokenRequest("the-key", 5, 5, "the-key"));
  send(request(270, {1, 0, 0, 0}, "the-key"));
  send(request(256, {}, "the-key"));
  runUntil(400);
  EXPECT_EQ(client->got[0].data, Bytes{0});  // the token was deciphered and accepted
  std::vector<uint16_t> types = client->messageTypes();
  EXPECT_EQ(types, (std::vector<uint16_t>{151, 149, 271, 257}));
  const std::vector<Frame> av = client->av();
  ASSERT_EQ(av.size(), cam->sentFrames().size());
  ASSERT_FALSE(av.empty());
  for (size_t i = 0; i < av.size(); ++i) EXPECT_EQ(cam->sentFrames()[i].md5, camera::md5Hex(av[i].data.data(), av[i].data.size()));
}

TEST_F(CameraSide, RequestStreamSurvivesJunkAndSplitting) {
  start();
  Bytes stream = {1, 2, 3, 'H', 'H'};
  frames::append(stream, request(272, Bytes(16, 1)));
  Bytes huge = frames::hh01(260, {});
  frames::put(huge, 8, 0x10000000, 4);  // a length no request has
  frames::append(stream, huge);
  frames::append(stream, request(270, {5, 0, 0, 0}));
  for (uint8_t b : stream) send(Bytes{b});
  EXPECT_EQ(client->messageTypes(), (std::vector<uint16_t>{273, 271}));
}

}  // namespace
