// Each node keeps its constructor's values in the right fields (the argument
// order differs from the field order) and owns a private copy of the bytes.
#include <gtest/gtest.h>

#include <vector>

#include "p2p/frame_nodes.h"

namespace {

const std::vector<uint8_t> kBytes = {1, 2, 3, 4, 5, 0xFF, 0};

template <typename Node>
void expectPrivateCopy(const Node& node, std::vector<uint8_t>& source) {
  ASSERT_EQ(node.size, source.size());
  ASSERT_NE(node.data, nullptr);
  EXPECT_NE(node.data.get(), source.data());
  const std::vector<uint8_t> before = source;
  source.assign(source.size(), 0x77);  // the producer reuses its buffer
  EXPECT_EQ(std::vector<uint8_t>(node.data.get(), node.data.get() + node.size), before);
}

TEST(FrameNodes, VideoPacketNode) {
  std::vector<uint8_t> source = kBytes;
  const P2P_VideoNode_noDecode node(2, 1920, 1080, 25, 0x1'0000'0001ull,
                                    static_cast<uint32_t>(source.size()), source.data());
  EXPECT_EQ(node.nFlag, 2);
  EXPECT_EQ(node.width, 1920);
  EXPECT_EQ(node.height, 1080);
  EXPECT_EQ(node.fps, 25);
  EXPECT_EQ(node.nTimeStamp, 0x1'0000'0001ull);
  expectPrivateCopy(node, source);
}

TEST(FrameNodes, DecodedPictureNode) {
  std::vector<uint8_t> source = kBytes;
  const P2P_VideoNode_Decode node(0x2'0000'0003ull, 640, 360, 15, source.data(),
                                  static_cast<uint32_t>(source.size()));
  EXPECT_EQ(node.nTimeStamp, 0x2'0000'0003ull);
  EXPECT_EQ(node.width, 640);
  EXPECT_EQ(node.height, 360);
  EXPECT_EQ(node.fps, 15);
  expectPrivateCopy(node, source);
}

TEST(FrameNodes, AudioNodes) {
  std::vector<uint8_t> raw = kBytes;
  const P2P_AudioNode_noDecode packet(3, 0x3'0000'0004ull, raw.data(),
                                      static_cast<uint32_t>(raw.size()));
  EXPECT_EQ(packet.type, 3);
  EXPECT_EQ(packet.nTimeStamp, 0x3'0000'0004ull);
  expectPrivateCopy(packet, raw);

  std::vector<uint8_t> pcm = kBytes;
  const P2P_AudioNode_Decode decoded(0x4'0000'0005ull, pcm.data(),
                                     static_cast<uint32_t>(pcm.size()));
  EXPECT_EQ(decoded.nTimeStamp, 0x4'0000'0005ull);
  expectPrivateCopy(decoded, pcm);
}

// No source bytes: the node holds nothing, and says so with size 0, so no
// consumer reads a length's worth through a null pointer.
TEST(FrameNodes, NoSourceBytesMeansAnEmptyNode) {
  const P2P_VideoNode_noDecode packet(0, 2, 2, 1, 0, 4096, nullptr);
  EXPECT_EQ(packet.size, 0u);
  EXPECT_EQ(packet.data, nullptr);
  const P2P_AudioNode_Decode pcm(0, nullptr, 320);
  EXPECT_EQ(pcm.size, 0u);
  EXPECT_EQ(pcm.data, nullptr);
  const uint8_t byte = 9;
  const P2P_AudioNode_noDecode empty(0, 0, &byte, 0);
  EXPECT_EQ(empty.size, 0u);
  EXPECT_EQ(empty.data, nullptr);
}

}  // namespace
