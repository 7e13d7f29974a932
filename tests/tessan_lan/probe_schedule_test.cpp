// The order and spacing of the probes, against a recording link.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "lan_search_sender.h"

namespace {

using tessan::lan::BroadcastList;

class RecordingLink : public tessan::lan::ProbeLink {
 public:
  std::vector<std::string> events;
  std::set<size_t> failingSends;  // 0-based send numbers that fail
  size_t stopAfterSends = SIZE_MAX;

  bool send(uint32_t addr) override {
    const size_t n = sends_++;
    events.push_back("send " + dotted(addr));
    if (sends_ >= stopAfterSends) running_ = false;
    return failingSends.count(n) == 0;
  }
  void sleepMs(int ms) override { events.push_back("sleep " + std::to_string(ms)); }
  bool running() const override { return running_; }

 private:
  static std::string dotted(uint32_t a) {
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 255) + "." +
           std::to_string((a >> 8) & 255) + "." + std::to_string(a & 255);
  }
  size_t sends_ = 0;
  bool running_ = true;
};

BroadcastList threeAddresses() {
  BroadcastList list;
  list.addrs = {0xC0A801FFu, 0xA9FEFFFFu, 0x0A0000FFu, 0};
  list.count = 3;
  return list;
}

TEST(TessanLanProbeSchedule, DefaultListSendsThreeBroadcastProbes) {
  RecordingLink link;
  tessan::lan::sendProbes(BroadcastList{}, link);
  const std::vector<std::string> expected = {
      "send 255.255.255.255", "sleep 10", "sleep 20", "send 255.255.255.255", "sleep 20",
      "send 255.255.255.255"};
  EXPECT_EQ(link.events, expected);
}

TEST(TessanLanProbeSchedule, EachPassCoversTheListTenMillisecondsApart) {
  RecordingLink link;
  tessan::lan::sendProbes(threeAddresses(), link);
  const std::vector<std::string> pass = {"sleep 20", "send 192.168.1.255", "sleep 10",
                                         "send 169.254.255.255", "sleep 10", "send 10.0.0.255"};
  std::vector<std::string> expected = {"send 255.255.255.255", "sleep 10"};
  expected.insert(expected.end(), pass.begin(), pass.end());
  expected.insert(expected.end(), pass.begin(), pass.end());
  EXPECT_EQ(link.events, expected);
}

TEST(TessanLanProbeSchedule, FailedSendEndsOnlyItsPass) {
  RecordingLink link;
  link.failingSends = {1};  // the first address of the first pass
  tessan::lan::sendProbes(threeAddresses(), link);
  const std::vector<std::string> expected = {
      "send 255.255.255.255", "sleep 10", "sleep 20", "send 192.168.1.255",
      "sleep 20", "send 192.168.1.255", "sleep 10", "send 169.254.255.255", "sleep 10",
      "send 10.0.0.255"};
  EXPECT_EQ(link.events, expected);
}

// A failed first probe still leaves both passes.
TEST(TessanLanProbeSchedule, FailedFirstProbeKeepsThePasses) {
  RecordingLink link;
  link.failingSends = {0};
  tessan::lan::sendProbes(BroadcastList{}, link);
  EXPECT_EQ(link.events.size(), 6u);
  const std::vector<std::string> expected = {
      "send 255.255.255.255", "sleep 10", "sleep 20", "send 255.255.255.255", "sleep 20",
      "send 255.255.255.255"};
  EXPECT_EQ(link.events, expected);
}

TEST(TessanLanProbeSchedule, StoppedSearchStartsNoFurtherPass) {
  RecordingLink afterFirst;
  afterFirst.stopAfterSends = 1;
  tessan::lan::sendProbes(threeAddresses(), afterFirst);
  EXPECT_EQ(afterFirst.events, (std::vector<std::string>{"send 255.255.255.255", "sleep 10"}));

  RecordingLink inFirstPass;
  inFirstPass.stopAfterSends = 2;
  tessan::lan::sendProbes(BroadcastList{}, inFirstPass);
  EXPECT_EQ(inFirstPass.events,
            (std::vector<std::string>{"send 255.255.255.255", "sleep 10", "sleep 20", "send 255.255.255.255"}));
}

TEST(TessanLanProbeSchedule, CountBeyondTheListIsCapped) {
  RecordingLink link;
  BroadcastList list = threeAddresses();
  list.count = 99;
  tessan::lan::sendProbes(list, link);
  // 1 + 2 passes of 4 addresses, no read beyond the array.
  size_t sends = 0;
  for (const auto& e : link.events) sends += e.rfind("send", 0) == 0;
  EXPECT_EQ(sends, 9u);
}

}  // namespace
