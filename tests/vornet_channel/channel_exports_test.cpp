// The channel exports in-process: argument and state checks in their
// order, frame headers as they land in the channel, and framed reads.
// No data thread runs: a slot is marked linked by hand, so nothing is sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "Vornet.h"
#include "channel/drw_session.h"
#include "channel/packet_list.h"
#include "core/library_state.h"
#include "platform/clock.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vornet::channel::DrwChannel;

constexpr int kSlot = 7;

// Every byte written to a channel so far: cut packets, then the staging.
Bytes channelBytes(const DrwChannel& c) {
  Bytes out;
  for (const auto* n = c.sendQueue.first; n != nullptr; n = n->next) out.insert(out.end(), n->data, n->data + n->length);
  out.insert(out.end(), c.writeStaging, c.writeStaging + c.writeFill);
  return out;
}

TEST(ChannelExportsUninitialised, ArgumentChecksComeFirstWhereTheyShould) {
  const uint8_t d[4] = {};
  uint8_t buf[8];
  int len = sizeof buf;
  uint8_t type = 0;
  struct Row {
    const char* call;
    int result;
    int expected;
  } rows[] = {
      {"KV_Send framed", KV_Send(0, d, 4, 0), -1},
      // A framed send checks as its header write does first, then the data.
      {"KV_Send framed, null data", KV_Send(0, nullptr, 4, 0), -1},
      {"KV_Send framed, len 0", KV_Send(0, d, 0, 1), -1},
      {"KV_Send raw, null data", KV_Send(0, nullptr, 4, 127), -1},
      {"KV_SendWithChannel 0", KV_SendWithChannel(0, 0, d, 4), -5},
      {"KV_SendWithChannel 2", KV_SendWithChannel(0, 2, d, 4), -1},
      {"KV_Recv null buf", KV_Recv(0, nullptr, &len, 1, &type), -5},
      {"KV_Recv null len", KV_Recv(0, buf, nullptr, 1, &type), -5},
      {"KV_Recv", KV_Recv(0, buf, &len, 1, &type), -1},
      {"KV_Recv2", KV_Recv2(0, buf, &len, 0), -1},
      {"KV_RecvWithChannel 0", KV_RecvWithChannel(0, 0, buf, &len, 0, nullptr), -5},
      {"KV_RecvWithChannel 1", KV_RecvWithChannel(0, 1, buf, &len, 0, nullptr), -1},
      {"KV_GetP2PBufSizeUsed", KV_GetP2PBufSizeUsed(0, 1), -1},
      {"KV_GetP2PBufSizeUsedWithChannel 0", KV_GetP2PBufSizeUsedWithChannel(0, 0, 1), -5},
      {"KV_GetP2PBufSizeUsedWithChannel 5", KV_GetP2PBufSizeUsedWithChannel(0, 5, 1), -5},
      {"KV_GetP2PBufSizeUsedWithChannel 4", KV_GetP2PBufSizeUsedWithChannel(0, 4, 1), -1},
  };
  for (const Row& r : rows) EXPECT_EQ(r.result, r.expected) << r.call;
}

class ChannelExports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(KV_Initialize(), 0);
    std::lock_guard<std::recursive_mutex> lock(vornet::mainMutex());
    vornet::ZORP_Session& s = vornet::session_at(kSlot);
    s.socket = 1000;  // never used: no thread runs
    vornet::channel::drw_reset(s.drw, 1);
    s.linked = 1;
  }
  void TearDown() override {
    {
      std::lock_guard<std::recursive_mutex> lock(vornet::mainMutex());
      vornet::ZORP_Session& s = vornet::session_at(kSlot);
      s.linked = 0;
      vornet::channel::drw_reset(s.drw, 0);
      vornet::session_clear(s);
      s.socket = -1;
    }
    KV_DeInitialize();
  }
  vornet::ZORP_Session& session() { return vornet::session_at(kSlot); }
  DrwChannel& channel(int ch) { return session().drw.channels[ch]; }
  // Puts in-order received packets on a channel, as the receive thread would.
  void arrive(int ch, const Bytes& bytes) {
    DrwChannel& c = channel(ch);
    for (size_t at = 0; at < bytes.size(); at += 1024) {
      const int n = static_cast<int>(std::min<size_t>(1024, bytes.size() - at));
      const uint16_t seq = static_cast<uint16_t>(c.nextRecvSeq + c.received.count);
      vornet::channel::list_insert(c.received, vornet::channel::packet_new(seq, bytes.data() + at, n));
    }
  }
};

