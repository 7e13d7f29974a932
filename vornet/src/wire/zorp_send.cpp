#include "wire/zorp_send.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include "wire/zorp_wire.h"

namespace vornet {
namespace wire {

namespace {

bool is_peer_or_server_message(uint8_t type) {
  switch (type) {
    case ZORP_MSG_HELLO:
    case ZORP_MSG_P2P_REQ:
    case ZORP_MSG_RLY_PROBE:
    case ZORP_MSG_RLY_QUERY:
    case ZORP_MSG_RLY_REQ:
    case ZORP_MSG_RLY_HELLO:
    case ZORP_MSG_SESSION_DONE:
    case ZORP_MSG_PUNCH:
    case ZORP_MSG_PUNCH_ACK:
    case ZORP_MSG_LAN_PUNCH:
      return true;
    default:
      return false;
  }
}

bool is_server_message(uint8_t type) {
  switch (type) {
    case ZORP_MSG_HELLO:
    case ZORP_MSG_DEV_REG:
    case ZORP_MSG_P2P_REQ:
    case ZORP_MSG_RLY_QUERY:
    case ZORP_MSG_RLY_REQ:
    case ZORP_MSG_SESSION_DONE:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool destination_refused(uint8_t type, const sockaddr_in& to) {
  if (is_peer_or_server_message(type) && is_any_address(to)) return true;
  return is_server_message(type) && (is_any_address(to) || is_all_ones_address(to));
}

int send_checked(int sock, const uint8_t* datagram, size_t len, const sockaddr_in& to) {
  if (len >= ZORP_HEADER_SIZE && destination_refused(datagram[1], to)) return -1;
  return send_datagram(sock, datagram, len, to);
}

bool is_any_address(const sockaddr_in& a) { return a.sin_addr.s_addr == htonl(INADDR_ANY); }
bool is_all_ones_address(const sockaddr_in& a) { return a.sin_addr.s_addr == htonl(INADDR_BROADCAST); }

int send_datagram(int sock, const uint8_t* datagram, size_t len, sockaddr_in to) {
  to.sin_family = AF_INET;
  return static_cast<int>(sendto(sock, datagram, len, 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to)));
}

int send_hello(int sock, const sockaddr_in& server) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_empty(b, ZORP_MSG_HELLO), server);
}

int send_dev_reg(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id,
                 uint8_t natType, const sockaddr_in& local) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_dev_reg(b, prefix, tag, id, natType, local), server);
}

int send_p2p_req(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id,
                 uint8_t loopFlag, const sockaddr_in& local) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_p2p_req(b, prefix, tag, id, loopFlag, local), server);
}

int send_lan_search(int sock, const sockaddr_in& to) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_empty(b, ZORP_MSG_LAN_SEARCH), to);
}

int send_lan_notify(int sock, const sockaddr_in& to, const char* prefix, uint32_t tag, const char* id) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_lan_notify(b, prefix, tag, id), to);
}

int send_punch(int sock, const sockaddr_in& peer, const char* prefix, uint32_t tag, const char* id) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_peer(b, ZORP_MSG_PUNCH, prefix, tag, id, 1), peer);
}

int send_punch_ack(int sock, const sockaddr_in& peer, const char* prefix, uint32_t tag, const char* id,
                   uint8_t flag) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_peer(b, ZORP_MSG_PUNCH_ACK, prefix, tag, id, flag), peer);
}

int send_lan_punch(int sock, const sockaddr_in& peer, const char* prefix, uint32_t tag, const char* id) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_peer(b, ZORP_MSG_LAN_PUNCH, prefix, tag, id, 1), peer);
}

int send_relay_query(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_relay_query(b, prefix, tag, id), server);
}

int send_relay_probe(int sock, const sockaddr_in& relay) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_empty(b, ZORP_MSG_RLY_PROBE), relay);
}

int send_relay_alloc(int sock, const sockaddr_in& relay) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_empty(b, ZORP_MSG_RLY_ALLOC), relay);
}

int send_session_done(int sock, const sockaddr_in& to, uint32_t relayTag, const char* prefix, uint32_t tag,
                      const char* id) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_session_done(b, relayTag, prefix, tag, id), to);
}

int send_relay_req(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id,
                   const sockaddr_in& relay, uint32_t relayTag) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_relay_req(b, prefix, tag, id, relay, relayTag), server);
}

int send_relay_hello(int sock, const sockaddr_in& relay, uint32_t relayTag, const char* prefix, uint32_t tag,
                     const char* id, uint8_t role) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_relay_hello(b, relayTag, prefix, tag, id, role), relay);
}

int send_alive_ack(int sock, const sockaddr_in& peer) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_empty(b, ZORP_MSG_ALIVE_ACK), peer);
}

int send_close(int sock, const sockaddr_in& peer) {
  uint8_t b[kSmallDatagram] = {};
  return send_checked(sock, b, build_empty(b, ZORP_MSG_CLOSE), peer);
}

}  // namespace wire
}  // namespace vornet
