// The LAN device search through its two exports, against a simulated device
// on real sockets (private namespace of this test process).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "lan_device_sim.h"
#include "lan_search.h"
#include "netns_test.h"
#include "search_recorder.h"
#include "tessan_lan_search.h"

namespace {

using lan_device::Datagram;
using lan_device::Mac;
using lan_device::makeReply;
using Clock = std::chrono::steady_clock;

constexpr int kWaitMs = 60000;  // bounds what should happen within milliseconds
constexpr int kQuietMs = 150;   // to see that nothing more happens
constexpr uint16_t kSearchPort = 8603;
constexpr int kNotSetUp = -1000;
constexpr int kNoSocket = -1006;

const Mac kDevice{0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};

void quiet() { std::this_thread::sleep_for(std::chrono::milliseconds(kQuietMs)); }

class TessanLanSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    lan_search_setup();
  }
  void TearDown() override {
    lan_search_teardown();
    if (device_) device_->stop();
    for (int fd : held_) close(fd);
  }

  lan_device::SimulatedDevice& startDevice(std::vector<Datagram> replies, bool overVeth = false) {
    lan_device::Options options;
    options.replies = std::move(replies);
    options.lifetimeMs = 20000;
    if (overVeth) {
      options.replyFrom = "192.168.1.24";
      options.replyTo = "192.168.1.23";
    }
    device_ = std::make_unique<lan_device::SimulatedDevice>(options);
    std::string error;
    EXPECT_TRUE(device_->start(&error)) << error;
    return *device_;
  }

  // Sends one more device reply behind everything the device sent so far and
  // waits until the search delivered it: all earlier replies are handled.
  void drain() {
    const Mac sentinel{0x02, 0xEE, 0xEE, 0xEE, 0xEE, static_cast<uint8_t>(++sentinels_)};
    ASSERT_TRUE(device_->sendToLastProber(makeReply(sentinel, "sentinel")));
    ASSERT_TRUE(recorder_.waitFor(sentinel, kWaitMs)) << "the search stopped taking replies";
  }

  // Holds `port` for the rest of the test.
  void hold(uint16_t port) {
    const int fd = holdPort(port);
    ASSERT_GE(fd, 0) << "port " << port << " is taken already";
    held_.push_back(fd);
  }
  void releaseAll() {
    for (int fd : held_) close(fd);
    held_.clear();
  }

  SearchRecorder recorder_;
  std::unique_ptr<lan_device::SimulatedDevice> device_;
  std::vector<int> held_;
  unsigned sentinels_ = 0;
};

bool isProbeTo255From(const lan_device::Received& r, uint16_t port) {
  return lan_device::isProbe(r.bytes.data(), r.bytes.size()) &&
         r.to.s_addr == htonl(INADDR_BROADCAST) && ntohs(r.from.sin_port) == port;
}

TEST_F(TessanLanSearch, SendsThreeProbesAndReportsARepeatingDeviceOnce) {
  lan_device::SimulatedDevice& device = startDevice({makeReply(kDevice, "cam-1")}, true);
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);

  ASSERT_TRUE(device.waitForDatagrams(3, kWaitMs));
  quiet();
  const std::vector<lan_device::Received> got = device.received();
  ASSERT_EQ(got.size(), 3u) << "probes of one search";
  for (const auto& r : got) {
    EXPECT_EQ(r.bytes, (Datagram{0x59, 0x48, 0x01, 0x01}));
    EXPECT_TRUE(isProbeTo255From(r, kSearchPort)) << lan_device::formatEndpoint(r.from);
  }
  // 10 ms after the first probe, then 20 ms before each pass (kernel
  // arrival times, so a slow device thread cannot shrink the gaps).
  ASSERT_NE(got[0].at.count(), 0) << "no arrival times";
  const auto gapMs = [&](size_t i) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(got[i].at - got[i - 1].at).count();
  };
  EXPECT_GE(gapMs(1), 25);
  EXPECT_GE(gapMs(2), 15);

  drain();
  ASSERT_EQ(recorder_.countOf(kDevice), 1u) << "three replies of one device";
  const DeliveredRecord r = recorder_.records().front();
  EXPECT_EQ(r.size, 272);
  EXPECT_EQ(r.context, &recorder_);
  EXPECT_NE(r.thread, std::this_thread::get_id());

  const Datagram sent = makeReply(kDevice, "cam-1");
  ASSERT_EQ(sent[4 + 251], lan_device::kDeviceFlag);
  for (size_t i = 0; i < 272; ++i) {
    if (i != 251) {
      ASSERT_EQ(r.bytes[i], sent[4 + i]) << "record byte " << i;
    }
  }
  EXPECT_EQ(r.bytes[251], 4);
  EXPECT_EQ(0, std::memcmp(r.bytes.data() + 80, kDevice.data(), 6));
  EXPECT_EQ(r.bytes[249], 'Q');
  EXPECT_EQ(r.bytes[250], 'Z');
}

