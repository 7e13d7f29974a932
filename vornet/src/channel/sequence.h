// 16-bit circular sequence arithmetic of the channel packets.
#pragma once

#include <cstdint>

namespace vornet {
namespace channel {

// a - b taken into -32768..32767: positive when a is after b.
inline int seq_diff(int a, int b) { return static_cast<int16_t>(static_cast<uint16_t>(a - b)); }

// The shorter way round between a and b: 0..32768.
inline int seq_distance(int a, int b) {
  const int d = seq_diff(a, b);
  return d < 0 ? -d : d;
}

// Steps forward from `from` to `to`: 0..65535.
inline int seq_forward(int from, int to) { return static_cast<uint16_t>(to - from); }

// More than a third of the space: an insert that far ahead or behind is refused.
constexpr int kSequenceReach = 21845;

}  // namespace channel
}  // namespace vornet
