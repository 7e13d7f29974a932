// Send helpers, one per message the session code sends (the channel engine
// sends through its DatagramSink).  Each builds the datagram and sends it
// with one sendto of header plus body to an IPv4 destination (the family is
// set here), returning the sendto result.
//
// Helpers toward peers and servers (HELLO, P2P_REQ, RLY_PROBE, RLY_QUERY,
// RLY_REQ, RLY_HELLO, SESSION_DONE, PUNCH, PUNCH_ACK, LAN_PUNCH) send
// nothing and return -1 for the destination 0.0.0.0.  The helpers toward a
// rendezvous server (HELLO, DEV_REG, P2P_REQ, RLY_QUERY, RLY_REQ,
// SESSION_DONE) also refuse 255.255.255.255: an unparsable server text is
// stored as the all-ones address and must never turn into a broadcast.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

namespace vornet {
namespace wire {

// Sends an already built datagram to `to` (family forced to IPv4).
int send_datagram(int sock, const uint8_t* datagram, size_t len, sockaddr_in to);

int send_hello(int sock, const sockaddr_in& server);
int send_dev_reg(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id,
                 uint8_t natType, const sockaddr_in& local);
int send_p2p_req(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id,
                 uint8_t loopFlag, const sockaddr_in& local);
int send_lan_search(int sock, const sockaddr_in& to);
int send_lan_notify(int sock, const sockaddr_in& to, const char* prefix, uint32_t tag, const char* id);
int send_punch(int sock, const sockaddr_in& peer, const char* prefix, uint32_t tag, const char* id);
int send_punch_ack(int sock, const sockaddr_in& peer, const char* prefix, uint32_t tag, const char* id,
                   uint8_t flag);
int send_lan_punch(int sock, const sockaddr_in& peer, const char* prefix, uint32_t tag, const char* id);
int send_relay_query(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id);
int send_relay_probe(int sock, const sockaddr_in& relay);
int send_relay_alloc(int sock, const sockaddr_in& relay);
int send_session_done(int sock, const sockaddr_in& to, uint32_t relayTag, const char* prefix, uint32_t tag,
                      const char* id);
int send_relay_req(int sock, const sockaddr_in& server, const char* prefix, uint32_t tag, const char* id,
                   const sockaddr_in& relay, uint32_t relayTag);
int send_relay_hello(int sock, const sockaddr_in& relay, uint32_t relayTag, const char* prefix, uint32_t tag,
                     const char* id, uint8_t role);
int send_alive_ack(int sock, const sockaddr_in& peer);
int send_close(int sock, const sockaddr_in& peer);

// The destination rules above, by message type: true when a datagram of
// `type` must not go to `to`.
bool destination_refused(uint8_t type, const sockaddr_in& to);
// send_datagram after the destination rules; -1 when refused.
int send_checked(int sock, const uint8_t* datagram, size_t len, const sockaddr_in& to);

// Destination tests.
bool is_any_address(const sockaddr_in& a);        // 0.0.0.0
bool is_all_ones_address(const sockaddr_in& a);   // 255.255.255.255

}  // namespace wire
}  // namespace vornet
