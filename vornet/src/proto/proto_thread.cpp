#include <arpa/inet.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

#include "core/library_state.h"
#include "net/zorp_socket.h"
#include "platform/clock.h"
#include "proto/proto_handler.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

namespace vornet {

namespace {
constexpr unsigned kSocketErrorPauseMs = 10;
}  // namespace

void SocketProtoEnv::send(const uint8_t* datagram, size_t len, const sockaddr_in& to) {
  wire::send_datagram(sock_, datagram, len, to);
}

void SocketProtoEnv::icmpEcho(const sockaddr_in& to, uint16_t identifier) { net::send_icmp_echo(to, identifier); }

void SocketProtoEnv::sleepMs(unsigned ms) { sleep_ms(ms); }

void SocketProtoEnv::localAddressToward(const sockaddr_in& peer, char out[16]) {
  net::local_address_toward(peer, out);
}

uint16_t SocketProtoEnv::boundPort() {
  sockaddr_in a{};
  socklen_t len = sizeof(a);
  if (getsockname(sock_, reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
  return a.sin_port;
}

uint32_t SocketProtoEnv::tickMs() { return tick_ms(); }

int64_t SocketProtoEnv::nowSeconds() { return now_seconds(); }

bool SocketProtoEnv::isRemoteOfLiveSlot(const sockaddr_in& from) {
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  for (const ZORP_Session& s : lib().sessions) {
    if (s.socket.load() == kSocketFree) continue;
    if (s.remote.sin_addr.s_addr == from.sin_addr.s_addr && s.remote.sin_port == from.sin_port) return true;
  }
  return false;
}

int ZORP_thread_recv_Proto(int index) {
  pthread_setname_np(pthread_self(), "vornet proto");
  ZORP_Session& s = session_at(index);
  const bool listener = s.role == 1;
  // Negative handles (a socket that could not be had) are skipped.
  const int lanSock = listener ? net::lan_socket(wire::kLanSearchPort) : -1;
  const int announceSock = net::lan_socket(listener ? wire::kListenerAnnouncePort : wire::kConnectorAnnouncePort);
  if (announceSock >= 0) net::join_multicast(announceSock);

  const int sock = s.ioSocket.load();
  SocketProtoEnv env(sock);
  uint8_t body[wire::kProtoBodyCapacity];
  while (!s.protoStop.load()) {
    net::Received rx;
    const int r = net::recv_three(sock, lanSock, announceSock, body, &rx);
    if (r == net::kRecvSocketError) sleep_ms(kSocketErrorPauseMs);  // never spin on a broken socket
    if (r != net::kRecvOk) continue;
    if (proto_dispatch(s, index, rx, body, env)) break;
  }
  if (lanSock >= 0) close(lanSock);
  if (announceSock >= 0) close(announceSock);
  return 0;
}

}  // namespace vornet
