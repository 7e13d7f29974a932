// Picture buffers used again: a picture's buffer comes back to its pool when
// its node is freed, on whichever thread, and the next picture gets the
// same memory; the pool keeps a bounded number, frees what no longer fits,
// and a buffer that outlives its pool is simply freed.
#include "p2p/picture_pool.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "p2p/frame_nodes.h"
#include "p2p/frame_queue.h"

namespace {

TEST(PicturePool, ABufferComesBackAndIsTakenAgain) {
  auto pool = PicturePool::create(2);
  PictureBuffer a = pool->take(1000);
  ASSERT_TRUE(a);
  const uint8_t* first = a.get();
  a.reset();
  EXPECT_EQ(pool->kept(), 1u);
  PictureBuffer b = pool->take(800);  // a smaller picture fits the same buffer
  EXPECT_EQ(b.get(), first);
  EXPECT_EQ(pool->made(), 1u);
  EXPECT_EQ(pool->kept(), 0u);
}

TEST(PicturePool, KeepsAtMostItsBoundAndFreesWhatNoLongerFits) {
  auto pool = PicturePool::create(2);
  {
    std::vector<PictureBuffer> three;
    for (int i = 0; i < 3; ++i) three.push_back(pool->take(100));
  }
  EXPECT_EQ(pool->made(), 3u);
  EXPECT_EQ(pool->kept(), 2u) << "the third went back to the system";
  PictureBuffer big = pool->take(200);  // the camera's picture grew
  ASSERT_TRUE(big);
  EXPECT_EQ(pool->made(), 4u);
  EXPECT_EQ(pool->kept(), 0u) << "buffers too small for the stream are freed";
  big.reset();
  PictureBuffer small = pool->take(100);  // shown smaller: the 200-byte buffer still serves
  EXPECT_EQ(pool->made(), 4u);
  small.reset();
  PictureBuffer tiny = pool->take(40);  // far smaller: that memory goes back
  ASSERT_TRUE(tiny);
  EXPECT_EQ(pool->made(), 5u);
  EXPECT_EQ(pool->kept(), 0u) << "a buffer more than twice the picture's size is freed";
  tiny.reset();
  pool->clear();
  EXPECT_EQ(pool->kept(), 0u);
  EXPECT_FALSE(pool->take(0)) << "an empty picture needs no buffer";
}

TEST(PicturePool, ABufferOutlivingItsPoolIsFreed) {
  PictureBuffer orphan;
  {
    auto pool = PicturePool::create(4);
    orphan = pool->take(64);
    ASSERT_TRUE(orphan);
  }
  orphan.reset();  // no pool to go back to: freed (the sanitizer builds check it)
}

TEST(PicturePool, DecodedPicturesReuseTheBuffersOfThePicturesShown) {
  auto pool = PicturePool::create(3);
  FrameQueue<P2P_VideoNode_Decode> queue;
  std::vector<uint8_t> picture(640 * 360 * 3 / 2);
  // The display thread frees what it took; the decode thread makes the next.
  for (int i = 0; i < 100; ++i) {
    picture[0] = uint8_t(i);
    queue.push(std::make_unique<P2P_VideoNode_Decode>(uint64_t(40 * i), 640, 360, 25, picture.data(),
                                                      uint32_t(picture.size()), pool.get()));
    std::thread display([&] {
      auto shown = queue.take();
      ASSERT_TRUE(shown);
      ASSERT_TRUE(shown->data);
      EXPECT_EQ(shown->size, picture.size());
      EXPECT_EQ(shown->data[0], uint8_t(i)) << "the node holds its own copy";
    });
    display.join();
  }
  EXPECT_EQ(pool->made(), 1u) << "one buffer served every picture";
  // Without a pool a node makes its own, freed with it.
  const P2P_VideoNode_Decode plain(0, 640, 360, 25, picture.data(), uint32_t(picture.size()));
  ASSERT_TRUE(plain.data);
  EXPECT_EQ(pool->made(), 1u);
}

}  // namespace
