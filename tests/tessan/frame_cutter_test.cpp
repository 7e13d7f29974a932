// The frame cutter alone: the same stream in any chunking gives the same
// callbacks; partial frames wait, junk is resynchronised, lengths that can
// never complete do not stall the buffer.
#include "frame_cutter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Tessan.h"
#include "test_frames.h"

using frames::Bytes;
using namespace tessan;

namespace {

// Callbacks as text lines, with a digest of every byte handed over.
class RecordingSink : public FrameSink {
 public:
  bool isActive = true;
  std::vector<std::string> events;

  bool active() override { return isActive; }
  void onMessage(uint16_t type, uint8_t* p, uint32_t len, char* name, int32_t ft) override {
    events.push_back("msg " + std::to_string(type) + " " + bytes(p, len) + " name=" + std::string(name, strnlen(name, 18)) +
                     " ft=" + std::to_string(ft));
  }
  void onAuthAnswer(int r) override { events.push_back("auth " + std::to_string(r)); }
  void onPeerStatus(int32_t s) override { events.push_back("status " + std::to_string(s)); }
  void onAv(uint8_t* f, uint32_t len, uint8_t type) override {
    events.push_back("av " + std::to_string(type) + " " + bytes(f, len));
  }
  void onResync(size_t n) override { events.push_back("resync " + std::to_string(n)); }

  static std::string bytes(const uint8_t* p, size_t n) {
    std::ostringstream o;
    o << n << ":";
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
    o << std::hex << h;
    return o.str();
  }
};

// Feeds a source through parseInto the way the receive thread does, in
// reads of at most `chunk` bytes (0 = random sizes).
class Feeder {
 public:
  Feeder(CutKeys keys, size_t capacity = MAX_AV_BUF) : keys_(keys), buf_(capacity) {}

  void feed(const Bytes& src, int chunk, RecordingSink& sink, unsigned seed = 1) {
    std::mt19937 rng(seed);
    size_t at = 0;
    StreamReader read = [&](uint8_t* dst, int* len) {
      if (at == src.size()) return -3;
      int n = std::min<int>(*len, int(src.size() - at));
      if (chunk > 0)
        n = std::min(n, chunk);
      else
        n = std::min(n, int(rng() % 3000) + 1);
      std::memcpy(dst, src.data() + at, size_t(n));
      at += size_t(n);
      *len = n;
      return 0;
    };
    for (int guard = 0; guard < 1000000; ++guard) {
      const int waiting = int(src.size() - at);
      const ParseOutcome o = parseInto(buf_.data(), held_, int(buf_.size()), waiting, read, keys_, rx_, sink);
      outcome_ = o;
      if (!o.progress || o.closeSession) break;
    }
  }

  int held() const { return held_; }
  const uint8_t* data() const { return buf_.data(); }
  const ParseOutcome& last() const { return outcome_; }

