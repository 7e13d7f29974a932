// Socket helpers of the session and channel code: receive with the result
// codes every caller relies on (the checks behind them: datagram_check.h),
// binding, the LAN and announce sockets, multicast membership, the local
// address toward a peer, the LAN search and the ICMP echo.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "net/datagram_check.h"

namespace vornet {
namespace net {

// One datagram from one socket within timeoutMs.  The body goes to `body`
// (at most `capacity` bytes).  0, -1, -2, -3, -4 or -5 (datagram_check.h).
int recv_one(int sock, int timeoutMs, uint8_t* body, size_t capacity, Received* out);

// One datagram from the first readable of up to three sockets (session,
// LAN, announce; negative handles skipped, a handle given twice counts
// once) within 50 ms, body capacity 1,280.
int recv_three(int sessionSock, int lanSock, int announceSock, uint8_t* body, Received* out);

// Binds to `port` on every local address. The port, or -1 (also for 0).
int bind_port(int sock, uint16_t port, sockaddr_in* bound);

// Binds to random ports 10,000-29,999 (one process-wide generator), at
// most maxTries tries; stops early when `stop` is
// given and set.  The port, or -1.
int bind_random(int sock, int maxTries, sockaddr_in* bound, const std::atomic<bool>* stop = nullptr);
constexpr int kBindTries = 1000;

// UDP socket with SO_REUSEADDR and SO_BROADCAST bound to `port`:
// the socket, or -1 (no socket), -2 (options), -3 (bind).
int lan_socket(uint16_t port);

// IP_ADD_MEMBERSHIP for 239.0.0.200 on the default interface: 0 or -1.
int join_multicast(int sock);

// Dotted text of the local address the system would use toward `peer`
// (16 bytes, "0.0.0.0" when it cannot be had).
void local_address_toward(const sockaddr_in& peer, char out[16]);

// Dotted text -> IPv4 socket address of port `port` (network order);
// a text that is no dotted address gives 255.255.255.255.
sockaddr_in address_from_text(const char* text, uint16_t port);

// ZORP_MSG_LAN_SEARCH to one dotted address, port 32108.
int lan_search_to(int sock, const char* addressText);
// ZORP_MSG_LAN_SEARCH as a directed broadcast (last byte 255) from every
// adapter address except 127.0.0.1 and 169.254.*, once per distinct
// destination; the number of datagrams sent.
int lan_search_broadcast(int sock);
// The destination for one adapter address (network order), or false when
// that address is excluded.
bool lan_search_target(in_addr adapter, sockaddr_in* target);

// RFC 1071 Internet checksum.
uint16_t inet_checksum(const uint8_t* data, size_t len);
constexpr size_t kIcmpEchoSize = 64;
// 64-byte echo request: type 8, code 0, checksum, identifier, sequence,
// then `tick` (4 bytes, host order), rest zero.
void build_icmp_echo(uint8_t out[kIcmpEchoSize], uint16_t identifier, uint16_t sequence, uint32_t tick);
// Sends one echo request toward `peer` from a raw socket; prints the send
// result.  The sendto result, or -1 when the raw socket cannot be opened.
int send_icmp_echo(const sockaddr_in& peer, uint16_t identifier);

}  // namespace net
}  // namespace vornet
