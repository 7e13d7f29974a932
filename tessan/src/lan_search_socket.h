// The LAN search socket on POSIX: opening it on the search port or on a
// fall-back port, one bounded wait-and-read, sending a probe, shutting it
// down.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace tessan::lan {

// Results of openSearchSocket other than a descriptor.
constexpr int kOpenNoSocket = -1;      // socket() failed
constexpr int kOpenOptionFailed = -2;  // SO_BROADCAST or SO_REUSEADDR refused
constexpr int kOpenRcvBufRead = -3;    // SO_RCVBUF could not be read
constexpr int kOpenRcvBufSet = -4;     // SO_RCVBUF could not be set
constexpr int kOpenBindFailed = -5;    // the port could not be bound

// Results of waitAndRead other than a length (> 0).
constexpr int kReadTimeout = 0;     // nothing within the wait
constexpr int kPollFailed = -1;     // the wait itself failed
constexpr int kReadFailed = -2;     // the read failed
constexpr int kEmptyDatagram = -3;  // a datagram without bytes
constexpr int kNotReadable = -4;    // woken, but not for data (error, invalid descriptor)
constexpr int kShutDown = -5;       // the socket was shut down
constexpr int kOversize = -6;       // a datagram longer than the buffer (dropped whole)

// Fall-back ports: 64000 + (ms mod 100) + 10 * k, k = 0..9 (64000-64189).
constexpr uint16_t kFallbackBase = 64000;
uint16_t fallbackPort(uint32_t msSinceStart, unsigned k);

// Hands out fall-back ports with a counter k that runs 0, 1, ..., 9, 0, ...
class FallbackPorts {
 public:
  uint16_t next(uint32_t msSinceStart);

 private:
  std::atomic<unsigned> k_{0};
};

// Milliseconds since the system started (wraps at 2^32).
uint32_t msSinceStart();

// UDP socket with broadcast and address reuse on, a receive buffer four times
// the default, bound to any local address on `port`; port 0 takes the next
// fall-back port of the process (stored in *chosenPort when given).
// Returns the descriptor or one of the kOpen codes; on failure nothing stays
// open.
int openSearchSocket(uint16_t port, uint16_t* chosenPort = nullptr);

// Waits up to timeoutMs for a datagram and reads it into buf (cap bytes);
// the bytes beyond the datagram are left as they are.
int waitAndRead(int fd, uint8_t* buf, size_t cap, int timeoutMs);

// Sends the probe to addr:kProbePort (addr in host byte order). False when
// the send failed.
bool sendProbe(int fd, uint32_t addr);

// Wakes every thread waiting on fd; the descriptor stays valid.
void shutDownSocket(int fd);
void closeSocket(int fd);

}  // namespace tessan::lan
