// A received datagram as it comes off the socket: the header checks of every
// receive path, then every body reader on what passed (each reader on every
// body, whatever its type, since a reader must never read past a body).
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "net/datagram_check.h"
#include "wire/zorp_wire.h"

using namespace vornet;

namespace {

void readEverything(const uint8_t* body, size_t len) {
  sockaddr_in a{};
  int8_t code = 0;
  wire::read_hello_ack(body, len, &a);
  wire::read_result(body, len, &code);
  const wire::PeerBody peer = wire::read_peer(body, len);
  FUZZ_CHECK(std::strlen(peer.who.prefix) <= 8 && std::strlen(peer.who.id) <= 64);
  FUZZ_CHECK(len >= 77 || peer.flag == 0);
  wire::read_identity(body, len);
  wire::read_dev_reg(body, len);
  const wire::P2PReqBody req = wire::read_p2p_req(body, len);
  FUZZ_CHECK(std::strlen(req.who.id) <= 64);
  wire::LanNotifyBody notify;
  FUZZ_CHECK(wire::read_lan_notify(body, len, &notify) == (len == wire::kLanNotifyBodySize));
  wire::read_punch_to(body, len, &a);
  const wire::RelayListBody relays = wire::read_relay_list(body, len);
  FUZZ_CHECK(relays.count >= 0 && relays.count <= wire::kMaxRelaysInList);
  FUZZ_CHECK(relays.count == 0 || 4 + size_t(relays.count) * wire::kAddrBlockSize <= len);
  wire::RelayAllocAckBody alloc;
  wire::read_relay_alloc_ack(body, len, &alloc);
  wire::read_session_done(body, len);
  wire::read_relay_req(body, len);
  wire::RelayToBody to;
  wire::read_relay_to(body, len, &to);
  wire::read_relay_hello(body, len);
  wire::DrwView drw;
  if (wire::read_drw(body, len, &drw)) {
    FUZZ_CHECK(drw.data + drw.length == body + len);
    if (drw.length > 0) (void)(drw.data[0] + drw.data[drw.length - 1]);
  }
  wire::DrwAckView ack;
  if (wire::read_drw_ack(body, len, &ack)) {
    FUZZ_CHECK(ack.available <= ack.count && 4 + 2 * ack.available <= len);
    unsigned sum = 0;
    for (size_t i = 0; i < ack.available + 2; ++i) sum += ack.sequence(i);
    (void)sum;
  }
}

// One receive path: a buffer of `capacity` body bytes, as the session
// (1,280), channel (1,600) and a small caller would hold.
void check(const uint8_t* data, size_t size, size_t capacity) {
  const size_t held = size < wire::kReceiveMax ? size : wire::kReceiveMax;
  std::vector<uint8_t> body(capacity);
  net::Received rx;
  const int r = net::check_datagram(data, held, size, body.data(), capacity, &rx);
  FUZZ_CHECK(r == net::kRecvOk || r == net::kRecvBadMagic || r == net::kRecvBadLength ||
             r == net::kRecvTruncated);
  if (r == net::kRecvBadMagic || r == net::kRecvBadLength) return;
  FUZZ_CHECK(rx.copied <= capacity && rx.copied <= rx.bodyLength);
  FUZZ_CHECK(size == size_t(rx.bodyLength) + 4);
  FUZZ_CHECK((r == net::kRecvOk) == (rx.copied == rx.bodyLength));
  FUZZ_CHECK(std::memcmp(body.data(), data + 4, rx.copied) == 0);
  // The readers get exactly the copied bytes, in a buffer of that size.
  const std::vector<uint8_t> exact(body.begin(), body.begin() + long(rx.copied));
  readEverything(exact.data(), exact.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (size_t capacity : {size_t(1280), size_t(1600), size_t(16)}) check(data, size, capacity);
  return 0;
}
