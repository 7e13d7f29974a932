// Datagrams for the tests, built byte by byte (not with the library's
// builders) so a layout fault on both ends cannot cancel out.
#pragma once

#include <cstdint>
#include <vector>

namespace testbytes {

using Bytes = std::vector<uint8_t>;

inline void put16(Bytes& b, int v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}

inline Bytes datagram(uint8_t type, const Bytes& body) {
  Bytes b = {0xF1, type};
  put16(b, static_cast<int>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// ZORP_MSG_DRW with `length` data bytes, each (sequence + index) & 0xFF.
inline Bytes drw(int channel, int sequence, int length, uint8_t marker = 0xD1) {
  Bytes body = {marker, static_cast<uint8_t>(channel)};
  put16(body, sequence);
  for (int i = 0; i < length; ++i) body.push_back(static_cast<uint8_t>(sequence + i));
  return datagram(0xD0, body);
}

// ZORP_MSG_DRW_ACK whose count field says `count` and whose body holds `listed`.
inline Bytes drwAck(int channel, int count, const std::vector<int>& listed, uint8_t marker = 0xD1) {
  Bytes body = {marker, static_cast<uint8_t>(channel)};
  put16(body, count);
  for (int s : listed) put16(body, s);
  return datagram(0xD1, body);
}

inline Bytes drwAck(int channel, const std::vector<int>& listed) {
  return drwAck(channel, static_cast<int>(listed.size()), listed);
}

inline std::vector<int> range(int from, int count) {
  std::vector<int> v;
  for (int i = 0; i < count; ++i) v.push_back(static_cast<uint16_t>(from + i));
  return v;
}

}  // namespace testbytes
