// One slot of the session table: a listening or connecting session from its
// claim to its close.
//
// Locking: fields marked (atomic) are polled without the lock by the waiting
// call, the protocol thread and the data threads; everything else is read or
// written under the main mutex (library_state.h), or by the one thread that
// owns the slot in its current phase (the claiming call before the protocol
// thread starts, the protocol thread while it runs, the data threads once
// linked).  The record holds atomics and threads: reset it with
// session_clear(), never with memset.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "channel/drw_state.h"

namespace vornet {

constexpr int kSessionCount = 128;
constexpr int kSocketFree = -1;
constexpr int kSocketClaiming = -2;

// relayState values.
constexpr uint8_t kRelayNone = 0;
constexpr uint8_t kRelayLinked = 1;
constexpr uint8_t kRelayQuerySent = 251;
constexpr uint8_t kRelayListReceived = 252;
constexpr uint8_t kRelayProbeAnswered = 253;
constexpr uint8_t kRelayRequestSent = 254;
constexpr uint8_t kRelayRequestAccepted = 255;

struct ZORP_Session {
  sockaddr_in remote{};      // peer, or relay when linked through one
  sockaddr_in local{};       // local address text of the last detection, bound port
  sockaddr_in publicAddr{};  // as a server reported it in ZORP_MSG_HELLO_ACK
  // (atomic) -1 free, -2 claimed and not yet linked, else the UDP socket of
  // a linked session.  Channel calls and info on a slot whose socket is
  // negative answer -11, so nothing is written to lists reset at link.
  std::atomic<int> socket{kSocketFree};
  // (atomic) the session's UDP socket from its bind on, used by the
  // waiting call and the protocol thread; published in `socket` at link.
  std::atomic<int> ioSocket{-1};
  int32_t startTime = 0;     // seconds (C time) when the link was made
  uint8_t role = 0;          // 1 listener, 0 connector
  uint8_t linkMode = 0;      // 0 direct, 1 relay

  std::atomic<uint8_t> protoStop{0};       // (atomic) protocol thread ends
  std::atomic<uint8_t> drwStop{0};         // (atomic) data threads end
  std::atomic<uint8_t> connected{0};       // (atomic) link made
  std::atomic<uint8_t> timedOut{0};        // (atomic) -13
  std::atomic<uint8_t> closedByPeer{0};    // (atomic) -12
  std::atomic<uint8_t> closedByCaller{0};  // (atomic) -14
  std::atomic<uint8_t> broken{0};          // (atomic) -20
  std::atomic<uint8_t> relayRetry{0};      // (atomic)
  std::atomic<uint8_t> breakFlag{0};       // (atomic) -19
  uint8_t drwAlgorithm = 0;  // peer's flag byte from the linking message
  std::atomic<uint32_t> relayTime{0};      // (atomic) ms of the last ZORP_MSG_RLY_ALLOC_ACK

  std::thread protoThread;

  sockaddr_in servers[3]{};  // copies of the id's server addresses
  sockaddr_in relay{};       // relay chosen by the connector

  std::atomic<int8_t> connectState{1};   // (atomic) 1 waiting; 0 accepted; <0 server code
  std::atomic<int8_t> listenState{1};    // (atomic) 1 waiting; 0 registered; <0 server code
  std::atomic<uint8_t> relayState{kRelayNone};  // (atomic)

  char prefix[8]{};
  char id[64]{};
  uint32_t tag = 0;
  uint32_t relayTag = 0;

  // (atomic) 1 from the moment KV_Listen / KV_Connect has reset the
  // channels and started the data threads until KV_Close or teardown
  // begins.  Channel writes, counts and info calls on a slot that is not
  // linked answer -11.
  std::atomic<uint8_t> linked{0};
  // (atomic) set by the one close that owns the teardown of this slot.
  std::atomic<uint8_t> closing{0};

  channel::DrwSessionState drw;
};

// Clears every field of the record except the socket word and the DRW
// lists (which drw_reset owns); connectState and listenState become 1.
void session_clear(ZORP_Session& s);

}  // namespace vornet
