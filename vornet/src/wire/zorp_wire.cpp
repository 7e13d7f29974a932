#include "wire/zorp_wire.h"

#include <arpa/inet.h>

#include <cstring>

namespace vornet {
namespace wire {

namespace {

// Bounded view of a received body: bytes past its end read as zero.
struct Body {
  const uint8_t* p;
  size_t n;
  uint8_t at(size_t i) const { return i < n ? p[i] : 0; }
  uint16_t u16(size_t i) const { return static_cast<uint16_t>((at(i) << 8) | at(i + 1)); }
  uint32_t u32(size_t i) const {
    return (static_cast<uint32_t>(at(i)) << 24) | (static_cast<uint32_t>(at(i + 1)) << 16) |
           (static_cast<uint32_t>(at(i + 2)) << 8) | at(i + 3);
  }
  void text(size_t i, size_t size, char* out) const {  // out holds size + 1
    for (size_t k = 0; k < size; ++k) out[k] = static_cast<char>(at(i + k));
    out[size] = '\0';
  }
  sockaddr_in addr(size_t i) const {
    uint8_t block[kAddrBlockSize];
    for (size_t k = 0; k < kAddrBlockSize; ++k) block[k] = at(i + k);
    return read_addr_block(block);
  }
};

uint8_t* body_of(uint8_t* out) { return out + ZORP_HEADER_SIZE; }

size_t finish(uint8_t* out, uint8_t type, size_t bodyLength) {
  write_header(out, type, static_cast<uint16_t>(bodyLength));
  return ZORP_HEADER_SIZE + bodyLength;
}

void put_identity(uint8_t* b, const char* prefix, uint32_t tag, const char* id, size_t idSize) {
  put_text(b, 8, prefix);
  put_u32(b + 8, tag);
  put_text(b + 12, idSize, id);
}

// The whole fields as sent (8-byte prefix, idSize-byte id), each followed by
// a terminator: a peer matches on up to 8 and 64 characters, so a field
// without its NUL must not read as a shorter, matching text.
PeerIdentity identity_at(const Body& b, size_t at, size_t idSize) {
  PeerIdentity who;
  b.text(at, 8, who.prefix);
  who.tag = b.u32(at + 8);
  b.text(at + 12, idSize, who.id);
  return who;
}

}  // namespace

void put_u16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

void put_u32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

uint16_t get_u16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

uint32_t get_u32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

void put_text(uint8_t* field, size_t size, const char* text) {
  std::memset(field, 0, size);
  if (text == nullptr || size == 0) return;
  const size_t n = strnlen(text, size - 1);
  std::memcpy(field, text, n);
}

bool texts_equal(const char* a, const char* b, size_t n) { return std::strncmp(a, b, n) == 0; }

size_t write_header(uint8_t* out, uint8_t type, uint16_t bodyLength) {
  out[0] = ZORP_MAGIC;
  out[1] = type;
  put_u16(out + 2, bodyLength);
  return ZORP_HEADER_SIZE;
}

bool read_header(const uint8_t* in, size_t len, ZORP_HEADER* out) {
  if (len < ZORP_HEADER_SIZE) return false;
  out->magic = in[0];
  out->type = in[1];
  out->bodyLength = get_u16(in + 2);
  return true;
}

void write_addr_block(uint8_t* out, const sockaddr_in& addr) {
  std::memset(out, 0, kAddrBlockSize);
  put_u16(out, AF_INET);
  const uint16_t port = ntohs(addr.sin_port);
  out[2] = static_cast<uint8_t>(port);
  out[3] = static_cast<uint8_t>(port >> 8);
  const uint32_t a = ntohl(addr.sin_addr.s_addr);  // a.b.c.d as a<<24 | ... | d
  out[4] = static_cast<uint8_t>(a);
  out[5] = static_cast<uint8_t>(a >> 8);
  out[6] = static_cast<uint8_t>(a >> 16);
  out[7] = static_cast<uint8_t>(a >> 24);
}

sockaddr_in read_addr_block(const uint8_t* in) {
  sockaddr_in a{};
  a.sin_family = static_cast<sa_family_t>(get_u16(in));
  a.sin_port = htons(static_cast<uint16_t>(in[2] | (in[3] << 8)));
  const uint32_t v = static_cast<uint32_t>(in[4]) | (static_cast<uint32_t>(in[5]) << 8) |
                     (static_cast<uint32_t>(in[6]) << 16) | (static_cast<uint32_t>(in[7]) << 24);
  a.sin_addr.s_addr = htonl(v);
  return a;
}

uint16_t DrwAckView::sequence(size_t i) const { return i < available ? get_u16(sequences + 2 * i) : 0; }

// ---- builders ----

size_t build_empty(uint8_t* out, uint8_t type) { return finish(out, type, 0); }

size_t build_hello_ack(uint8_t* out, const sockaddr_in& seen) {
  write_addr_block(body_of(out), seen);
  return finish(out, ZORP_MSG_HELLO_ACK, kAddrBlockSize);
}

size_t build_result(uint8_t* out, uint8_t type, int8_t code) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kResultBodySize);
  b[0] = static_cast<uint8_t>(code);
  return finish(out, type, kResultBodySize);
}

