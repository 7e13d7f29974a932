// The camera's bound on packets in flight: what it hands to the transport
// given the bytes still unacknowledged, in order, never beyond the window.
#include "send_window.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

camera::Bytes count(size_t n, uint8_t from) {
  camera::Bytes b(n);
  std::iota(b.begin(), b.end(), from);
  return b;
}

TEST(SendWindow, HandsOverWhatFillsTheWindowInOrder) {
  camera::SendWindow w(4, 10);  // 4 packets of 10 bytes: 40 bytes in flight at most
  w.add(count(30, 0));
  w.add(count(30, 30));
  const struct {
    uint64_t unacknowledged;
    size_t handed, left;
  } steps[] = {
      {0, 40, 20},   // an empty window takes 40
      {40, 0, 20},   // nothing acknowledged: nothing more
      {55, 0, 20},   // more than the window waits (the transport's own rest)
      {25, 15, 5},   // 15 acknowledged
      {0, 5, 0},     // the rest
      {0, 0, 0},
  };
  camera::Bytes all;
  for (const auto& s : steps) {
    const camera::Bytes out = w.take(s.unacknowledged);
    EXPECT_EQ(out.size(), s.handed) << "with " << s.unacknowledged << " unacknowledged";
    EXPECT_EQ(w.waiting(), s.left);
    all.insert(all.end(), out.begin(), out.end());
  }
  EXPECT_EQ(all, count(60, 0)) << "bytes out of order or lost";
}

TEST(SendWindow, NoBoundHandsOverEverything) {
  camera::SendWindow w(0);
  w.add(count(5000, 0));
  EXPECT_EQ(w.take(1u << 30).size(), 5000u);
  EXPECT_EQ(w.waiting(), 0u);
}

}  // namespace
