#include "net/datagram_check.h"

#include <cstring>

#include "wire/zorp_wire.h"

namespace vornet {
namespace net {

int check_datagram(const uint8_t* datagram, size_t held, size_t total, uint8_t* body, size_t capacity,
                   Received* out) {
  if (held < 1 || datagram[0] != wire::ZORP_MAGIC) return kRecvBadMagic;
  if (held < wire::ZORP_HEADER_SIZE) return kRecvBadLength;
  wire::ZORP_HEADER h;
  wire::read_header(datagram, held, &h);
  out->type = h.type;
  out->bodyLength = h.bodyLength;
  if (total != static_cast<size_t>(h.bodyLength) + wire::ZORP_HEADER_SIZE) return kRecvBadLength;
  const size_t available = held - wire::ZORP_HEADER_SIZE;
  size_t copy = h.bodyLength;
  int result = kRecvOk;
  if (copy > capacity) {
    copy = capacity;
    result = kRecvTruncated;
  }
  if (copy > available) {
    copy = available;
    result = kRecvTruncated;
  }
  if (copy > 0) std::memcpy(body, datagram + wire::ZORP_HEADER_SIZE, copy);
  out->copied = copy;
  return result;
}

}  // namespace net
}  // namespace vornet