size_t build_dev_reg(uint8_t* out, const char* prefix, uint32_t tag, const char* id, uint8_t natType,
                     const sockaddr_in& local) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kDevRegBodySize);
  put_identity(b, prefix, tag, id, 64);
  b[76] = natType;
  std::memcpy(b + 77, kVersionBytes, 3);
  write_addr_block(b + 80, local);
  return finish(out, ZORP_MSG_DEV_REG, kDevRegBodySize);
}

size_t build_p2p_req(uint8_t* out, const char* prefix, uint32_t tag, const char* id, uint8_t loopFlag,
                     const sockaddr_in& local) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kP2PReqBodySize);
  put_identity(b, prefix, tag, id, 60);
  b[72] = loopFlag;
  write_addr_block(b + 76, local);
  return finish(out, ZORP_MSG_P2P_REQ, kP2PReqBodySize);
}

size_t build_lan_notify(uint8_t* out, const char* prefix, uint32_t tag, const char* id) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kLanNotifyBodySize);
  put_text(b, 8, prefix);
  b[8] = static_cast<uint8_t>(tag);
  b[9] = static_cast<uint8_t>(tag >> 8);
  b[10] = static_cast<uint8_t>(tag >> 16);
  b[11] = static_cast<uint8_t>(tag >> 24);
  b[12] = 1;
  put_text(b + 16, 64, id);
  return finish(out, ZORP_MSG_LAN_NOTIFY, kLanNotifyBodySize);
}

size_t build_punch_to(uint8_t* out, const sockaddr_in& peer) {
  write_addr_block(body_of(out), peer);
  return finish(out, ZORP_MSG_PUNCH_TO, kAddrBlockSize);
}

size_t build_peer(uint8_t* out, uint8_t type, const char* prefix, uint32_t tag, const char* id, uint8_t flag) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kPeerBodySize);
  put_identity(b, prefix, tag, id, 64);
  b[kPeerBodyFlagOffset] = flag;
  return finish(out, type, kPeerBodySize);
}

size_t build_relay_query(uint8_t* out, const char* prefix, uint32_t tag, const char* id) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kRelayQueryBodySize);
  put_identity(b, prefix, tag, id, 64);
  return finish(out, ZORP_MSG_RLY_QUERY, kRelayQueryBodySize);
}

size_t build_relay_list(uint8_t* out, const sockaddr_in* relays, uint8_t count) {
  uint8_t* b = body_of(out);
  const size_t n = count > kMaxRelaysInList ? kMaxRelaysInList : count;
  std::memset(b, 0, 4);
  b[0] = static_cast<uint8_t>(n);
  for (size_t i = 0; i < n; ++i) write_addr_block(b + 4 + kAddrBlockSize * i, relays[i]);
  return finish(out, ZORP_MSG_RLY_LIST, 4 + kAddrBlockSize * n);
}