// Distinct devices are each reported; their records do not mix.
TEST_F(TessanLanSearch, ReportsEveryDistinctDevice) {
  std::vector<Datagram> replies;
  for (uint8_t i = 1; i <= 5; ++i) replies.push_back(makeReply({0x02, 0, 0, 0, 0x10, i}, "cam"));
  startDevice(replies);
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(device_->waitForDatagrams(3, kWaitMs));
  drain();
  for (uint8_t i = 1; i <= 5; ++i) EXPECT_EQ(recorder_.countOf({0x02, 0, 0, 0, 0x10, i}), 1u) << int(i);
  EXPECT_EQ(recorder_.records().size(), 6u);
}

struct BadReply {
  const char* name;
  Datagram bytes;
};

Datagram changed(Datagram d, size_t at, uint8_t value) {
  d[at] = value;
  return d;
}
Datagram resized(Datagram d, size_t size) {
  d.resize(size, 0x33);
  return d;
}

const Mac kStranger{0x02, 0xBA, 0xD0, 0xBA, 0xD0, 0x01};

void PrintTo(const BadReply& r, std::ostream* os) { *os << r.name; }

class TessanLanSearchFilter : public TessanLanSearch,
                              public ::testing::WithParamInterface<BadReply> {};

// The bad datagram comes first in every answer; the good device behind it
// must still be reported, and nothing else.
TEST_P(TessanLanSearchFilter, IgnoresTheDatagramAndGoesOn) {
  startDevice({GetParam().bytes, makeReply(kDevice, "good")});
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(recorder_.waitFor(kDevice, kWaitMs)) << "the search stopped after " << GetParam().name;
  ASSERT_TRUE(device_->waitForDatagrams(3, kWaitMs));
  drain();
  EXPECT_EQ(recorder_.countOf(kStranger), 0u);
  EXPECT_EQ(recorder_.records().size(), 2u);
}

const Datagram kStrangerReply = makeReply(kStranger, "bad");

INSTANTIATE_TEST_SUITE_P(
    Replies, TessanLanSearchFilter,
    ::testing::Values(BadReply{"exactly4Bytes", resized(kStrangerReply, 4)},
                      BadReply{"bytes2And3Are01_09", changed(kStrangerReply, 3, 0x09)},
                      BadReply{"bytes2And3Are02_08", changed(kStrangerReply, 2, 0x02)},
                      BadReply{"otherVendorTag", changed(kStrangerReply, 254, 'X')},
                      BadReply{"cutBeforeTheTag", resized(kStrangerReply, 200)},
                      BadReply{"emptyDatagram", Datagram{}},
                      BadReply{"longerThanTheReadBuffer", resized(kStrangerReply, 1500)}),
    [](const ::testing::TestParamInfo<BadReply>& p) { return std::string(p.param.name); });

