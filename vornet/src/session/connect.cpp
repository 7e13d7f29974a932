#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

#include "Vornet.h"
#include "core/library_state.h"
#include "directory/server_directory.h"
#include "net/zorp_socket.h"
#include "platform/clock.h"
#include "session/attempt_plan.h"
#include "session/nat_detect.h"
#include "session/session_open.h"
#include "session/session_table.h"
#include "session/sessions.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

namespace vornet {

namespace {

constexpr unsigned kProtoStartPauseMs = 40;

sockaddr_in listener_announce() {
  return net::address_from_text(wire::kMulticastGroup, wire::kListenerAnnouncePort);
}

// Runs the NAT detection for KV_Connect unless another connect runs one or
// a fresh one exists.  0 or -18.
int detect_if_due(const sockaddr_in servers[3], uint16_t localPort) {
  int idle = 1;
  if (!lib().detectionIdle.compare_exchange_strong(idle, 0)) return 0;
  int r = 0;
  if (detection_due()) {
    uint8_t type = 0;
    r = ZORP__DoNetWorkDetect(servers, localPort, &type);
  }
  lib().detectionIdle = 1;
  return r;
}

int open_connect_socket(uint16_t localPort, sockaddr_in* bound) {
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  if (sock < 0) return -1;
  const int one = 1;
  setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &one, sizeof(one));
  const int r = localPort != 0 ? net::bind_port(sock, localPort, bound)
                               : net::bind_random(sock, net::kBindTries, bound);
  if (r < 0) {
    close(sock);
    return -1;
  }
  return sock;
}

int connect_result(const ZORP_Session& s) {
  const int8_t st = s.connectState.load();
  if (st < 0) {
    if (s.breakFlag.load()) return -19;
    if (st == -1) return -4;
    if (st == -3) return -8;
    return -6;
  }
  if (!s.connected.load()) return (s.breakFlag.load() || lib().deinitializing.load()) ? -19 : -3;
  return 0;
}

bool loop_should_end(const ZORP_Session& s) {
  const int8_t st = s.connectState.load();
  return lib().deinitializing.load() || s.breakFlag.load() || s.connected.load() || st == -1 || st == -3;
}

void perform(ZORP_Session& s, uint32_t acts, bool alternative, const char* lanAddr) {
  const int sock = s.ioSocket.load();
  if (acts & kActLanNotify) wire::send_lan_notify(sock, listener_announce(), s.prefix, s.tag, s.id);
  if (acts & kActP2PRequest) {
    for (const sockaddr_in& server : s.servers)
      wire::send_p2p_req(sock, server, s.prefix, s.tag, s.id, alternative ? 1 : 0, s.local);
  }
  if (acts & kActLanSearch) {
    if (lanAddr != nullptr && lanAddr[0] != '\0') net::lan_search_to(sock, lanAddr);
    else net::lan_search_broadcast(sock);
  }
  if (acts & kActRelayQuery) {
    s.relayState = kRelayQuerySent;
    s.relayRetry = 1;
    if (alternative) s.relayTime = 0;
    for (const sockaddr_in& server : s.servers) wire::send_relay_query(sock, server, s.prefix, s.tag, s.id);
  }
  const int requests = ((acts & kActRelayRenew) ? 1 : 0) + ((acts & kActRelayRequest) ? 1 : 0);
  if (acts & kActRelayRenew) s.relayState = kRelayRequestSent;
  for (int k = 0; k < requests; ++k) {
    for (const sockaddr_in& server : s.servers)
      wire::send_relay_req(sock, server, s.prefix, s.tag, s.id, s.relay, s.relayTag);
  }
}

void attempt_loop(int index, uint32_t flags, const char* lanAddr, bool alternative) {
  ZORP_Session& s = session_at(index);
  ConnectPlan plan(flags, alternative);
  for (int tick = 0; tick < ConnectPlan::kMaxTicks; ++tick) {
    if (loop_should_end(s)) break;
    ConnectPlan::View v;
    v.connectState = s.connectState.load();
    v.relayState = s.relayState.load();
    v.nowMs = tick_ms();
    v.relayTimeMs = s.relayTime.load();
    const uint32_t acts = plan.step(tick, v);
    // The default loop takes the lock on every 10th tick, the other one on every tick.
    if ((acts & kActLockEveryTick) != 0 || tick % 10 == 0) {
      std::lock_guard<std::recursive_mutex> lock(mainMutex());
      perform(s, acts, alternative, lanAddr);
    } else {
      perform(s, acts, alternative, lanAddr);
    }
    sleep_ms(ConnectPlan::kTickMs);
  }
}

}  // namespace

int connect_prepare(const char* id, uint16_t localPort, uint32_t flags, const char* lanAddr) {
  if (id == nullptr || flags == 0) return -5;
  if (flags == KV_CONNECT_LAN && (lanAddr == nullptr || lanAddr[0] == '\0')) return -5;
  return ZORP_Connect_Do(lanAddr, id, kSessionPrefix, localPort, flags);
}

int ZORP_Connect_Do(const char* lanAddr, const char* id, const char* prefix, uint16_t localPort, uint32_t flags) {
  ActiveCall call;
  if (!lib().initialized.load()) return -1;
  if (std::strlen(prefix) > 7 || std::strlen(id) > 63) return -4;
  sockaddr_in servers[3];
  ZORP_ServerRecord* record = nullptr;
  int index;
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    if (copy_servers(id, servers, &record) != 0) return -24;
    record->session = -1;
    index = claim_slot(prefix, id, record);
  }
  if (index < 0) return index;
  ZORP_Session& s = session_at(index);

  const bool alternative = (flags & KV_CONNECT_ALT_LOOP) != 0;
  if (!alternative && detect_if_due(servers, localPort) == -18) return fail_open(index, -1, -18);

  sockaddr_in bound{};
  const int sock = open_connect_socket(localPort, &bound);
  if (sock < 0) return fail_open(index, -1, -18);
  session_bind_addresses(s, sock, bound, 0, servers);
  s.relayTime = 0;

  if (flags & KV_CONNECT_MULTICAST) wire::send_lan_notify(sock, listener_announce(), s.prefix, s.tag, s.id);
  send_hello_to_servers(s);
  start_proto_thread(index);
  sleep_ms(kProtoStartPauseMs);

  attempt_loop(index, flags, lanAddr, alternative);

  const int result = connect_result(s);
  if (result == 0) {
    sockaddr_in relay;
    uint32_t relayTag;
    uint8_t mode;
    {
      std::lock_guard<std::recursive_mutex> lock(mainMutex());
      relay = s.relay;
      relayTag = s.relayTag;
      mode = s.linkMode;
    }
    if (mode == 0 && relay.sin_addr.s_addr != 0)
      wire::send_session_done(sock, relay, relayTag, s.prefix, s.tag, s.id);
    send_session_done_to_servers(s);
  }
  stop_proto_thread(index);
  if (result != 0) return fail_open(index, sock, result);
  return finish_link(index);
}

}  // namespace vornet
