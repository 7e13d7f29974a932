// The session table: growth at half load, lookups across probing, removal.
#include "session_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using tessan::DeviceSession;
using tessan::SessionTable;

namespace {

DeviceSession* tag(size_t i) { return reinterpret_cast<DeviceSession*>(0x1000 + i * 16); }

std::vector<std::string> serials(int n) {
  std::vector<std::string> v;
  for (int i = 0; i < n; ++i) v.push_back("VEK" + std::to_string(100000 + i * 7919));
  return v;
}

// Hash and home slot of a serial, worked out by hand from the algorithm
// (byte-wise CRC-32 without inversions, the mixing steps, the golden-ratio
// multiply), for a 256- and a 512-slot table.
struct HomeCase {
  const char* sn;
  uint32_t hash;
  int slot256, slot512;
};

class SerialHash : public ::testing::TestWithParam<HomeCase> {};

TEST_P(SerialHash, GivesTheHomeSlot) {
  const HomeCase& c = GetParam();
  EXPECT_EQ(tessan::snHash(c.sn), c.hash);
  for (const auto& [capacity, home] : {std::pair<int, int>{256, c.slot256}, {512, c.slot512}}) {
    SessionTable t(capacity);
    ASSERT_TRUE(t.insert(c.sn, tag(1)));
    EXPECT_EQ(t.slot(home).occupied, 1) << "capacity " << capacity;
    EXPECT_STREQ(t.slot(home).key, c.sn) << "capacity " << capacity;
  }
}

INSTANTIATE_TEST_SUITE_P(Serials, SerialHash,
                         ::testing::Values(HomeCase{"a", 0x18d6a2a8u, 40, 40},
                                           HomeCase{"CAM1", 0x1615e178u, 248, 504},
                                           HomeCase{"VEK000001", 0x1f3c75d6u, 246, 246},
                                           HomeCase{"VEK123456", 0x0e990127u, 247, 247},
                                           HomeCase{"QZ-7731-AB", 0x0500809du, 141, 397},
                                           HomeCase{"ABCDEFGHIJKLMNOPQRS", 0x0edbfb3eu, 222, 478},
                                           HomeCase{"\xc3\xa9t\xc3\xa9", 0x1a816c77u, 71, 327}));

TEST(SessionTable, DoublesAtHalfLoadAndKeepsEveryEntry) {
  SessionTable t;
  const std::vector<std::string> sn = serials(129);
  for (int i = 0; i < 128; ++i) ASSERT_TRUE(t.insert(sn[size_t(i)].c_str(), tag(size_t(i))));
  EXPECT_EQ(t.used(), 128);
  ASSERT_EQ(t.capacity(), 256) << "no growth below half load";
  ASSERT_TRUE(t.insert(sn[128].c_str(), tag(128)));
  EXPECT_EQ(t.capacity(), 512);
  EXPECT_EQ(t.used(), 129);
  for (size_t i = 0; i < sn.size(); ++i) EXPECT_EQ(t.find(sn[i].c_str()), tag(i)) << sn[i];
}

TEST(SessionTable, ManyEntriesStayReachableWithinEightProbes) {
  SessionTable t;
  const std::vector<std::string> sn = serials(2000);
  for (size_t i = 0; i < sn.size(); ++i) ASSERT_TRUE(t.insert(sn[i].c_str(), tag(i)));
  for (size_t i = 0; i < sn.size(); ++i) ASSERT_EQ(t.find(sn[i].c_str()), tag(i));
  EXPECT_EQ(t.used(), 2000);
  EXPECT_LE(t.used(), t.capacity() / 2 + 1);
}

TEST(SessionTable, SameKeyReplacesAndRemoveFrees) {
  SessionTable t;
  ASSERT_TRUE(t.insert("CAM-A", tag(1)));
  ASSERT_TRUE(t.insert("CAM-A", tag(2)));
  EXPECT_EQ(t.used(), 1);
  EXPECT_EQ(t.find("CAM-A"), tag(2));
  EXPECT_EQ(t.find("CAM-B"), nullptr);
  t.remove("CAM-B");
  EXPECT_EQ(t.used(), 1);
  t.remove("CAM-A");
  EXPECT_EQ(t.used(), 0);
  EXPECT_EQ(t.find("CAM-A"), nullptr);
}

TEST(SessionTable, FreedSlotsDoNotEndALookup) {
  SessionTable t;
  const std::vector<std::string> sn = serials(100);
  for (size_t i = 0; i < sn.size(); ++i) t.insert(sn[i].c_str(), tag(i));
  for (size_t i = 0; i < sn.size(); i += 2) t.remove(sn[i].c_str());
  for (size_t i = 1; i < sn.size(); i += 2) EXPECT_EQ(t.find(sn[i].c_str()), tag(i));
  for (size_t i = 0; i < sn.size(); i += 2) EXPECT_EQ(t.find(sn[i].c_str()), nullptr);
}

}  // namespace