TEST_F(ChannelExports, SessionChecksInOrder) {
  const uint8_t d[4] = {};
  uint8_t buf[8];
  int len = sizeof buf;
  EXPECT_EQ(KV_Send(3, d, 4, 0), -11);  // free slot
  EXPECT_EQ(KV_Send(128, d, 4, 0), -11);
  EXPECT_EQ(KV_Send(-1, d, 4, 127), -11);
  EXPECT_EQ(KV_Send(3, nullptr, 4, 0), -11);  // the session before the data
  EXPECT_EQ(KV_Send(3, nullptr, 4, 127), -5);  // raw: the data first
  EXPECT_EQ(KV_Recv2(3, buf, &len, 0), -11);
  EXPECT_EQ(len, 0);
  len = 0;
  EXPECT_EQ(KV_Recv2(kSlot, buf, &len, 0), -5);
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(3, 4, 1), -5);  // channel before handle
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(3, 3, 1), -11);

  struct State {
    std::atomic<uint8_t>* flag;
    int code;
  } states[] = {{&session().closedByPeer, -12},
                {&session().timedOut, -13},
                {&session().broken, -20},
                {&session().closedByCaller, -14}};
  // Each flag set on top of the earlier ones: the later in this list wins.
  for (const State& st : states) {
    *st.flag = 1;
    EXPECT_EQ(KV_Send(kSlot, d, 4, 0), st.code);
    EXPECT_EQ(KV_Send(kSlot, nullptr, 0, 1), st.code);
    EXPECT_EQ(KV_SendWithChannel(kSlot, 3, d, 4), st.code);
    EXPECT_EQ(KV_GetP2PBufSizeUsed(kSlot, 1), st.code);
    EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(kSlot, 2, 0), st.code);
  }
  EXPECT_TRUE(channelBytes(channel(0)).empty());
}

TEST_F(ChannelExports, FramedSendPutsTheHeaderAndBodyInOneWrite) {
  const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ASSERT_EQ(KV_Send(kSlot, data.data(), 10, 0), 10);
  Bytes expected = {0x0A, 0x00, 0x00, 0x00};
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(channelBytes(channel(0)), expected);

  ASSERT_EQ(KV_Send(kSlot, data.data(), 10, 127), 10);  // raw: data alone
  expected.insert(expected.end(), data.begin(), data.end());
  EXPECT_EQ(channelBytes(channel(0)), expected);
}

TEST_F(ChannelExports, TheHeaderCarriesA24BitLengthAndTheType) {
  const struct {
    int len;
    uint8_t type;
    Bytes header;
  } rows[] = {{0x123456, 1, {0x56, 0x34, 0x12, 0x01}}, {0xFFFFFF, 0, {0xFF, 0xFF, 0xFF, 0x00}}};
  for (const auto& row : rows) {
    vornet::channel::drw_reset(session().drw, 1);
    const Bytes big(static_cast<size_t>(row.len), 0xAB);
    ASSERT_EQ(KV_Send(kSlot, big.data(), row.len, row.type), row.len);
    const Bytes bytes = channelBytes(channel(0));
    ASSERT_EQ(bytes.size(), static_cast<size_t>(row.len) + 4);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), row.header) << row.len;
  }
}

TEST_F(ChannelExports, ARefusedFramedSendWritesNothing) {
  const uint8_t d[16] = {};
  EXPECT_EQ(KV_Send(kSlot, nullptr, 10, 0), -5);
  EXPECT_EQ(KV_Send(kSlot, d, 0, 1), -5);
  EXPECT_EQ(KV_Send(kSlot, d, -3, 0), -5);
  // 2^24 would wrap the 24-bit length; the data is never read.
  EXPECT_EQ(KV_Send(kSlot, d, 1 << 24, 0), -5);
  EXPECT_TRUE(channelBytes(channel(0)).empty());
  EXPECT_EQ(KV_SendWithChannel(kSlot, 0, d, 4), -5);
  EXPECT_EQ(KV_SendWithChannel(kSlot, 4, d, 4), -5);
  EXPECT_EQ(KV_SendWithChannel(kSlot, 2, d, 0), -5);
  EXPECT_EQ(KV_SendWithChannel(kSlot, 2, d, 5), 5);
  EXPECT_EQ(channelBytes(channel(2)).size(), 5u);
}