 private:
  CutKeys keys_;
  Bytes buf_;
  int held_ = 0;
  Rc4State rx_{};
  ParseOutcome outcome_{};
};

CutKeys authKeys() {
  CutKeys k;
  k.authFlag = true;
  return k;
}

std::string avLine(const Bytes& frame) { return "av 127 " + RecordingSink::bytes(frame.data(), frame.size()); }
std::string msgLine(uint16_t type, const Bytes& body, const std::string& name = "") {
  return "msg " + std::to_string(type) + " " + RecordingSink::bytes(body.data(), body.size()) + " name=" + name +
         " ft=127";
}

// A stream of every frame kind with its expected callbacks, built side by side.
struct Script {
  Bytes stream;
  std::vector<std::string> expected;
};

Script authStream() {
  Script s;
  const Bytes req = frames::payload(16, 1);
  frames::append(s.stream, frames::hh01(257, req, "cam"));
  s.expected.push_back(msgLine(257, req, "cam"));
  const Bytes video = frames::hh02(frames::payload(5000, 2));
  frames::append(s.stream, video);
  s.expected.push_back(avLine(video));
  const Bytes junk = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  frames::append(s.stream, junk);
  s.expected.push_back("resync 10");
  const Bytes hh3 = frames::hh03(frames::payload(300, 3));
  frames::append(s.stream, hh3);
  s.expected.push_back(avLine(hh3));
  frames::append(s.stream, frames::hh01(151, {0}));
  s.expected.push_back("auth 0");
  frames::append(s.stream, frames::hh01(153, {3, 0, 0, 0}));
  s.expected.push_back("status 3");
  const Bytes empty = frames::hh01(272, {}, "eighteen-char-name");
  frames::append(s.stream, empty);
  s.expected.push_back(msgLine(272, {}, "eighteen-char-name"));
  for (int i = 0; i < 20; ++i) {
    const Bytes f = frames::hh02(frames::payload(size_t(i * 97 + 1), uint8_t(i)));
    frames::append(s.stream, f);
    s.expected.push_back(avLine(f));
  }
  return s;
}

Script plainStream() {
  Script s;
  for (int i = 0; i < 12; ++i) {
    const Bytes body = frames::payload(size_t(i * 41), uint8_t(i + 9));
    frames::append(s.stream, frames::prefixed(uint8_t(i), body));
    s.expected.push_back("av " + std::to_string(i) + " " + RecordingSink::bytes(body.data(), body.size()));
    const Bytes m = frames::hh01(uint16_t(300 + i), frames::payload(8, uint8_t(i)));
    frames::append(s.stream, m);
    s.expected.push_back(msgLine(uint16_t(300 + i), frames::payload(8, uint8_t(i))));
  }
  // The cutter looks at a frame only once 48 bytes are held: pad the end.
  frames::append(s.stream, frames::hh02(frames::payload(64, 77)));
  s.expected.push_back(avLine(frames::hh02(frames::payload(64, 77))));
  return s;
}

class ChunkSizes : public ::testing::TestWithParam<int> {};

TEST_P(ChunkSizes, AuthenticatedStreamGivesTheSameCallbacks) {
  const Script s = authStream();
  RecordingSink sink;
  Feeder f(authKeys());
  f.feed(s.stream, GetParam(), sink);
  EXPECT_EQ(sink.events, s.expected);
  EXPECT_EQ(f.held(), 0);
}

TEST_P(ChunkSizes, LengthPrefixedStreamGivesTheSameCallbacks) {
  const Script s = plainStream();
  RecordingSink sink;
  Feeder f(CutKeys{});
  f.feed(s.stream, GetParam(), sink);
  EXPECT_EQ(sink.events, s.expected);
  EXPECT_EQ(f.held(), 0);
}

INSTANTIATE_TEST_SUITE_P(Reads, ChunkSizes, ::testing::Values(1, 7, 47, 48, 49, 1000, 0),
                         [](const ::testing::TestParamInfo<int>& i) {
                           return i.param ? "chunk" + std::to_string(i.param) : std::string("random");
                         });

TEST(FrameCutter, PartialFrameWaitsForItsRest) {
  const Bytes frame = frames::hh02(frames::payload(1000, 5));
  RecordingSink sink;
  Feeder f(authKeys());
  f.feed(Bytes(frame.begin(), frame.begin() + 48 + 600), 0, sink);
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(f.held(), 648);
  f.feed(Bytes(frame.begin() + 648, frame.end()), 0, sink);
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0], avLine(frame));
  EXPECT_NE(sink.events[0].find(" 1048:"), std::string::npos);
}

