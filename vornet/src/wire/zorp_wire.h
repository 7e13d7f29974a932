// The datagram format: a 4-byte header (0xF1, type, big-endian body length)
// and one body layout per message type.  Builders write a whole datagram
// (header + body) into a zeroed buffer and return its length; readers take
// a body and its length and never read past it (missing bytes read as 0).
// Thread-free and socket-free, shared by the library, the simulated servers
// and the tests.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

namespace vornet {
namespace wire {

constexpr uint8_t ZORP_MAGIC = 0xF1;
constexpr size_t ZORP_HEADER_SIZE = 4;

// Message types.
constexpr uint8_t ZORP_MSG_HELLO = 0x00;
constexpr uint8_t ZORP_MSG_HELLO_ACK = 0x01;
constexpr uint8_t ZORP_MSG_DEV_REG_RESULT = 0x11;
constexpr uint8_t ZORP_MSG_DEV_REG = 0x12;
constexpr uint8_t ZORP_MSG_DEV_REG_ACK = 0x13;
constexpr uint8_t ZORP_MSG_P2P_REQ = 0x20;
constexpr uint8_t ZORP_MSG_P2P_REQ_ACK = 0x21;
constexpr uint8_t ZORP_MSG_LAN_SEARCH = 0x30;
constexpr uint8_t ZORP_MSG_LAN_NOTIFY = 0x32;
constexpr uint8_t ZORP_MSG_PUNCH_TO = 0x40;
constexpr uint8_t ZORP_MSG_PUNCH = 0x41;
constexpr uint8_t ZORP_MSG_PUNCH_ACK = 0x42;
constexpr uint8_t ZORP_MSG_LAN_PUNCH = 0x43;
constexpr uint8_t ZORP_MSG_RLY_QUERY = 0x67;
constexpr uint8_t ZORP_MSG_RLY_LIST = 0x69;
constexpr uint8_t ZORP_MSG_RLY_PROBE = 0x70;
constexpr uint8_t ZORP_MSG_RLY_PROBE_ACK = 0x71;
constexpr uint8_t ZORP_MSG_RLY_ALLOC = 0x72;
constexpr uint8_t ZORP_MSG_RLY_ALLOC_ACK = 0x73;
constexpr uint8_t ZORP_MSG_SESSION_DONE = 0x74;
constexpr uint8_t ZORP_MSG_RLY_REQ = 0x80;
constexpr uint8_t ZORP_MSG_RLY_REQ_ACK = 0x81;
constexpr uint8_t ZORP_MSG_RLY_TO = 0x82;
constexpr uint8_t ZORP_MSG_RLY_HELLO = 0x83;
constexpr uint8_t ZORP_MSG_RLY_READY = 0x84;
constexpr uint8_t ZORP_MSG_DRW = 0xD0;
constexpr uint8_t ZORP_MSG_DRW_ACK = 0xD1;
constexpr uint8_t ZORP_MSG_ALIVE = 0xE0;
constexpr uint8_t ZORP_MSG_ALIVE_ACK = 0xE1;
constexpr uint8_t ZORP_MSG_CLOSE = 0xF0;

// Body sizes.
constexpr size_t kAddrBlockSize = 16;
constexpr size_t kPeerBodySize = 88;
constexpr size_t kPeerBodyFlagOffset = 76;
constexpr size_t kDevRegBodySize = 100;
constexpr size_t kP2PReqBodySize = 92;
constexpr size_t kLanNotifyBodySize = 80;
constexpr size_t kRelayQueryBodySize = 76;
constexpr size_t kRelayAllocAckBodySize = 8;
constexpr size_t kSessionDoneBodySize = 84;
constexpr size_t kRelayReqBodySize = 96;
constexpr size_t kRelayToBodySize = 20;
constexpr size_t kRelayHelloBodySize = 84;
constexpr size_t kResultBodySize = 4;  // result code in byte 0, three zero bytes
constexpr uint8_t kDrwMarker = 0xD1;
constexpr size_t kDrwMaxData = 1024;
constexpr size_t kDrwAckMaxCount = 82;

// Buffers the datagrams are built in.
constexpr size_t kSmallDatagram = 256;
constexpr size_t kDrwDatagram = 1280;
constexpr size_t kReceiveMax = 1440;      // one recvfrom
constexpr size_t kProtoBodyCapacity = 1280;

// Ports and addresses.
constexpr uint16_t kServerPort = 60722;
constexpr uint16_t kLanSearchPort = 32108;
constexpr uint16_t kListenerAnnouncePort = 32107;
constexpr uint16_t kConnectorAnnouncePort = 32106;
constexpr const char* kMulticastGroup = "239.0.0.200";
constexpr uint8_t kVersionBytes[3] = {3, 0, 9};

struct ZORP_HEADER {
  uint8_t magic = ZORP_MAGIC;
  uint8_t type = 0;
  uint16_t bodyLength = 0;  // host order
};

// Writes the header; returns ZORP_HEADER_SIZE.
size_t write_header(uint8_t* out, uint8_t type, uint16_t bodyLength);
// false when fewer than 4 bytes.
bool read_header(const uint8_t* in, size_t len, ZORP_HEADER* out);

// Address block: family big-endian, port least significant byte first,
// address bytes reversed.  `addr` has port and address in network order.
void write_addr_block(uint8_t* out, const sockaddr_in& addr);
sockaddr_in read_addr_block(const uint8_t* in);

// The three identity fields most messages carry.
struct PeerIdentity {
  char prefix[9] = {};  // the 8-byte field (senders write at most 7 characters)
  uint32_t tag = 0;
  char id[65] = {};     // the 64-byte field (senders write at most 63 characters)
};

// Common peer body (PUNCH, PUNCH_ACK, LAN_PUNCH, RLY_READY, and the first
// 76 bytes of RLY_QUERY).
struct PeerBody {
  PeerIdentity who;
  uint8_t flag = 0;  // 0 when the body is shorter than 77 bytes
};

struct DevRegBody {
  PeerIdentity who;
  uint8_t natType = 0;
  uint8_t version[3] = {};
  sockaddr_in local{};
};

struct P2PReqBody {
  PeerIdentity who;  // id at most 59 characters
  uint8_t loopFlag = 0;
  sockaddr_in local{};
};

struct LanNotifyBody {
  char prefix[9] = {};
  uint32_t tag = 0;      // little-endian on the wire
  uint8_t one = 0;
  uint8_t idField[64] = {};  // raw id field, compared byte for byte
};

struct SessionDoneBody {
  uint32_t relayTag = 0;
  PeerIdentity who;
};

struct RelayReqBody {
  PeerIdentity who;
  sockaddr_in relay{};
  uint32_t relayTag = 0;
};

struct RelayToBody {
  sockaddr_in relay{};
  uint32_t relayTag = 0;
};

struct RelayHelloBody {
  uint32_t relayTag = 0;
  PeerIdentity who;
  uint8_t role = 0;
  uint8_t one = 0;
};

struct RelayAllocAckBody {
  uint32_t relayTag = 0;
  uint16_t relayPort = 0;  // host order
};

// As many relays as a received body (1,280 bytes at most) can carry.
constexpr int kMaxRelaysInList = static_cast<int>((kProtoBodyCapacity - 4) / kAddrBlockSize);
struct RelayListBody {
  int count = 0;  // entries filled below (count byte as signed, bounded by the body)
  sockaddr_in relays[kMaxRelaysInList]{};
};

struct DrwView {
  uint8_t channel = 0;
  uint16_t sequence = 0;
  const uint8_t* data = nullptr;
  size_t length = 0;
};

struct DrwAckView {
  uint8_t channel = 0;
  uint16_t count = 0;            // as sent
  const uint8_t* sequences = nullptr;  // count x u16 big-endian (bounded by the body)
  size_t available = 0;          // sequences the body actually holds
  uint16_t sequence(size_t i) const;
};

// ---- builders (return the datagram length, header included) ----
size_t build_empty(uint8_t* out, uint8_t type);  // HELLO, LAN_SEARCH, RLY_PROBE, RLY_ALLOC, ALIVE, ...
size_t build_hello_ack(uint8_t* out, const sockaddr_in& seen);
size_t build_result(uint8_t* out, uint8_t type, int8_t code);  // DEV_REG_RESULT/ACK, P2P_REQ_ACK
size_t build_dev_reg(uint8_t* out, const char* prefix, uint32_t tag, const char* id, uint8_t natType,
                     const sockaddr_in& local);
size_t build_p2p_req(uint8_t* out, const char* prefix, uint32_t tag, const char* id, uint8_t loopFlag,
                     const sockaddr_in& local);
size_t build_lan_notify(uint8_t* out, const char* prefix, uint32_t tag, const char* id);
size_t build_punch_to(uint8_t* out, const sockaddr_in& peer);
// PUNCH, PUNCH_ACK, LAN_PUNCH, RLY_READY
size_t build_peer(uint8_t* out, uint8_t type, const char* prefix, uint32_t tag, const char* id, uint8_t flag);
size_t build_relay_query(uint8_t* out, const char* prefix, uint32_t tag, const char* id);
// out must hold 8 + 16 x count bytes (count at most kMaxRelaysInList).
size_t build_relay_list(uint8_t* out, const sockaddr_in* relays, uint8_t count);
size_t build_relay_alloc_ack(uint8_t* out, uint32_t relayTag, uint16_t relayPort);
size_t build_session_done(uint8_t* out, uint32_t relayTag, const char* prefix, uint32_t tag, const char* id);
size_t build_relay_req(uint8_t* out, const char* prefix, uint32_t tag, const char* id, const sockaddr_in& relay,
                       uint32_t relayTag);
size_t build_relay_to(uint8_t* out, const sockaddr_in& relay, uint32_t relayTag);
size_t build_relay_hello(uint8_t* out, uint32_t relayTag, const char* prefix, uint32_t tag, const char* id,
                         uint8_t role);
// out must hold 8 + len bytes (kDrwDatagram for a full packet); len 1..1024.
size_t build_drw(uint8_t* out, uint8_t channel, uint16_t sequence, const uint8_t* data, size_t len);
// count at most kDrwAckMaxCount.
size_t build_drw_ack(uint8_t* out, uint8_t channel, const uint16_t* sequences, uint16_t count);

// ---- readers (false when the body cannot be that message) ----
bool read_hello_ack(const uint8_t* body, size_t len, sockaddr_in* seen);  // exactly 16 bytes
bool read_result(const uint8_t* body, size_t len, int8_t* code);          // at least 1 byte
PeerBody read_peer(const uint8_t* body, size_t len);
PeerIdentity read_identity(const uint8_t* body, size_t len);  // RLY_QUERY
DevRegBody read_dev_reg(const uint8_t* body, size_t len);
P2PReqBody read_p2p_req(const uint8_t* body, size_t len);
bool read_lan_notify(const uint8_t* body, size_t len, LanNotifyBody* out);  // exactly 80 bytes
bool read_punch_to(const uint8_t* body, size_t len, sockaddr_in* peer);    // at least 16 bytes
RelayListBody read_relay_list(const uint8_t* body, size_t len);
bool read_relay_alloc_ack(const uint8_t* body, size_t len, RelayAllocAckBody* out);  // at least 6 bytes
SessionDoneBody read_session_done(const uint8_t* body, size_t len);
RelayReqBody read_relay_req(const uint8_t* body, size_t len);
bool read_relay_to(const uint8_t* body, size_t len, RelayToBody* out);  // at least 20 bytes
RelayHelloBody read_relay_hello(const uint8_t* body, size_t len);
bool read_drw(const uint8_t* body, size_t len, DrwView* out);         // marker 0xD1, at least 4 bytes
bool read_drw_ack(const uint8_t* body, size_t len, DrwAckView* out);  // marker 0xD1, at least 4 bytes

// Text helpers shared by the builders and the session code.
// Copies at most size-1 characters into a zeroed field of `size` bytes.
void put_text(uint8_t* field, size_t size, const char* text);
// true when both texts are equal up to `n` characters (strncmp semantics).
bool texts_equal(const char* a, const char* b, size_t n);
// Big-endian numbers.
void put_u16(uint8_t* p, uint16_t v);
void put_u32(uint8_t* p, uint32_t v);
uint16_t get_u16(const uint8_t* p);
uint32_t get_u32(const uint8_t* p);

}  // namespace wire
}  // namespace vornet
