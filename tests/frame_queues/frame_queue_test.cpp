// FrameQueue: order, ownership, dropping of the oldest nodes, and that nodes
// are freed outside the queue's lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "p2p/frame_queue.h"

namespace {

// A node that counts the live instances of its kind.
struct CountedNode {
  static std::atomic<int> live;
  explicit CountedNode(int v) : value(v) { ++live; }
  ~CountedNode() { --live; }
  int value;
};
std::atomic<int> CountedNode::live{0};

class FrameQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { CountedNode::live = 0; }
  void TearDown() override { EXPECT_EQ(CountedNode::live, 0) << "nodes leaked or lost"; }

  std::vector<int> drain() {
    std::vector<int> values;
    while (auto node = queue.take()) values.push_back(node->value);
    return values;
  }

  FrameQueue<CountedNode> queue;
};

TEST_F(FrameQueueTest, FirstInFirstOut) {
  EXPECT_TRUE(queue.empty());
  EXPECT_EQ(queue.take(), nullptr);
  for (int i = 1; i <= 4; ++i) queue.push(std::make_unique<CountedNode>(i));
  queue.push(nullptr);  // ignored
  EXPECT_EQ(queue.size(), 4u);
  EXPECT_FALSE(queue.empty());
  auto head = queue.take();
  ASSERT_NE(head, nullptr);
  EXPECT_EQ(head->value, 1);
  EXPECT_EQ(CountedNode::live, 4) << "the taken node now belongs to the consumer";
  head.reset();
  EXPECT_EQ(CountedNode::live, 3);
  queue.push(std::make_unique<CountedNode>(5));
  EXPECT_EQ(drain(), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_TRUE(queue.empty());
}

TEST_F(FrameQueueTest, ClearFreesEverything) {
  EXPECT_EQ(queue.clear(), 0u);  // an empty queue: nothing happens
  for (int i = 0; i < 5; ++i) queue.push(std::make_unique<CountedNode>(i));
  EXPECT_EQ(queue.clear(), 5u);
  EXPECT_EQ(CountedNode::live, 0);
  EXPECT_TRUE(queue.empty());
  queue.push(std::make_unique<CountedNode>(9));  // still usable
  EXPECT_EQ(drain(), (std::vector<int>{9}));
}

TEST_F(FrameQueueTest, DroppingOldestKeepsTheNewest) {
  std::vector<std::size_t> dropped;
  for (int i = 1; i <= 6; ++i)
    dropped.push_back(queue.pushDroppingOldest(std::make_unique<CountedNode>(i), 3));
  EXPECT_EQ(dropped, (std::vector<std::size_t>{0, 0, 0, 1, 1, 1}));
  EXPECT_EQ(CountedNode::live, 3) << "dropped nodes must be freed";
  EXPECT_EQ(queue.pushDroppingOldest(std::make_unique<CountedNode>(7), 1), 3u);
  EXPECT_EQ(queue.pushDroppingOldest(std::make_unique<CountedNode>(8), 0), 1u);  // 0 keeps one
  EXPECT_EQ(queue.pushDroppingOldest(nullptr, 1), 0u);
  EXPECT_EQ(drain(), (std::vector<int>{8}));
}

TEST_F(FrameQueueTest, DropFrontWhileSeesHeadTailAndCount) {
  EXPECT_EQ(queue.dropFrontWhile([](const CountedNode&, const CountedNode&, std::size_t) { return true; }), 0u);
  for (int i = 1; i <= 6; ++i) queue.push(std::make_unique<CountedNode>(i));
  std::vector<std::string> seen;
  // Drop while the tail is more than 3 ahead of the head.
  const std::size_t dropped = queue.dropFrontWhile([&](const CountedNode& head, const CountedNode& tail, std::size_t n) {
    seen.push_back(std::to_string(head.value) + "/" + std::to_string(tail.value) + "/" + std::to_string(n));
    return tail.value - head.value > 3;
  });
  EXPECT_EQ(dropped, 2u);
  EXPECT_EQ(seen, (std::vector<std::string>{"1/6/6", "2/6/5", "3/6/4"}));
  EXPECT_EQ(CountedNode::live, 4) << "dropped nodes must be freed";
  EXPECT_EQ(queue.dropFrontWhile([](const CountedNode&, const CountedNode&, std::size_t) { return true; }), 4u);
  EXPECT_TRUE(queue.empty());
}

// A node whose destructor uses the queue from another thread: if the queue
// freed it while holding its lock, that thread could not get in until the
// destructor returned.
struct ProbeNode;
using ProbeQueue = FrameQueue<ProbeNode>;
struct ProbeNode {
  ProbeQueue* queue;
  std::atomic<int>* lockFreeDuringFree;
  std::vector<std::thread>* probes;
  ~ProbeNode() {
    auto reached = std::make_shared<std::atomic<bool>>(false);
    ProbeQueue* q = queue;
    probes->emplace_back([q, reached] {
      q->size();
      *reached = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!*reached && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (*reached) ++*lockFreeDuringFree;
  }
};

TEST(FrameQueueLocking, NodesAreFreedOutsideTheLock) {
  ProbeQueue queue;
  std::atomic<int> lockFree{0};
  std::vector<std::thread> probes;
  auto probeNode = [&](ProbeQueue* q) {
    return std::unique_ptr<ProbeNode>(new ProbeNode{q, &lockFree, &probes});
  };
  for (int i = 0; i < 2; ++i) queue.push(probeNode(&queue));
  queue.clear();
  queue.push(probeNode(&queue));
  queue.pushDroppingOldest(probeNode(&queue), 1);
  queue.push(probeNode(&queue));
  queue.dropFrontWhile([](const ProbeNode&, const ProbeNode&, std::size_t n) { return n > 1; });
  for (std::thread& probe : probes) probe.join();
  EXPECT_EQ(lockFree, 4) << "a node was freed while the queue's lock was held";
  // The last node is freed by its consumer; let it probe a queue that
  // outlives it.
  ProbeQueue other;
  auto last = queue.take();
  last->queue = &other;
  last.reset();
  for (std::thread& probe : probes)
    if (probe.joinable()) probe.join();
}

}  // namespace

// The newest of the due head nodes is taken, the older due ones freed and
// counted; nodes after the first one not due stay, in order.
TEST_F(FrameQueueTest, TakeNewestDueSkipsTheOlderDueOnes) {
  const struct {
    std::vector<int> queued;
    int dueUpTo;  // nodes with a value up to this are due
    int taken;    // -1: none
    size_t skipped;
    std::vector<int> left;
  } cases[] = {
      {{}, 5, -1, 0, {}},
      {{1, 2, 3}, 0, -1, 0, {1, 2, 3}},
      {{1, 2, 3}, 1, 1, 0, {2, 3}},
      {{1, 2, 3, 4}, 3, 3, 2, {4}},
      {{1, 2, 3}, 9, 3, 2, {}},
      {{1, 5, 2}, 3, 1, 0, {5, 2}},  // stops at the first one not due
  };
  for (const auto& c : cases) {
    for (int v : c.queued) queue.push(std::make_unique<CountedNode>(v));
    size_t skipped = 7;
    auto node = queue.takeNewestDue([&](const CountedNode& n) { return n.value <= c.dueUpTo; }, &skipped);
    EXPECT_EQ(node ? node->value : -1, c.taken);
    EXPECT_EQ(skipped, 7 + c.skipped) << "skipped are added to the count";
    node.reset();
    EXPECT_EQ(CountedNode::live, int(c.left.size())) << "skipped nodes must be freed";
    EXPECT_EQ(drain(), c.left);
  }
}
