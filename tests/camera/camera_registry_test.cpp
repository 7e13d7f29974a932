// The registry the device-link callbacks find cameras in: first and last
// of one id, unknown ids, and removal while another thread visits: a
// visit in progress is waited for and none starts afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "device/camera_registry.h"

namespace {
// Qt's own event dispatcher instead of GLib's, whose eventfd wake-ups across
// Qt's own threads ThreadSanitizer cannot see into. Set before main() makes
// the application.
const int kNoGlib = setenv("QT_NO_GLIB", "1", 1);
}  // namespace

namespace {

struct Probe {
  std::atomic<bool> alive{true};
  std::atomic<int> visits{0};
};

TEST(CameraRegistry, FirstForMessagesLastForFramesUnknownIdsVisitNothing) {
  DeviceRegistry<Probe> registry;
  Probe a, b, c;
  registry.add("CAM1", &a);
  registry.add("CAM1", &b);
  registry.add("CAM2", &c);
  Probe* seen = nullptr;
  EXPECT_TRUE(registry.visitFirst("CAM1", [&](Probe* p) { seen = p; }));
  EXPECT_EQ(seen, &a);
  EXPECT_TRUE(registry.visitLast("CAM1", [&](Probe* p) { seen = p; }));
  EXPECT_EQ(seen, &b);
  EXPECT_FALSE(registry.visitFirst("cam1", [&](Probe*) { ADD_FAILURE(); }));  // case counts
  EXPECT_FALSE(registry.visitLast("", [&](Probe*) { ADD_FAILURE(); }));
  EXPECT_EQ(registry.size(), 3u);

  registry.remove("CAM1", &a);
  EXPECT_TRUE(registry.visitFirst("CAM1", [&](Probe* p) { seen = p; }));
  EXPECT_EQ(seen, &b);
  registry.remove("CAM1", &b);
  registry.remove("CAM1", &b);  // twice: nothing
  registry.remove("CAM9", &c);  // not under that id: nothing
  EXPECT_FALSE(registry.visitFirst("CAM1", [&](Probe*) { ADD_FAILURE(); }));
  EXPECT_EQ(registry.size(), 1u);
}

// One thread visits as fast as it can (the device link's receive thread),
// the test thread removes probes and marks them dead right after remove()
// returns (the camera's destructor). A visit of a dead probe is the fault.
TEST(CameraRegistry, RemoveWaitsForAVisitAndNoneFollows) {
  DeviceRegistry<Probe> registry;
  constexpr int kProbes = 200;
  std::vector<std::unique_ptr<Probe>> probes;
  for (int i = 0; i < kProbes; ++i) {
    probes.push_back(std::make_unique<Probe>());
    registry.add("CAM" + std::to_string(i % 4), probes.back().get());
  }
  std::atomic<bool> stop{false};
  std::atomic<int> deadVisits{0};
  std::atomic<long> visits{0};
  std::thread visitor([&] {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (long n = 0; !stop.load() && std::chrono::steady_clock::now() < end; ++n) {
      auto visit = [&](Probe* p) {
        if (!p->alive.load()) deadVisits++;
        p->visits++;
        if (!p->alive.load()) deadVisits++;
      };
      const std::string id = "CAM" + std::to_string(n % 4);
      if (n % 2) registry.visitFirst(id, visit); else registry.visitLast(id, visit);
      visits++;
    }
  });
  const auto started = std::chrono::steady_clock::now();
  while (visits.load() < 1000 && std::chrono::steady_clock::now() - started < std::chrono::seconds(10))
    std::this_thread::yield();
  for (int i = kProbes - 1; i >= 0; --i) {
    registry.remove("CAM" + std::to_string(i % 4), probes[size_t(i)].get());
    probes[size_t(i)]->alive.store(false);
  }
  stop.store(true);
  visitor.join();
  EXPECT_EQ(deadVisits.load(), 0);
  EXPECT_EQ(registry.size(), 0u);
}

}  // namespace
