// The checks every received datagram passes before anyone reads it: the
// magic byte, the header's body length against the datagram's real size,
// and the copy of the body into the caller's buffer. Socket-free, so the
// checks can be driven with any bytes.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

namespace vornet {
namespace net {

// Receive results.
constexpr int kRecvOk = 0;
constexpr int kRecvNothing = -1;
constexpr int kRecvSocketError = -2;
constexpr int kRecvBadMagic = -3;
constexpr int kRecvBadLength = -4;
constexpr int kRecvTruncated = -5;

struct Received {
  uint8_t type = 0;
  uint16_t bodyLength = 0;  // as the header says (also on -5)
  size_t copied = 0;        // body bytes copied to the caller
  sockaddr_in from{};
  int socket = -1;          // the socket that delivered
};

// `datagram` holds the first `held` bytes of a datagram whose real size
// was `total` (a receive buffer may have cut it). Fills out->type,
// bodyLength and copied, copies the body to `body` (at most `capacity`
// bytes) and returns 0, -3 (bad magic), -4 (size and length field
// disagree) or -5 (body longer than the capacity or than what was held:
// the first bytes are copied).
int check_datagram(const uint8_t* datagram, size_t held, size_t total, uint8_t* body, size_t capacity,
                   Received* out);

}  // namespace net
}  // namespace vornet