size_t build_relay_alloc_ack(uint8_t* out, uint32_t relayTag, uint16_t relayPort) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kRelayAllocAckBodySize);
  put_u32(b, relayTag);
  put_u16(b + 4, relayPort);
  return finish(out, ZORP_MSG_RLY_ALLOC_ACK, kRelayAllocAckBodySize);
}

size_t build_session_done(uint8_t* out, uint32_t relayTag, const char* prefix, uint32_t tag, const char* id) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kSessionDoneBodySize);
  put_u32(b, relayTag);
  put_identity(b + 8, prefix, tag, id, 64);
  return finish(out, ZORP_MSG_SESSION_DONE, kSessionDoneBodySize);
}

size_t build_relay_req(uint8_t* out, const char* prefix, uint32_t tag, const char* id, const sockaddr_in& relay,
                       uint32_t relayTag) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kRelayReqBodySize);
  put_identity(b, prefix, tag, id, 64);
  write_addr_block(b + 76, relay);
  put_u32(b + 92, relayTag);
  return finish(out, ZORP_MSG_RLY_REQ, kRelayReqBodySize);
}

size_t build_relay_to(uint8_t* out, const sockaddr_in& relay, uint32_t relayTag) {
  uint8_t* b = body_of(out);
  write_addr_block(b, relay);
  put_u32(b + 16, relayTag);
  return finish(out, ZORP_MSG_RLY_TO, kRelayToBodySize);
}

size_t build_relay_hello(uint8_t* out, uint32_t relayTag, const char* prefix, uint32_t tag, const char* id,
                         uint8_t role) {
  uint8_t* b = body_of(out);
  std::memset(b, 0, kRelayHelloBodySize);
  put_u32(b, relayTag);
  put_identity(b + 4, prefix, tag, id, 64);
  b[80] = role;
  b[81] = 1;
  return finish(out, ZORP_MSG_RLY_HELLO, kRelayHelloBodySize);
}

size_t build_drw(uint8_t* out, uint8_t channel, uint16_t sequence, const uint8_t* data, size_t len) {
  if (len > kDrwMaxData) len = kDrwMaxData;
  uint8_t* b = body_of(out);
  b[0] = kDrwMarker;
  b[1] = channel;
  put_u16(b + 2, sequence);
  if (len > 0) std::memcpy(b + 4, data, len);
  return finish(out, ZORP_MSG_DRW, 4 + len);
}

size_t build_drw_ack(uint8_t* out, uint8_t channel, const uint16_t* sequences, uint16_t count) {
  if (count > kDrwAckMaxCount) count = kDrwAckMaxCount;
  uint8_t* b = body_of(out);
  b[0] = kDrwMarker;
  b[1] = channel;
  put_u16(b + 2, count);
  for (uint16_t i = 0; i < count; ++i) put_u16(b + 4 + 2 * i, sequences[i]);
  return finish(out, ZORP_MSG_DRW_ACK, 4 + 2u * count);
}

// ---- readers ----

bool read_hello_ack(const uint8_t* body, size_t len, sockaddr_in* seen) {
  if (len != kAddrBlockSize) return false;
  *seen = read_addr_block(body);
  return true;
}

bool read_result(const uint8_t* body, size_t len, int8_t* code) {
  if (len < 1) return false;
  *code = static_cast<int8_t>(body[0]);
  return true;
}

PeerBody read_peer(const uint8_t* body, size_t len) {
  const Body b{body, len};
  PeerBody out;
  out.who = identity_at(b, 0, 64);
  out.flag = len > kPeerBodyFlagOffset ? body[kPeerBodyFlagOffset] : 0;
  return out;
}

PeerIdentity read_identity(const uint8_t* body, size_t len) { return identity_at(Body{body, len}, 0, 64); }

DevRegBody read_dev_reg(const uint8_t* body, size_t len) {
  const Body b{body, len};
  DevRegBody out;
  out.who = identity_at(b, 0, 64);
  out.natType = b.at(76);
  for (size_t i = 0; i < 3; ++i) out.version[i] = b.at(77 + i);
  out.local = b.addr(80);
  return out;
}

