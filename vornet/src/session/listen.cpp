#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

#include "Vornet.h"
#include "core/library_state.h"
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

sockaddr_in announce_target(const char* text) { return net::address_from_text(text, wire::kConnectorAnnouncePort); }

void announce(const ZORP_Session& s, bool multicast) {
  if (multicast) wire::send_lan_notify(s.ioSocket.load(), announce_target(wire::kMulticastGroup), s.prefix, s.tag, s.id);
  wire::send_lan_notify(s.ioSocket.load(), announce_target("255.255.255.255"), s.prefix, s.tag, s.id);
}

void register_with_servers(const ZORP_Session& s) {
  const uint8_t nat = lib().natType.load();
  sockaddr_in local;
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    local = s.local;
  }
  for (const sockaddr_in& server : s.servers)
    if (server.sin_addr.s_addr != 0) wire::send_dev_reg(s.ioSocket.load(), server, s.prefix, s.tag, s.id, nat, local);
}

void wait_for_peer(const ZORP_Session& s, uint32_t flags, bool counterEven) {
  LibraryState& l = lib();
  const ListenPlan plan((flags & KV_LISTEN_NO_DETECT) != 0, (flags & KV_LISTEN_MULTICAST) != 0, counterEven);
  const uint64_t startLimit = plan.tickLimit(l.listenCountdown.load());
  for (uint64_t tick = 0; tick < (plan.rereadsLimit() ? plan.tickLimit(l.listenCountdown.load()) : startLimit);
       ++tick) {
    if (l.listenBreak.load() || s.connected.load() || s.listenState.load() < 0) break;
    const uint32_t acts = plan.step(tick);
    if (acts & kActLanNotify)
      wire::send_lan_notify(s.ioSocket.load(), announce_target(wire::kMulticastGroup), s.prefix, s.tag, s.id);
    if (acts & kActRegister) register_with_servers(s);
    sleep_ms(plan.tickMs());
  }
}

int listen_result(const ZORP_Session& s) {
  const int8_t st = s.listenState.load();
  if (st == -1) return -4;
  if (st == -2) return -9;
  if (st == -3) return -8;
  if (st < 0 || !s.connected.load()) return lib().listenBreak.load() ? -16 : -3;
  return 0;
}

}  // namespace

int ZORP_Listen_Do(const char* id, uint16_t detectPort, uint32_t timeoutAndFlags) {
  ActiveCall call;
  LibraryState& l = lib();
  if (!l.initialized.load()) return -1;
  const uint32_t wait = timeoutAndFlags & KV_LISTEN_WAIT_MASK;
  if (wait < 1 || wait > KV_LISTEN_MAX_WAIT) return -5;
  sockaddr_in servers[3];
  if (copy_servers(id, servers, nullptr) != 0) return -24;
  const int index = claim_slot(kSessionPrefix, id, nullptr);
  if (index < 0) return index;
  ZORP_Session& s = session_at(index);
  l.listenBreak = false;
  l.listenCountdown = static_cast<int>(wait);
  // A de-initialise that began after the check above has set the break flag
  // this call just cleared: end as broken instead of waiting the whole time.
  if (!l.initialized.load()) return fail_open(index, -1, -16);

  if ((timeoutAndFlags & KV_LISTEN_NO_DETECT) == 0 && detection_due()) {
    uint8_t type = 0;
    if (ZORP__DoNetWorkDetect(servers, detectPort, &type) == -18) return fail_open(index, -1, -18);
  }

  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  if (sock < 0) return fail_open(index, -1, -25);
  // No SO_REUSEADDR on the session socket: with it two sessions could bind
  // the same random port and take each other's datagrams.
  const int one = 1;
  setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &one, sizeof(one));
  sockaddr_in bound{};
  // A break between the tries ends the listen as broken, not as a bind failure.
  if (net::bind_random(sock, net::kBindTries, &bound, &l.listenBreak) < 0)
    return fail_open(index, sock, l.listenBreak.load() ? -16 : -18);

  session_bind_addresses(s, sock, bound, 1, servers);
  const bool counterEven = (l.listenCounter.fetch_add(1) + 1) % 2 == 0;
  const bool multicast = (timeoutAndFlags & KV_LISTEN_MULTICAST) != 0;
  if (counterEven) announce(s, multicast);

  start_proto_thread(index);
  send_hello_to_servers(s);
  s.listenState = 1;
  wait_for_peer(s, timeoutAndFlags, counterEven);

  const int result = listen_result(s);
  if (result == 0) send_session_done_to_servers(s);
  stop_proto_thread(index);
  if (result != 0) return fail_open(index, sock, result);
  return finish_link(index);
}

}  // namespace vornet
