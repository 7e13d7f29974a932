#include "device/connect_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Tessan.h"

namespace {

using Rank = ConnectTurns::Rank;
using namespace std::chrono_literals;

ConnectRunner::Inputs inputs(const std::string& id) {
  return {QString::fromStdString(id), QStringLiteral("key"), QStringLiteral("127.0.0.1"), QString()};
}

// What the runner's connects did: who was started, on which thread, and
// how many attempts were open (started, not yet reported) at once.
class FakeLink {
 public:
  int connect(const ConnectRunner::Inputs& in) {
    std::unique_lock<std::mutex> lock(mutex_);
    const std::string id = in.deviceId.toStdString();
    threads_.insert(std::this_thread::get_id());
    started_.push_back(id);
    const int result = refuse_.count(id) ? E_APP_ERR_ALREADY_CONNECTED : 0;
    if (result == 0) open_.insert(id);
    mostOpen_ = std::max(mostOpen_, int(open_.size()));
    changed_.notify_all();
    changed_.wait(lock, [&] { return !held_.count(id); });
    return result;
  }
  // Reports an end for every open attempt (as the link's failure reports
  // would) and returns their cameras.
  std::vector<std::string> failOpen(ConnectRunner& runner) {
    std::set<std::string> open;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      open.swap(open_);
    }
    for (const std::string& id : open) {
      runner.reported(id, E_CONN_STATUS_CONNECTING);
      runner.reported(id, E_CONN_STATUS_CONNECT_FAILED);
    }
    return {open.begin(), open.end()};
  }
  bool waitStarted(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 60s, [&] { return started_.size() >= count; });
  }
  void hold(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    held_.insert(id);
  }
  void release(const std::string& id) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      held_.erase(id);
    }
    changed_.notify_all();
  }
  void refuse(const std::string& id) {
    std::lock_guard<std::mutex> lock(mutex_);
    refuse_.insert(id);
  }
  std::vector<std::string> started() {
    std::lock_guard<std::mutex> lock(mutex_);
    return started_;
  }
  int mostOpen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return mostOpen_;
  }
  std::set<std::thread::id> threads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> started_;
  std::set<std::string> open_, held_, refuse_;
  std::set<std::thread::id> threads_;
  int mostOpen_ = 0;
};

ConnectRunner::Connect via(FakeLink& link) {
  return [&link](const ConnectRunner::Inputs& in) { return link.connect(in); };
}

}  // namespace

// 40 cameras that never come online, each asking again after its failure:
// never more than the bound try at once, every camera is tried once before
// any is tried again, none falls behind in the retries (a camera can only
// queue again once its own attempt has failed, so the others may pass it by
// as many turns as run at once), and no connect runs on the asking thread.
TEST(ConnectRunner, ManyOfflineCamerasConnectAFewAtATimeInTurnOffTheAskingThread) {
  constexpr int kCameras = 40;
  constexpr int kAtOnce = 3;
  constexpr size_t kCalls = 2 * kCameras + kAtOnce;
  FakeLink link;
  ConnectRunner runner(via(link), kAtOnce);
  for (int i = 0; i < kCameras; ++i) runner.ask(inputs("CAM" + std::to_string(i)), Rank::Soon);
  size_t seen = 0;
  while (seen < kCalls) {
    ASSERT_TRUE(link.waitStarted(seen + 1)) << "no connect after " << seen;
    seen = link.started().size();
    for (const std::string& id : link.failOpen(runner)) runner.ask(inputs(id), Rank::Retry);
  }
  EXPECT_LE(link.mostOpen(), kAtOnce);
  const std::vector<std::string> order = link.started();
  const std::set<std::string> first(order.begin(), order.begin() + kCameras);
  EXPECT_EQ(first.size(), size_t(kCameras));
  std::map<std::string, int> tries;
  for (size_t i = 0; i < kCalls; ++i) ++tries[order[i]];
  ASSERT_EQ(tries.size(), size_t(kCameras));
  for (const auto& t : tries) {
    EXPECT_GE(t.second, 2) << t.first;
    EXPECT_LE(t.second, 3) << t.first;
  }
  EXPECT_EQ(link.threads().count(std::this_thread::get_id()), 0u);
}

// A turn ends with a report other than "connecting" or a refused call;
// until then the next camera waits.
TEST(ConnectRunner, AReportOrARefusalEndsTheTurn) {
  FakeLink link;
  ConnectRunner runner(via(link), 1);
  link.refuse("A");  // already connected: no attempt runs
  for (const char* id : {"A", "B", "C"}) runner.ask(inputs(id), Rank::Soon);
  ASSERT_TRUE(link.waitStarted(2));
  EXPECT_EQ(link.started(), (std::vector<std::string>{"A", "B"}));
  runner.reported("B", E_CONN_STATUS_CONNECTING);
  runner.reported("C", E_CONN_STATUS_ONLINE);  // not running: changes nothing
  EXPECT_EQ(runner.runningCount(), 1);
  EXPECT_EQ(runner.waitingCount(), 1);
  runner.reported("B", E_CONN_STATUS_ONLINE);
  ASSERT_TRUE(link.waitStarted(3));
  EXPECT_EQ(link.started().back(), "C");
}

// A camera that goes is never connected after forget() has returned: a
// connect being started for it is waited for, a queued one never starts.
TEST(ConnectRunner, ForgetWaitsForTheConnectBeingStartedAndDropsAQueuedOne) {
  FakeLink link;
  ConnectRunner runner(via(link), 1);
  link.hold("A");
  runner.ask(inputs("A"), Rank::Soon);
  runner.ask(inputs("B"), Rank::Soon);
  ASSERT_TRUE(link.waitStarted(1));
  std::atomic<bool> forgetting{false}, forgotten{false};
  std::thread goes([&] {
    forgetting = true;
    runner.forget("A");
    forgotten = true;
  });
  while (!forgetting) std::this_thread::yield();
  std::this_thread::sleep_for(50ms);  // room for a forget that would not wait
  EXPECT_FALSE(forgotten);
  link.release("A");
  goes.join();
  EXPECT_TRUE(forgotten);
  // A's turn went with it: B starts without any report of A.
  ASSERT_TRUE(link.waitStarted(2));
  EXPECT_EQ(link.started()[1], "B");

  runner.ask(inputs("C"), Rank::Soon);  // queued behind B's turn
  runner.forget("C");
  runner.reported("B", E_CONN_STATUS_OFFLINE);
  runner.ask(inputs("D"), Rank::Retry);
  ASSERT_TRUE(link.waitStarted(3));
  EXPECT_EQ(link.started(), (std::vector<std::string>{"A", "B", "D"}));
}

// A turn whose report never comes ends at its bound.
TEST(ConnectRunner, ATurnWithoutAReportEndsAtItsBound) {
  FakeLink link;
  std::atomic<int64_t> now{0};
  ConnectRunner runner(via(link), 1, [&] { return now.load(); });
  runner.ask(inputs("A"), Rank::Soon);
  runner.ask(inputs("B"), Rank::Soon);
  ASSERT_TRUE(link.waitStarted(1));
  EXPECT_EQ(runner.waitingCount(), 1);
  now = ConnectTurns::kAttemptBoundMs;
  runner.ask(inputs("C"), Rank::Retry);  // wakes the runner on the new time
  ASSERT_TRUE(link.waitStarted(2));
  EXPECT_EQ(link.started()[1], "B");
}