TEST(FrameCutter, TwoFramesInOneReadAndAPartialThirdKeptAtTheStart) {
  const Bytes a = frames::hh02(frames::payload(100, 1)), b = frames::hh01(257, frames::payload(4, 2));
  const Bytes c = frames::hh02(frames::payload(500, 3));
  Bytes stream = a;
  frames::append(stream, b);
  stream.insert(stream.end(), c.begin(), c.begin() + 70);
  RecordingSink sink;
  Feeder f(authKeys());
  f.feed(stream, int(stream.size()), sink);
  EXPECT_EQ(sink.events, (std::vector<std::string>{avLine(a), msgLine(257, frames::payload(4, 2))}));
  ASSERT_EQ(f.held(), 70);
  EXPECT_EQ(0, std::memcmp(f.data(), c.data(), 70));
}

TEST(FrameCutter, TenJunkBytesGiveOneResynchronisation) {
  Bytes stream = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0};
  const Bytes body = frames::payload(3, 4);
  frames::append(stream, frames::hh01(270, body));
  RecordingSink sink;
  Feeder f(authKeys());
  f.feed(stream, int(stream.size()), sink);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"resync 10", msgLine(270, body)}));
}

TEST(FrameCutter, EightBytePrefixedFrameWaitsFor48BytesHeld) {
  const Bytes body = frames::payload(8, 6);
  RecordingSink sink;
  Feeder f(CutKeys{});
  f.feed(frames::prefixed(1, body), 0, sink);
  EXPECT_TRUE(sink.events.empty());
  f.feed(Bytes(35, 0), 0, sink);  // 47 held
  EXPECT_TRUE(sink.events.empty());
  f.feed(Bytes(1, 0), 0, sink);
  ASSERT_FALSE(sink.events.empty());
  EXPECT_EQ(sink.events[0], "av 1 " + RecordingSink::bytes(body.data(), body.size()));
}

TEST(FrameCutter, JunkEndingInAHeaderStartKeepsThatStart) {
  Bytes junk(46, 0x11);
  junk.push_back('H');
  junk.push_back('H');
  const Bytes body = frames::payload(20, 8);
  const Bytes msg = frames::hh01(261, body);
  RecordingSink sink;
  Feeder f(authKeys());
  f.feed(junk, 0, sink);
  EXPECT_EQ(sink.events, std::vector<std::string>{"resync 0"});
  EXPECT_EQ(f.held(), 2);
  f.feed(Bytes(msg.begin() + 2, msg.end()), 0, sink);
  EXPECT_EQ(sink.events.back(), msgLine(261, body));
}

// Lengths that can never complete inside the buffer.
struct Oversized {
  const char* name;
  bool auth;
  Bytes head;        // the offending frame start
  bool closes;       // else resynchronised past and the next frame delivered
};

void PrintTo(const Oversized& o, std::ostream* os) { *os << o.name; }

class OversizedLength : public ::testing::TestWithParam<Oversized> {};

TEST_P(OversizedLength, NeverStallsTheBuffer) {
  const Oversized& c = GetParam();
  CutKeys keys;
  keys.authFlag = c.auth;
  const Bytes body = frames::payload(10, 1);
  Bytes stream = c.head;
  frames::append(stream, frames::hh01(257, body));
  RecordingSink sink;
  Feeder f(keys);
  f.feed(stream, 0, sink);
  if (c.closes) {
    EXPECT_TRUE(f.last().closeSession);
    EXPECT_TRUE(sink.events.empty());
  } else {
    EXPECT_FALSE(f.last().closeSession);
    ASSERT_FALSE(sink.events.empty());
    EXPECT_EQ(sink.events.front().rfind("resync", 0), 0u);
    EXPECT_EQ(sink.events.back(), msgLine(257, body));
    EXPECT_EQ(f.held(), 0);
  }
}