// Every read starts from a zeroed buffer: a short reply after a long one
// carries zeros, not the bytes of the one before.
TEST_F(TessanLanSearch, ShortReplyReadsAsZeroFilled) {
  const Mac shortOne{0x02, 0x55, 0x55, 0x55, 0x55, 0x55};
  startDevice({makeReply(kDevice, "long"), resized(makeReply(shortOne, "short"), 255)});
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(recorder_.waitFor(shortOne, kWaitMs));
  for (const DeliveredRecord& r : recorder_.records()) {
    if (std::memcmp(r.bytes.data() + 80, shortOne.data(), 6) != 0) continue;
    for (size_t i = 252; i < 272; ++i) EXPECT_EQ(r.bytes[i], 0) << "record byte " << i;
    EXPECT_EQ(r.bytes[251], 4);
  }
}

TEST_F(TessanLanSearch, StopThenStartReportsTheDeviceAgain) {
  startDevice({makeReply(kDevice, "cam")});
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(recorder_.waitFor(kDevice, kWaitMs));
  ASSERT_TRUE(device_->waitForDatagrams(3, kWaitMs));

  // The receiver is woken at once, not after its 2-second wait: a stop that
  // waited for it could never end sooner than that wait.
  const auto before = Clock::now();
  EXPECT_EQ(APP_LANSearchStop(), 0);
  EXPECT_LT(Clock::now() - before, std::chrono::milliseconds(2000));
  EXPECT_TRUE(portFree(kSearchPort)) << "the socket stays open after stop";
  EXPECT_EQ(APP_LANSearchStop(), 0) << "a second stop";

  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(device_->waitForDatagrams(6, kWaitMs)) << "the new search probes again";
  drain();
  EXPECT_EQ(recorder_.countOf(kDevice), 2u);
}

TEST_F(TessanLanSearch, SecondStartSendsNothingAndOnlyReplacesTheCallback) {
  startDevice({makeReply(kDevice, "cam")});
  SearchRecorder first;
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &first), 0);
  ASSERT_TRUE(first.waitFor(kDevice, kWaitMs));
  ASSERT_TRUE(device_->waitForDatagrams(3, kWaitMs));

  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  quiet();
  EXPECT_EQ(device_->received().size(), 3u) << "no new probes";
  drain();  // reaches the new callback and context
  EXPECT_EQ(first.records().size(), 1u);
  EXPECT_EQ(recorder_.countOf(kDevice), 0u) << "the seen table was not cleared";
}

TEST_F(TessanLanSearch, HeldSearchPortMovesTheSocketToTheFallbackRange) {
  hold(kSearchPort);
  startDevice({makeReply(kDevice, "cam")});
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(device_->waitForDatagrams(3, kWaitMs));
  const uint16_t port = ntohs(device_->received()[0].from.sin_port);
  EXPECT_GE(port, 64000);
  EXPECT_LE(port, 64189);
  for (const auto& r : device_->received()) EXPECT_TRUE(isProbeTo255From(r, port));
  EXPECT_TRUE(recorder_.waitFor(kDevice, kWaitMs));
}

TEST_F(TessanLanSearch, NoPortLeftGivesNoSocketAndStartsNothing) {
  hold(kSearchPort);
  for (uint16_t p = 64000; p <= 64189; ++p) hold(p);
  startDevice({makeReply(kDevice, "cam")});
  EXPECT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), kNoSocket);
  quiet();
  EXPECT_TRUE(device_->received().empty());
  EXPECT_EQ(APP_LANSearchStop(), 0);

  releaseAll();
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0) << "a failed start wedged the state";
  EXPECT_TRUE(recorder_.waitFor(kDevice, kWaitMs));
}

TEST_F(TessanLanSearch, StartBeforeSetupOrAfterTeardownIsRefused) {
  lan_search_teardown();
  EXPECT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), kNotSetUp);
  EXPECT_EQ(APP_LANSearchStop(), 0);
  EXPECT_TRUE(portFree(kSearchPort));

  lan_search_setup();
  lan_search_setup();  // a second setup changes nothing
  startDevice({makeReply(kDevice, "cam")});
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(recorder_.waitFor(kDevice, kWaitMs));

  lan_search_teardown();  // stops the running search
  EXPECT_TRUE(portFree(kSearchPort));
  EXPECT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), kNotSetUp);
}

