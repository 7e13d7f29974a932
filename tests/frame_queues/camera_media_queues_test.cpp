// The camera's six queues under real threads: a producer and a consumer in
// order, the record path that moves packet nodes on without copying, and the
// clear operations that each empty exactly their own queue.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <thread>

#include "p2p/camera_media_queues.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFrames = 20000;
constexpr auto kTimeLimit = std::chrono::seconds(20);

// Payload of frame i: its number in the first four bytes, then i's low byte.
std::vector<uint8_t> payloadOf(int i) {
  std::vector<uint8_t> bytes(8 + i % 61, static_cast<uint8_t>(i));
  std::memcpy(bytes.data(), &i, sizeof i);
  return bytes;
}

bool payloadMatches(const uint8_t* data, uint32_t size, int i) {
  const std::vector<uint8_t> expected = payloadOf(i);
  return data != nullptr && size == expected.size() &&
         std::memcmp(data, expected.data(), size) == 0;
}

// The A/V callback's role: build each node from a reused buffer and append it.
void producePackets(CameraMediaQueues& queues) {
  for (int i = 0; i < kFrames; ++i) {
    const std::vector<uint8_t> payload = payloadOf(i);
    queues.videoPacketQueue.push(std::make_unique<P2P_VideoNode_noDecode>(
        i % 25 == 0 ? 0 : 1, 1280, 720, 25, static_cast<uint64_t>(i),
        static_cast<uint32_t>(payload.size()), payload.data()));
    queues.audioPacketQueue.push(std::make_unique<P2P_AudioNode_noDecode>(
        0, static_cast<uint64_t>(i), payload.data(), static_cast<uint32_t>(payload.size())));
  }
}

TEST(CameraMediaQueues, ProducerConsumerKeepsOrderAndOwnership) {
  CameraMediaQueues queues;
  const auto deadline = Clock::now() + kTimeLimit;
  std::thread producer(producePackets, std::ref(queues));

  // The decode threads' role: take each packet; every second video packet
  // goes on to the record queue (moved, as while recording) and is freed by
  // the record thread, the others are freed here.
  int videoSeen = 0;
  int audioSeen = 0;
  int moved = 0;
  bool inOrder = true;
  bool intact = true;
  std::atomic<int> recorded{0};
  std::atomic<bool> recorderOk{true};
  std::atomic<bool> producingDone{false};
  std::thread recorder([&] {
    int expected = 0;
    while (Clock::now() < deadline) {
      auto node = queues.recordVideoQueue.take();
      if (!node) {
        if (producingDone && queues.recordVideoQueue.empty()) break;
        std::this_thread::yield();
        continue;
      }
      // Nodes arrive in order, still holding the bytes they were built with.
      const int i = static_cast<int>(node->nTimeStamp);
      if (i < expected || !payloadMatches(node->data.get(), node->size, i)) recorderOk = false;
      expected = i + 1;
      ++recorded;
    }  // each node is freed here, by the record thread only
  });

  while ((videoSeen < kFrames || audioSeen < kFrames) && Clock::now() < deadline) {
    bool idle = true;
    if (auto packet = queues.videoPacketQueue.take()) {
      idle = false;
      const int i = static_cast<int>(packet->nTimeStamp);
      inOrder = inOrder && i == videoSeen;
      intact = intact && payloadMatches(packet->data.get(), packet->size, i) &&
               packet->nFlag == (i % 25 == 0 ? 0 : 1);
      ++videoSeen;
      if (i % 2 == 0) {
        queues.recordVideoQueue.push(std::move(packet));
        ++moved;
      }
    }
    if (auto audio = queues.audioPacketQueue.take()) {
      idle = false;
      const int i = static_cast<int>(audio->nTimeStamp);
      inOrder = inOrder && i == audioSeen;
      intact = intact && payloadMatches(audio->data.get(), audio->size, i);
      ++audioSeen;
      queues.audioFrameQueue.push(std::make_unique<P2P_AudioNode_Decode>(
          audio->nTimeStamp, audio->data.get(), audio->size));
      queues.audioFrameQueue.take();  // the play thread's role, freed at once
    }
    if (idle) std::this_thread::yield();
  }
  producer.join();
  producingDone = true;
  recorder.join();

  EXPECT_EQ(videoSeen, kFrames);
  EXPECT_EQ(audioSeen, kFrames);
  EXPECT_TRUE(inOrder);
  EXPECT_TRUE(intact);
  EXPECT_EQ(recorded, moved);
  EXPECT_TRUE(recorderOk);
  EXPECT_TRUE(queues.recordVideoQueue.empty());
}

