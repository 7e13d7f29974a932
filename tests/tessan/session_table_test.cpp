// The session table: growth at half load, lookups across probing, removal.
#include "session_table.h"

#include <gtest/gtest.h>

#include <string>
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
