// Which packets of a camera's stream a record file takes, in which order,
// and what happens when its writer falls behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/record_feed.h"

namespace {

using Verdict = RecordFeed::Verdict;

// One arriving packet: 'K' key frame, 'P' other picture, 'A' sound.
std::string verdicts(RecordFeed& feed, const std::string& packets, std::vector<uint64_t>* seqs) {
  std::string out;
  for (const char p : packets) {
    const RecordFeed::Decision d =
        p == 'A' ? feed.audio(100, {}) : feed.video(p == 'K', 1000, {});
    out += d.verdict == Verdict::Take ? 'T' : d.verdict == Verdict::Skip ? '-' : '!';
    if (d.verdict == Verdict::Take) seqs->push_back(d.seq);
  }
  return out;
}

TEST(RecordFeed, AFileBeginsAtAKeyFrameAndTakesEverythingAfterItInOrder) {
  const struct {
    const char* packets;
    const char* taken;
  } cases[] = {
      {"KPPAP", "TTTTT"},              // pressed just before a key frame
      {"PPAAPKAPAPK", "-----TTTTTT"},  // sound and pictures before it are skipped
      {"AAAA", "----"},                // sound alone starts nothing
  };
  for (const auto& c : cases) {
    RecordFeed feed;
    std::vector<uint64_t> seqs;
    EXPECT_EQ(verdicts(feed, "KPA", &seqs), "---") << "nothing is taken before a file begins";
    feed.begin();
    EXPECT_EQ(verdicts(feed, c.packets, &seqs), c.taken) << c.packets;
    for (size_t i = 0; i < seqs.size(); ++i) EXPECT_EQ(seqs[i], i) << c.packets;
    feed.end();
    EXPECT_EQ(verdicts(feed, "KPA", &seqs), "---") << "nothing is taken after the end";
  }
}

TEST(RecordFeed, TheNextFileWaitsForItsOwnKeyFrameAndCountsFromZero) {
  RecordFeed feed;
  std::vector<uint64_t> seqs;
  feed.begin();
  EXPECT_EQ(verdicts(feed, "KPP", &seqs), "TTT");
  feed.begin();  // the next file (a time limit or a new press)
  seqs.clear();
  EXPECT_EQ(verdicts(feed, "PAKP", &seqs), "--TT");
  EXPECT_EQ(seqs, (std::vector<uint64_t>{0, 1}));
}

// A writer that cannot keep up: the packet that would pass the bound ends
// the feed once, with Overflow; nothing is dropped silently before it.
TEST(RecordFeed, AWriterThatFallsTooFarBehindEndsTheFeedOnce) {
  const struct {
    const char* name;
    RecordFeed::Backlog backlog;
    uint64_t bytes;
  } cases[] = {
      {"bytes", {RecordFeed::kMaxQueuedBytes - 999, 10}, 1000},
      {"packets", {4096, RecordFeed::kMaxQueuedPackets}, 10},
  };
  for (const auto& c : cases) {
    RecordFeed feed;
    feed.begin();
    EXPECT_EQ(feed.video(true, 10, {}).verdict, Verdict::Take) << c.name;
    RecordFeed::Backlog below = c.backlog;
    below.bytes -= 1;
    below.packets = c.backlog.packets - 1;
    EXPECT_EQ(feed.audio(c.bytes, below).verdict, Verdict::Take) << c.name << ": just within";
    EXPECT_EQ(feed.audio(c.bytes, c.backlog).verdict, Verdict::Overflow) << c.name;
    EXPECT_FALSE(feed.open()) << c.name;
    EXPECT_EQ(feed.video(true, 10, {}).verdict, Verdict::Skip) << c.name << ": reported once";
  }
}

}  // namespace