P2PReqBody read_p2p_req(const uint8_t* body, size_t len) {
  const Body b{body, len};
  P2PReqBody out;
  out.who = identity_at(b, 0, 60);
  out.loopFlag = b.at(72);
  out.local = b.addr(76);
  return out;
}

bool read_lan_notify(const uint8_t* body, size_t len, LanNotifyBody* out) {
  if (len != kLanNotifyBodySize) return false;
  const Body b{body, len};
  b.text(0, 8, out->prefix);
  out->prefix[7] = '\0';
  out->tag = static_cast<uint32_t>(body[8]) | (static_cast<uint32_t>(body[9]) << 8) |
             (static_cast<uint32_t>(body[10]) << 16) | (static_cast<uint32_t>(body[11]) << 24);
  out->one = body[12];
  std::memcpy(out->idField, body + 16, 64);
  return true;
}

bool read_punch_to(const uint8_t* body, size_t len, sockaddr_in* peer) {
  if (len < kAddrBlockSize) return false;
  *peer = read_addr_block(body);
  return true;
}

RelayListBody read_relay_list(const uint8_t* body, size_t len) {
  RelayListBody out;
  if (len < 1) return out;
  const int announced = static_cast<int8_t>(body[0]);
  const size_t held = len > 4 ? (len - 4) / kAddrBlockSize : 0;
  int n = announced < 0 ? 0 : announced;
  if (static_cast<size_t>(n) > held) n = static_cast<int>(held);
  if (n > kMaxRelaysInList) n = kMaxRelaysInList;  // never more than a received body holds
  for (int i = 0; i < n; ++i) out.relays[i] = read_addr_block(body + 4 + kAddrBlockSize * static_cast<size_t>(i));
  out.count = n;
  return out;
}

bool read_relay_alloc_ack(const uint8_t* body, size_t len, RelayAllocAckBody* out) {
  if (len < 6) return false;
  out->relayTag = get_u32(body);
  out->relayPort = get_u16(body + 4);
  return true;
}

SessionDoneBody read_session_done(const uint8_t* body, size_t len) {
  const Body b{body, len};
  SessionDoneBody out;
  out.relayTag = b.u32(0);
  out.who = identity_at(b, 8, 64);
  out.who.prefix[7] = '\0';
  out.who.id[63] = '\0';
  return out;
}

RelayReqBody read_relay_req(const uint8_t* body, size_t len) {
  const Body b{body, len};
  RelayReqBody out;
  out.who = identity_at(b, 0, 64);
  out.relay = b.addr(76);
  out.relayTag = b.u32(92);
  return out;
}

bool read_relay_to(const uint8_t* body, size_t len, RelayToBody* out) {
  if (len < kRelayToBodySize) return false;
  out->relay = read_addr_block(body);
  out->relayTag = get_u32(body + 16);
  return true;
}

RelayHelloBody read_relay_hello(const uint8_t* body, size_t len) {
  const Body b{body, len};
  RelayHelloBody out;
  out.relayTag = b.u32(0);
  out.who = identity_at(b, 4, 64);
  out.role = b.at(80);
  out.one = b.at(81);
  return out;
}

bool read_drw(const uint8_t* body, size_t len, DrwView* out) {
  if (len < 4 || body[0] != kDrwMarker) return false;
  out->channel = body[1];
  out->sequence = get_u16(body + 2);
  out->data = body + 4;
  out->length = len - 4;
  return true;
}

bool read_drw_ack(const uint8_t* body, size_t len, DrwAckView* out) {
  if (len < 4 || body[0] != kDrwMarker) return false;
  out->channel = body[1];
  out->count = get_u16(body + 2);
  out->sequences = body + 4;
  const size_t held = (len - 4) / 2;
  out->available = out->count < held ? out->count : held;
  return true;
}

}  // namespace wire
}  // namespace vornet
