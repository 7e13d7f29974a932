// The per-search memory of reported devices.
#include <gtest/gtest.h>

#include <cstdio>

#include "lan_search_seen.h"

namespace {

using tessan::lan::MacText;
using tessan::lan::SeenTable;

MacText mac(unsigned n) {
  MacText t{};
  std::snprintf(t.data(), t.size(), "02:00:00:00:%02X:%02X", (n >> 8) & 0xFF, n & 0xFF);
  return t;
}

TEST(TessanLanSeenTable, RemembersEachDeviceOnceUntilCleared) {
  SeenTable seen;
  EXPECT_TRUE(seen.remember(mac(1)));
  EXPECT_FALSE(seen.remember(mac(1)));
  EXPECT_TRUE(seen.remember(mac(2)));
  EXPECT_FALSE(seen.remember(mac(1)));
  seen.clear();
  EXPECT_TRUE(seen.remember(mac(1)));
  EXPECT_TRUE(seen.remember(mac(2)));
}

// Entries compare as whole 20-byte texts: a text that differs only after its
// NUL is still a different entry, texts with equal prefixes are different.
TEST(TessanLanSeenTable, ComparesWholeEntries) {
  SeenTable seen;
  MacText a = mac(7);
  MacText b = a;
  b[19] = 'x';
  MacText c = a;
  c[16] = 'F';
  EXPECT_TRUE(seen.remember(a));
  EXPECT_TRUE(seen.remember(b));
  EXPECT_TRUE(seen.remember(c));
  EXPECT_EQ(seen.size(), 3u);
}

// Beyond 210 devices nothing more is remembered or reported, and the
// devices already there stay remembered.
TEST(TessanLanSeenTable, IsBoundedAt210Devices) {
  SeenTable seen;
  for (unsigned i = 0; i < tessan::lan::kMaxLanDevices; ++i) ASSERT_TRUE(seen.remember(mac(i))) << i;
  EXPECT_EQ(seen.size(), 210u);
  EXPECT_FALSE(seen.remember(mac(210)));
  EXPECT_FALSE(seen.remember(mac(211)));
  EXPECT_FALSE(seen.remember(mac(0)));
  EXPECT_FALSE(seen.remember(mac(209)));
  EXPECT_EQ(seen.size(), 210u);
  seen.clear();
  EXPECT_TRUE(seen.remember(mac(210)));
}

}  // namespace