TEST(CameraMediaQueues, MovingANodeOnKeepsItsBytes) {
  CameraMediaQueues queues;
  const std::vector<uint8_t> payload = payloadOf(3);
  queues.videoPacketQueue.push(std::make_unique<P2P_VideoNode_noDecode>(
      0, 8, 8, 25, 3, static_cast<uint32_t>(payload.size()), payload.data()));
  auto packet = queues.videoPacketQueue.take();
  const uint8_t* bytes = packet->data.get();
  queues.recordVideoQueue.push(std::move(packet));
  auto recorded = queues.recordVideoQueue.take();
  ASSERT_NE(recorded, nullptr);
  EXPECT_EQ(recorded->data.get(), bytes);
  EXPECT_TRUE(payloadMatches(recorded->data.get(), recorded->size, 3));
}

struct ClearCase {
  std::string name;
  void (CameraMediaQueues::*clear)();
  int queueIndex;  // the queue that clear empties, in member order
};

void PrintTo(const ClearCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::size_t> sizes(const CameraMediaQueues& q) {
  return {q.videoPacketQueue.size(), q.videoFrameQueue.size(), q.audioPacketQueue.size(),
          q.audioFrameQueue.size(),  q.recordVideoQueue.size(), q.recordAudioQueue.size()};
}

void fillEveryQueue(CameraMediaQueues& q, int count) {
  const uint8_t byte = 1;
  for (int i = 0; i < count; ++i) {
    q.videoPacketQueue.push(std::make_unique<P2P_VideoNode_noDecode>(0, 2, 2, 1, i, 1, &byte));
    q.videoFrameQueue.push(std::make_unique<P2P_VideoNode_Decode>(i, 2, 2, 1, &byte, 1));
    q.audioPacketQueue.push(std::make_unique<P2P_AudioNode_noDecode>(0, i, &byte, 1));
    q.audioFrameQueue.push(std::make_unique<P2P_AudioNode_Decode>(i, &byte, 1));
    q.recordVideoQueue.push(std::make_unique<P2P_VideoNode_noDecode>(0, 2, 2, 1, i, 1, &byte));
    q.recordAudioQueue.push(std::make_unique<P2P_AudioNode_noDecode>(0, i, &byte, 1));
  }
}

class ClearOperations : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ClearOperations, EmptiesExactlyItsQueue) {
  CameraMediaQueues queues;
  (queues.*GetParam().clear)();  // clearing empty queues does nothing
  EXPECT_EQ(sizes(queues), std::vector<std::size_t>(6, 0));
  fillEveryQueue(queues, 3);
  (queues.*GetParam().clear)();
  std::vector<std::size_t> expected(6, 3);
  expected[static_cast<std::size_t>(GetParam().queueIndex)] = 0;
  EXPECT_EQ(sizes(queues), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Queues, ClearOperations,
    ::testing::Values(
        ClearCase{"videoPacketQueue", &CameraMediaQueues::clear_videoPacketQueue, 0},
        ClearCase{"videoFrameQueue", &CameraMediaQueues::clear_videoFrameQueue, 1},
        ClearCase{"audioPacketQueue", &CameraMediaQueues::clear_audioPacketQueue, 2},
        ClearCase{"audioFrameQueue", &CameraMediaQueues::clear_audioFrameQueue, 3},
        ClearCase{"recordVideoQueue", &CameraMediaQueues::clear_recordVideoQueue, 4},
        ClearCase{"recordAudioQueue", &CameraMediaQueues::clear_recordAudioQueue, 5}),
    [](const auto& param) { return param.param.name; });

TEST(CameraMediaQueues, ClearAllEmptiesEveryQueue) {
  CameraMediaQueues queues;
  fillEveryQueue(queues, 2);
  queues.clear_allQueues();
  EXPECT_EQ(sizes(queues), std::vector<std::size_t>(6, 0));
}

// A consumer that took a node before the clear still owns it and frees it;
// the clear frees only what was still queued.
TEST(CameraMediaQueues, NodeTakenBeforeClearStaysWithItsConsumer) {
  CameraMediaQueues queues;
  fillEveryQueue(queues, 2);
  auto taken = queues.videoFrameQueue.take();
  queues.clear_videoFrameQueue();
  ASSERT_NE(taken, nullptr);
  EXPECT_EQ(taken->nTimeStamp, 0u);
  EXPECT_EQ(taken->data[0], 1);
  EXPECT_TRUE(queues.videoFrameQueue.empty());
}

}  // namespace
