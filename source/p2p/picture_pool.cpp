#include "p2p/picture_pool.h"

#include <new>

void PictureRelease::operator()(uint8_t* buffer) const {
  if (!buffer) return;
  if (std::shared_ptr<PicturePool> p = pool.lock()) {
    p->giveBack(buffer, capacity);
    return;
  }
  delete[] buffer;
}

std::shared_ptr<PicturePool> PicturePool::create(size_t keep) {
  return std::shared_ptr<PicturePool>(new PicturePool(keep));
}

PictureBuffer PicturePool::take(uint32_t size) {
  std::vector<Kept> tooSmall;  // freed outside the lock
  {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!free_.empty()) {
      Kept k = std::move(free_.back());
      free_.pop_back();
      if (k.capacity >= size && k.capacity / 2 <= size)
        return PictureBuffer(k.buffer.release(), PictureRelease{weak_from_this(), k.capacity});
      tooSmall.push_back(std::move(k));
    }
  }
  if (size == 0) return PictureBuffer(nullptr, PictureRelease{});
  uint8_t* fresh = new (std::nothrow) uint8_t[size];
  if (!fresh) return PictureBuffer(nullptr, PictureRelease{});
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++made_;
  }
  return PictureBuffer(fresh, PictureRelease{weak_from_this(), size});
}

void PicturePool::giveBack(uint8_t* buffer, uint32_t capacity) {
  std::unique_ptr<uint8_t[]> owned(buffer);  // freed outside the lock unless kept
  std::lock_guard<std::mutex> lock(mutex_);
  if (free_.size() < keep_) free_.push_back(Kept{std::move(owned), capacity});
}

void PicturePool::clear() {
  std::vector<Kept> gone;  // freed outside the lock
  std::lock_guard<std::mutex> lock(mutex_);
  gone.swap(free_);
}

size_t PicturePool::kept() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return free_.size();
}

uint64_t PicturePool::made() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return made_;
}