// The callback may end its own search (it runs on the receiver thread, which
// cannot wait for itself); a later stop from elsewhere finishes the job.
TEST_F(TessanLanSearch, CallbackMayStopItsOwnSearch) {
  startDevice({makeReply(kDevice, "cam")});
  std::atomic<int> stopResult{1};
  recorder_.onRecord = [&] { stopResult = APP_LANSearchStop(); };
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(recorder_.waitFor(kDevice, kWaitMs));
  const auto until = Clock::now() + std::chrono::milliseconds(kWaitMs);
  while (stopResult.load() != 0 && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(stopResult.load(), 0);

  EXPECT_EQ(APP_LANSearchStop(), 0);  // joins the receiver
  recorder_.onRecord = nullptr;
  EXPECT_TRUE(portFree(kSearchPort));
  const size_t probesBefore = device_->received().size();  // the stop also ended the probes
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  EXPECT_TRUE(device_->waitForDatagrams(probesBefore + 3, kWaitMs));
  EXPECT_TRUE(recorder_.waitForCount(2, kWaitMs));
}

// A start from inside the callback only hands the search to a new callback.
TEST_F(TessanLanSearch, CallbackMayHandTheSearchToAnotherCallback) {
  startDevice({makeReply(kDevice, "cam")});
  SearchRecorder next;
  std::atomic<int> startResult{1};
  recorder_.onRecord = [&] { startResult = APP_LANSearchStart(&SearchRecorder::callback, &next); };
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(recorder_.waitFor(kDevice, kWaitMs));
  ASSERT_TRUE(device_->waitForDatagrams(3, kWaitMs));
  const Mac other{0x02, 0x0C, 0x0C, 0x0C, 0x0C, 0x0C};
  ASSERT_TRUE(device_->sendToLastProber(makeReply(other, "other")));
  EXPECT_TRUE(next.waitFor(other, kWaitMs));
  EXPECT_EQ(startResult.load(), 0);
  quiet();
  EXPECT_EQ(device_->received().size(), 3u) << "no new probes";
  EXPECT_EQ(APP_LANSearchStop(), 0);
  recorder_.onRecord = nullptr;
  EXPECT_EQ(recorder_.records().size(), 1u);
}

// A program may end while its search runs.
TEST_F(TessanLanSearch, ProcessMayExitWhileSearching) {
#ifdef __SANITIZE_THREAD__
  GTEST_SKIP() << "threads left running at exit are the point here; ThreadSanitizer reports them";
#endif
  const pid_t child = fork();  // while this process has one thread
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int started = APP_LANSearchStart(&SearchRecorder::callback, &recorder_);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // receiver waiting
    std::exit(started == 0 ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Starts and stops from several threads at once leave one consistent state.
TEST_F(TessanLanSearch, ConcurrentStartsAndStopsStayConsistent) {
  startDevice({makeReply(kDevice, "cam")});
  std::vector<std::thread> callers;
  std::atomic<int> badResults{0};
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&] {
      for (int i = 0; i < 5; ++i) {
        if (APP_LANSearchStart(&SearchRecorder::callback, &recorder_) != 0) ++badResults;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        if (APP_LANSearchStop() != 0) ++badResults;
      }
    });
  }
  for (auto& c : callers) c.join();
  EXPECT_EQ(badResults.load(), 0);
  EXPECT_TRUE(portFree(kSearchPort));
  ASSERT_EQ(APP_LANSearchStart(&SearchRecorder::callback, &recorder_), 0);
  ASSERT_TRUE(device_->waitForDatagrams(1, kWaitMs));
  drain();
}

}  // namespace
