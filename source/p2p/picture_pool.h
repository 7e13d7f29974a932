// Buffers for decoded pictures, used again once their picture is gone.
//
// A decoded picture is megabytes (3 MB at 1080p). Made fresh for every
// picture, its block comes from wherever the heap has room: when the heap
// has just given the pages of the last pictures back to the system (it
// does so for large freed blocks at its top, depending on the order in
// which the display frees them and the decoder asks again), the copy into
// the new block touches new pages, and that costs many times the copy
// itself (about 30 ms instead of 0.7 ms a 1080p picture on a virtual
// machine): the decode thread then falls behind the camera. Buffers taken
// from here were touched before and stay mapped.
//
// Threads: take() on the decode thread, buffers come back from whichever
// thread frees their picture (the display tick, a queue's clear); every
// call takes the pool's own mutex. A buffer that outlives its pool is
// simply freed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class PicturePool;

// Gives a buffer back to its pool, or frees it (no pool, or the pool is gone).
struct PictureRelease {
  std::weak_ptr<PicturePool> pool;
  uint32_t capacity = 0;
  void operator()(uint8_t* buffer) const;
};

using PictureBuffer = std::unique_ptr<uint8_t[], PictureRelease>;

class PicturePool : public std::enable_shared_from_this<PicturePool> {
 public:
  // Keeps at most `keep` free buffers; more are freed as they come back.
  static std::shared_ptr<PicturePool> create(size_t keep);

  // A buffer of at least `size` bytes (its bytes as the last picture left
  // them); null when none can be had. Kept buffers too small for `size`
  // (the camera's picture grew), or more than twice as big (the pictures
  // are shown smaller now: their memory goes back), are freed on the way.
  PictureBuffer take(uint32_t size);
  // Frees every kept buffer (a play's end: a camera that does not play
  // holds no picture memory).
  void clear();
  size_t kept() const;
  // Buffers made so far (not taken again from the kept ones).
  uint64_t made() const;

 private:
  explicit PicturePool(size_t keep) : keep_(keep) {}
  friend struct PictureRelease;
  void giveBack(uint8_t* buffer, uint32_t capacity);

  struct Kept {
    std::unique_ptr<uint8_t[]> buffer;
    uint32_t capacity;
  };
  const size_t keep_;
  mutable std::mutex mutex_;
  std::vector<Kept> free_;
  uint64_t made_ = 0;
};
