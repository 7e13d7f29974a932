// A session table crowded with cameras that never come online, as a client
// with a long camera list keeps it: every APP_connect returns as soon as
// its connect thread runs (no poll period on the caller's thread), and the
// receive thread serves the one session with data on every pass over the
// table, sleeping only after a pass in which no session had data, however
// many sessions have no handle. Judged by the library's own counts (its
// pass and idle-sleep counters, its connect trace), never by the clock.
#include <Vornet.h>
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "device_session.h"
#include "global_state.h"
#include "link_fixture.h"
#include "poll_until.h"
#include "recv_thread.h"
#include "test_frames.h"

using frames::Bytes;
using namespace linktest;

namespace {

constexpr int kOffline = 200;

std::string offlineId(int i) { return "OFF" + std::to_string(i); }

struct PassCount {
  uint64_t passes, idleSleeps;
};

PassCount nowCounts() {
  const tessan::RecvThreadCounts& c = tessan::recvThreadCounts();
  return PassCount{c.passes.load(), c.idleSleeps.load()};
}

// The slot of `sn` in the library's table, -1 when it has none.
int slotOf(const std::string& sn) {
  std::lock_guard<std::recursive_mutex> main(tessan::g().mainLock);
  const tessan::SessionTable& t = *tessan::g().table;
  for (int i = 0; i < t.capacity(); ++i)
    if (t.slot(i).occupied && sn == t.slot(i).key) return i;
  return -1;
}

int firstOccupiedSlot() {
  std::lock_guard<std::recursive_mutex> main(tessan::g().mainLock);
  const tessan::SessionTable& t = *tessan::g().table;
  for (int i = 0; i < t.capacity(); ++i)
    if (t.slot(i).occupied) return i;
  return -1;
}

bool connectThreadStarted(const std::string& sn) {
  std::lock_guard<std::recursive_mutex> main(tessan::g().mainLock);
  const tessan::DeviceSession* s = tessan::lookupSession(sn.c_str());
  return s && s->connectStarted.load();
}

class CrowdedTable : public LinkTest {
 protected:
  // kOffline cameras the transport reports not online: each stays in the
  // table without a handle, as after every failed connect.
  void addOfflineCameras() {
    const MSG_AUTH_REQ t = token(false);
    for (int i = 0; i < kOffline; ++i) {
      fakekv::scriptConnect(offlineId(i), KV_ERR_DEVICE_NOT_ONLINE);
      ASSERT_EQ(0, APP_connect(offlineId(i).c_str(), "key", 3, &t, 7, "127.0.0.1"));
      EXPECT_TRUE(connectThreadStarted(offlineId(i))) << offlineId(i) << ": APP_connect returned before its thread ran";
    }
    ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) {
      for (int i = 0; i < kOffline; ++i)
        if (statuses(ev, offlineId(i)).size() < 2) return false;
      return true;
    }));
    for (int i = 0; i < kOffline; ++i) ASSERT_EQ(statuses(recorder().events(), offlineId(i)), (std::vector<int>{1, 4}));
  }
};

TEST_F(CrowdedTable, EveryConnectReturnsOnceItsThreadRunsWithoutAPollPeriod) {
  ASSERT_NO_FATAL_FAILURE(addOfflineCameras());
  // The trace of each start tells how it ended: ii=0 when the caller was
  // woken by the running thread, 10 when it gave up waiting.
  std::vector<std::string> starts;
  for (const std::string& line : fakekv::traces())
    if (line.rfind("createConnThread.", 0) == 0) starts.push_back(line);
  ASSERT_EQ(starts.size(), size_t(kOffline));
  for (int i = 0; i < kOffline; ++i) EXPECT_EQ(starts[size_t(i)], "createConnThread. ii=0 sn=" + offlineId(i) + "\n");
}

TEST_F(CrowdedTable, TheSessionWithDataIsServedOnEveryPassWithoutIdleSleeps) {
  ASSERT_NO_FATAL_FAILURE(addOfflineCameras());
  connectTo("LIVE", 90);
  ASSERT_GT(slotOf("LIVE"), firstOccupiedSlot()) << "the sessions without data must come first in a pass";

  // One message per visit: each read takes exactly one frame.
  constexpr int kFrames = 20;
  const Bytes frame = frames::hh01(257, frames::payload(16, 1));
  std::mutex m;
  std::vector<PassCount> seen;  // the counts when each message was handed over
  messageHook() = [&](const Event& e) {
    if (e.sn != "LIVE") return;
    std::lock_guard<std::mutex> l(m);
    seen.push_back(nowCounts());
  };
  Bytes stream;
  for (int i = 0; i < kFrames; ++i) frames::append(stream, frame);
  fakekv::setReadChunk(90, int(frame.size()));
  fakekv::push(90, stream);
  ASSERT_TRUE(recorder().waitFor([](const std::vector<Event>& ev) {
    size_t n = 0;
    for (const Event& e : ev) n += e.sn == "LIVE" && e.type == 257;
    return n >= size_t(kFrames);
  }));
  std::lock_guard<std::mutex> l(m);
  ASSERT_EQ(seen.size(), size_t(kFrames));
  for (size_t i = 1; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].passes, seen[i - 1].passes + 1) << "message " << i << ": a pass without a visit, or two visits";
    EXPECT_EQ(seen[i].idleSleeps, seen[i - 1].idleSleeps) << "message " << i << ": the thread slept while data waited";
  }
}

TEST_F(CrowdedTable, AnIdleTableCostsOneSleepPerPass) {
  ASSERT_NO_FATAL_FAILURE(addOfflineCameras());
  connectTo("QUIET", 91);
  const PassCount a = nowCounts();
  ASSERT_TRUE(testsupport::pollUntil([&] { return nowCounts().passes >= a.passes + 20; }, 60000, 5))
      << "the receive thread made no passes";
  const PassCount b = nowCounts();
  const uint64_t passes = b.passes - a.passes, sleeps = b.idleSleeps - a.idleSleeps;
  // One sleep per whole pass (the pass under way at either end may count
  // or not): neither one per idle session nor a spin without sleeping.
  EXPECT_LE(sleeps, passes + 1);
  EXPECT_GE(sleeps + 1, passes);
}

}  // namespace