TEST_F(ChannelExports, RawWritesNeverFallInsideAFramedMessage) {
  // Two writers at once: framed messages of 1000 'F' bytes and raw chunks
  // "U" + 7 bytes. The stream must parse back into whole pieces.
  constexpr int kEach = 1500;
  std::thread framed([] {
    const Bytes f(1000, 'F');
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(KV_Send(kSlot, f.data(), 1000, 0), 1000);
  });
  std::thread raw([] {
    const Bytes u = {'U', 1, 2, 3, 4, 5, 6, 7};
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(KV_Send(kSlot, u.data(), 8, 127), 8);
  });
  framed.join();
  raw.join();
  const Bytes s = channelBytes(channel(0));
  size_t at = 0;
  int frames = 0;
  int chunks = 0;
  while (at < s.size()) {
    if (s[at] == 'U') {
      ASSERT_LE(at + 8, s.size());
      ASSERT_EQ(s[at + 7], 7) << "at " << at;
      at += 8;
      ++chunks;
    } else {
      ASSERT_EQ(Bytes(s.begin() + at, s.begin() + at + 4), (Bytes{0xE8, 0x03, 0x00, 0x00})) << "at " << at;
      at += 4;
      ASSERT_LE(at + 1000, s.size());
      ASSERT_TRUE(std::all_of(s.begin() + at, s.begin() + at + 1000, [](uint8_t b) { return b == 'F'; }))
          << "frame torn at " << at;
      at += 1000;
      ++frames;
    }
  }
  EXPECT_EQ(frames, kEach);
  EXPECT_EQ(chunks, kEach);
}

TEST_F(ChannelExports, CountsSeeOnlyInOrderBytesAndUnacknowledgedOnes) {
  arrive(0, Bytes(1500, 1));
  EXPECT_EQ(KV_GetP2PBufSizeUsed(kSlot, 1), 1500);
  // A packet behind a gap is not readable yet.
  vornet::channel::list_insert(channel(0).received, vornet::channel::packet_new(9, nullptr, 100));
  EXPECT_EQ(KV_GetP2PBufSizeUsed(kSlot, 1), 1500);
  uint8_t buf[1000];
  int len = 1000;
  ASSERT_EQ(KV_Recv2(kSlot, buf, &len, 0), 0);
  EXPECT_EQ(len, 1000);
  EXPECT_EQ(KV_GetP2PBufSizeUsed(kSlot, 1), 500);  // the staging's rest counts

  const Bytes d(3000, 2);
  ASSERT_EQ(KV_SendWithChannel(kSlot, 3, d.data(), 3000), 3000);
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(kSlot, 3, 0), 2048);  // staging not counted
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(kSlot, 3, 1), 0);
}

TEST_F(ChannelExports, AFramedMessageLargerThanTheBufferStaysReadable) {
  Bytes frame = {200, 0, 0, 3};
  for (int i = 0; i < 200; ++i) frame.push_back(static_cast<uint8_t>(i));
  arrive(0, frame);
  uint8_t buf[200];
  int len = 100;
  uint8_t type = 0;
  EXPECT_EQ(KV_Recv(kSlot, buf, &len, 1, &type), -23);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 3);
  len = 200;
  ASSERT_EQ(KV_Recv2(kSlot, buf, &len, 0), 0);
  EXPECT_EQ(len, 200);
  EXPECT_EQ(buf[199], 199);
}