Bytes withLength(Bytes frame, size_t off, uint32_t len) {
  frames::put(frame, off, len, 4);
  return frame;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OversizedLength,
    ::testing::Values(
        Oversized{"hh02_auth", true, withLength(frames::hh02({}), 12, MAX_AV_BUF - 47), false},
        Oversized{"hh02_wraps_32_bits", true, withLength(frames::hh02({}), 12, 0xFFFFFFE0u), false},
        Oversized{"hh01_wraps_32_bits", true, withLength(frames::hh01(257, {}), 8, 0xFFFFFFF0u), false},
        Oversized{"hh03_auth", true, withLength(frames::hh03({}), 8, 0x7FFFFFFFu), false},
        Oversized{"prefixed_just_over", false, Bytes{0xFD, 0xFF, 0x07, 0x01}, true},
        Oversized{"prefixed_longest", false, Bytes{0xFF, 0xFF, 0xFF, 0x01}, true},
        Oversized{"hh02_plain", false, withLength(frames::hh02({}), 12, MAX_AV_BUF), true}),
    [](const ::testing::TestParamInfo<Oversized>& i) { return std::string(i.param.name); });

TEST(FrameCutter, FullBufferWithoutProgressCountsAsIdle) {
  RecordingSink sink;
  sink.isActive = false;  // dispatch cannot run, so nothing is consumed
  Feeder f(authKeys(), 4096);
  f.feed(Bytes(4096, 'x'), 0, sink);
  f.feed(Bytes(10, 'x'), 0, sink);
  EXPECT_TRUE(f.last().bufferFull);
  EXPECT_FALSE(f.last().progress);
}

TEST(FrameCutter, ShortStatusIgnoredAndEmptyAuthAnswerRefused) {
  Bytes stream = frames::hh01(153, {3, 0});
  frames::append(stream, frames::hh01(151, {}));
  frames::append(stream, frames::hh01(153, {7, 0, 0, 0}));
  stream.resize(stream.size() + 48, 0x5A);  // lets the cutter look at the last frame
  RecordingSink sink;
  Feeder f(authKeys());
  f.feed(stream, 0, sink);
  ASSERT_GE(sink.events.size(), 2u);
  EXPECT_EQ(sink.events[0], "auth -1");
  EXPECT_EQ(sink.events[1], "status 7");
}

TEST(FrameCutter, DeciphersMessagesAndAvStartsButNeverStatus) {
  const uint8_t key[] = "secret";
  CutKeys keys = authKeys();
  keys.decMsg = keys.decAV = true;
  keys.key = key;
  keys.keyLen = 6;
  auto cipher = [&](Bytes b, size_t n) {
    Rc4State st;
    rc4Fresh(st, key, 6, b.data(), std::min(n, b.size()));
    return b;
  };
  const Bytes body = frames::payload(40, 1);
  const Bytes av = frames::payload(3000, 2);
  Bytes stream = frames::hh01(257, cipher(body, body.size()));
  frames::append(stream, frames::hh02(cipher(av, 2048)));
  frames::append(stream, frames::hh01(153, {3, 0, 0, 0}));
  frames::append(stream, frames::hh01(151, cipher({0}, 1)));
  stream.resize(stream.size() + 48, 0);
  RecordingSink sink;
  Feeder f(keys);
  f.feed(stream, 0, sink);
  ASSERT_GE(sink.events.size(), 4u);
  EXPECT_EQ(sink.events[0], msgLine(257, body));
  EXPECT_EQ(sink.events[1], avLine(frames::hh02(av)));
  EXPECT_EQ(sink.events[2], "status 3");
  EXPECT_EQ(sink.events[3], "auth 0");
}

TEST(FrameCutter, StopsWhenTheSessionIsNoLongerActive) {
  Bytes stream = frames::hh01(257, {});
  frames::append(stream, frames::hh01(261, {}));
  RecordingSink sink;
  sink.isActive = false;
  const CutResult r = [&] {
    Rc4State rx{};
    return cutFrames(stream.data(), stream.size(), MAX_AV_BUF, authKeys(), rx, sink);
  }();
  EXPECT_EQ(r.consumed, 0u);
  EXPECT_TRUE(sink.events.empty());
}

}  // namespace
