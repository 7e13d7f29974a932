#include "p2p/frame_nodes.h"

#include <QDebug>

#include <cstring>
#include <new>
#include <utility>

namespace {

// The node's private copy of size bytes from source, in a buffer from
// `allocate` (size). With nothing to copy, or when no buffer can be had
// (logged with the node's class name), the node is left empty: null data
// and size 0.
template <typename Buffer, typename Allocate>
Buffer copyInto(const uint8_t* source, uint32_t& size, const char* className, Allocate allocate) {
  if (source == nullptr || size == 0) {
    size = 0;
    return Buffer();
  }
  Buffer copy = allocate(size);
  if (copy) {
    std::memcpy(copy.get(), source, size);
  } else {
    qDebug() << "malloc err" << className;
    size = 0;
  }
  return copy;
}

std::unique_ptr<uint8_t[]> takeCopy(const uint8_t* source, uint32_t& size, const char* className) {
  return copyInto<std::unique_ptr<uint8_t[]>>(source, size, className, [](uint32_t n) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n]);
  });
}

// A picture's copy goes into a buffer of `pool`, or without one into a
// plain allocation.
PictureBuffer takePictureCopy(const uint8_t* source, uint32_t& size, PicturePool* pool) {
  return copyInto<PictureBuffer>(source, size, "P2P_VideoNode_Decode", [pool](uint32_t n) {
    return pool ? pool->take(n) : PictureBuffer(new (std::nothrow) uint8_t[n], PictureRelease{});
  });
}

}  // namespace

P2P_VideoNode_noDecode::P2P_VideoNode_noDecode(int nFlag_, int width_, int height_, int fps_,
                                               uint64_t nTimeStamp_, uint32_t size_,
                                               const uint8_t* data_)
    : nFlag(nFlag_), width(width_), height(height_), nTimeStamp(nTimeStamp_), size(size_),
      fps(fps_), data(takeCopy(data_, size, "P2P_VideoNode_noDecode")) {}

P2P_VideoNode_Decode::P2P_VideoNode_Decode(uint64_t nTimeStamp_, int width_, int height_, int fps_,
                                           const uint8_t* data_, uint32_t size_, PicturePool* pool)
    : nTimeStamp(nTimeStamp_), width(width_), height(height_), fps(fps_), size(size_),
      data(takePictureCopy(data_, size, pool)) {}

P2P_VideoNode_Decode::P2P_VideoNode_Decode(uint64_t nTimeStamp_, int width_, int height_, int fps_,
                                           PictureBuffer data_, uint32_t size_)
    : nTimeStamp(nTimeStamp_), width(width_), height(height_), fps(fps_),
      size(data_ ? size_ : 0), data(std::move(data_)) {}

P2P_AudioNode_noDecode::P2P_AudioNode_noDecode(int type_, uint64_t nTimeStamp_,
                                               const uint8_t* data_, uint32_t size_)
    : type(type_), nTimeStamp(nTimeStamp_), size(size_),
      data(takeCopy(data_, size, "P2P_AudioNode_noDecode")) {}

P2P_AudioNode_Decode::P2P_AudioNode_Decode(uint64_t nTimeStamp_, const uint8_t* data_,
                                           uint32_t size_)
    : nTimeStamp(nTimeStamp_), size(size_),
      data(takeCopy(data_, size, "P2P_AudioNode_Decode")) {}