TEST_F(ChannelExports, AMessageStillArrivingIsHeldForTheNextFramedRead) {
  Bytes frame = {100, 0, 0, 6};
  for (int i = 0; i < 100; ++i) frame.push_back(static_cast<uint8_t>(i + 1));
  arrive(1, Bytes(frame.begin(), frame.begin() + 44));
  uint8_t buf[100];
  int len = sizeof buf;
  uint8_t type = 9;
  EXPECT_EQ(KV_RecvWithChannel(kSlot, 1, buf, &len, 50, &type), -3);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(type, 0);
  // The 40 payload bytes taken so far are still waiting bytes.
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(kSlot, 1, 1), 40);
  arrive(1, Bytes(frame.begin() + 44, frame.end()));
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(kSlot, 1, 1), 100);
  len = sizeof buf;
  ASSERT_EQ(KV_RecvWithChannel(kSlot, 1, buf, &len, 50, &type), 0);
  EXPECT_EQ(len, 100);
  EXPECT_EQ(type, 6);
  EXPECT_TRUE(std::equal(buf, buf + 100, frame.begin() + 4));
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(kSlot, 1, 1), 0);
}

TEST_F(ChannelExports, AnUnframedReadTakesTheHeldPayloadFirst) {
  Bytes frame = {10, 0, 0, 1, 'a', 'b', 'c', 'd', 'e', 'f'};
  arrive(0, frame);
  uint8_t buf[16];
  int len = sizeof buf;
  EXPECT_EQ(KV_Recv(kSlot, buf, &len, 0, nullptr), -3);
  arrive(0, {'g', 'h', 'i', 'j', 'K'});
  // The header stays consumed; its payload follows as plain bytes, in order.
  len = sizeof buf;
  ASSERT_EQ(KV_Recv2(kSlot, buf, &len, 0), 0);
  EXPECT_EQ(Bytes(buf, buf + len), (Bytes{'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'K'}));
}

// The milliseconds of sleep the library asked for on the calling thread
// while one of these lives (its own clock's sleeps, whatever the machine's
// load makes of them).
class OwnSleeps {
 public:
  OwnSleeps() {
    thread_ = std::this_thread::get_id();
    total_ = 0;
    vornet::set_sleep_watcher(&OwnSleeps::watch);
  }
  ~OwnSleeps() { vornet::set_sleep_watcher(nullptr); }
  unsigned total() const { return total_.load(); }

 private:
  static void watch(unsigned ms) {
    if (std::this_thread::get_id() == thread_) total_ += ms;
  }
  static inline std::thread::id thread_;
  static inline std::atomic<unsigned> total_{0};
};

TEST_F(ChannelExports, ReadsOnAnEmptyChannel) {
  uint8_t buf[10];
  int len = sizeof buf;
  const uint32_t t0 = vornet::tick_ms();
  OwnSleeps slept;
  EXPECT_EQ(KV_RecvWithChannel(kSlot, 2, buf, &len, 0, nullptr), -3);  // unframed, no waiting
  EXPECT_EQ(len, 0);
  EXPECT_EQ(slept.total(), 0u) << "a read without a time-out waits";
  len = sizeof buf;
  uint8_t type = 7;
  EXPECT_EQ(KV_RecvWithChannel(kSlot, 2, buf, &len, 120, &type), -3);  // framed, two rounds
  EXPECT_EQ(type, 0);
  len = sizeof buf;
  EXPECT_EQ(KV_Recv(kSlot, buf, &len, 0, nullptr), -3);
  // The framed read waited its rounds (a busy machine only makes that
  // longer); the waits are bounded, not for ever.
  EXPECT_GE(vornet::tick_ms() - t0, 100u);
  EXPECT_LT(vornet::tick_ms() - t0, 10000u);
}

TEST_F(ChannelExports, AClosedSessionStillDeliversWhatArrivedInOrder) {
  Bytes frame = {3, 0, 0, 1, 'a', 'b', 'c'};
  arrive(1, frame);
  session().closedByPeer = 1;
  uint8_t buf[10];
  int len = sizeof buf;
  uint8_t type = 0;
  EXPECT_EQ(KV_GetP2PBufSizeUsedWithChannel(kSlot, 1, 1), -12);
  EXPECT_EQ(KV_RecvWithChannel(kSlot, 1, buf, &len, 100, &type), 0);
  EXPECT_EQ(len, 3);
  len = sizeof buf;
  EXPECT_EQ(KV_RecvWithChannel(kSlot, 1, buf, &len, 100, &type), -12);
  session().closedByCaller = 1;
  len = sizeof buf;
  EXPECT_EQ(KV_Recv2(kSlot, buf, &len, 0), -14);
}

}  // namespace
