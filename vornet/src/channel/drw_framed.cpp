// Framed messages on a channel: the 4-byte header (length in the low 24
// bits, little-endian, type in byte 3) and the payload, assembled across
// as many reads as the payload needs to arrive.
#include <algorithm>
#include <cstring>
#include <new>

#include "channel/drw_engine.h"

namespace vornet {
namespace channel {

namespace {

constexpr int kHeaderBytes = 4;

void closeHeld(HeldStream& h) {
  h.open = false;
  h.length = 0;
  h.type = 0;
}

// Takes up to `want` bytes from the front of the held bytes.
int takeFront(HeldStream& h, uint8_t* out, int want) {
  const int n = std::min(want, static_cast<int>(h.bytes.size()));
  if (n <= 0) return 0;
  std::memcpy(out, h.bytes.data(), static_cast<size_t>(n));
  h.bytes.erase(h.bytes.begin(), h.bytes.begin() + n);
  if (h.bytes.empty()) std::vector<uint8_t>().swap(h.bytes);
  return n;
}

}  // namespace

int DrwEngine::heldBytes(int channel) const { return static_cast<int>(drw_.channels[channel].held.bytes.size()); }

int DrwEngine::takeHeld(int channel, uint8_t* out, int want) {
  HeldStream& h = drw_.channels[channel].held;
  closeHeld(h);
  return takeFront(h, out, want);
}

FramedPass DrwEngine::framedPass(int channel, uint8_t* out, int capacity) {
  HeldStream& h = drw_.channels[channel].held;
  FramedPass pass;
  if (!h.open) {
    if (heldBytes(channel) + inOrderBytes(channel) < kHeaderBytes) return pass;
    uint8_t header[kHeaderBytes];
    int got = takeFront(h, header, kHeaderBytes);
    got += takeInOrder(channel, header + got, kHeaderBytes - got);
    pass.length = header[0] | (header[1] << 8) | (header[2] << 16);
    pass.type = header[3];
    if (pass.length > capacity) {
      pass.result = FramedPass::TooSmall;
      return pass;
    }
    if (pass.length == 0) {
      pass.result = FramedPass::Delivered;
      return pass;
    }
    h.open = true;
    h.length = pass.length;
    h.type = pass.type;
  }
  pass.length = h.length;
  pass.type = h.type;
  if (h.length > capacity) {
    pass.result = FramedPass::TooSmall;
    return pass;
  }
  const int have = static_cast<int>(h.bytes.size());
  const int more = std::min(h.length - have, inOrderBytes(channel));
  if (more > 0) {
    try {
      h.bytes.resize(static_cast<size_t>(have + more));
    } catch (const std::bad_alloc&) {
      markBroken();
      pass.result = FramedPass::Broken;
      return pass;
    }
    takeInOrder(channel, h.bytes.data() + have, more);
  }
  if (static_cast<int>(h.bytes.size()) < h.length) return pass;
  takeFront(h, out, h.length);
  closeHeld(h);
  pass.result = FramedPass::Delivered;
  return pass;
}

}  // namespace channel
}  // namespace vornet
