#include "session/nat_detect.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "core/library_state.h"
#include "net/zorp_socket.h"
#include "platform/clock.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

namespace vornet {

namespace {

constexpr int64_t kDetectionValiditySeconds = 86400;

void send_hellos(int sock, const sockaddr_in servers[3], const NatAnswers* skipAnswered, int* sent) {
  for (int i = 0; i < 3; ++i) {
    if (servers[i].sin_addr.s_addr == 0) continue;
    if (skipAnswered != nullptr && skipAnswered->answered(i)) continue;
    if (wire::send_hello(sock, servers[i]) > 0 && sent != nullptr) ++*sent;
  }
}

// Local address the system uses toward `peer`, from a socket connected to it.
void record_local_address(int sock, const sockaddr_in& peer) {
  sockaddr_in to = peer;
  to.sin_family = AF_INET;
  if (connect(sock, reinterpret_cast<const sockaddr*>(&to), sizeof(to)) != 0) return;
  sockaddr_in local{};
  socklen_t len = sizeof(local);
  if (getsockname(sock, reinterpret_cast<sockaddr*>(&local), &len) != 0) return;
  char text[16] = {};
  inet_ntop(AF_INET, &local.sin_addr, text, sizeof(text));
  set_local_address_text(text);
}

int open_detection_socket(uint16_t localPort) {
  const int sock = socket(AF_INET, SOCK_DGRAM, 0);
  if (sock < 0) return -1;
  const int one = 1;
  setsockopt(sock, SOL_SOCKET, SO_BROADCAST, &one, sizeof(one));
  sockaddr_in bound{};
  const int r = localPort != 0 ? net::bind_port(sock, localPort, &bound)
                               : net::bind_random(sock, net::kBindTries, &bound);
  if (r < 0) {
    close(sock);
    return -1;
  }
  return sock;
}

}  // namespace

NatAnswers::NatAnswers(const sockaddr_in servers[3]) {
  for (int i = 0; i < 3; ++i) servers_[i] = servers[i];
}

int NatAnswers::answeredCount() const {
  return (answered_[0] ? 1 : 0) + (answered_[1] ? 1 : 0) + (answered_[2] ? 1 : 0);
}

bool NatAnswers::add(const sockaddr_in& from, const sockaddr_in& reported) {
  int which = -1;
  for (int i = 0; i < 3 && which < 0; ++i) {
    if (servers_[i].sin_addr.s_addr != 0 && servers_[i].sin_addr.s_addr == from.sin_addr.s_addr) which = i;
  }
  if (which < 0) return false;  // not one of our servers
  answered_[which] = true;
  port_[which] = ntohs(reported.sin_port);
  if (!havePublic_) {
    havePublic_ = true;
    public_ = reported.sin_addr.s_addr;
  }
  if (reported.sin_addr.s_addr != public_) {
    addressDiffers_ = true;
    return true;
  }
  if (ntohs(from.sin_port) != wire::kServerPort) {
    otherPort_ = true;
    return true;
  }
  return answeredCount() == 3;
}

uint8_t NatAnswers::natType() const {
  if (addressDiffers_) return 4;
  if (otherPort_) return 1;
  if (answeredCount() <= 1) return 0;
  int firstPort = -1;
  for (int i = 0; i < 3; ++i) {
    if (!answered_[i]) continue;
    if (firstPort < 0) firstPort = port_[i];
    else if (port_[i] != firstPort) return 3;
  }
  return 2;
}

bool detection_due() {
  const int64_t last = lib().lastDetectionTime.load();
  return last == 0 || now_seconds() - last > kDetectionValiditySeconds;
}

int ZORP__DoNetWorkDetect(const sockaddr_in servers[3], uint16_t localPort, uint8_t* result) {
  LibraryState& l = lib();
  const int sock = open_detection_socket(localPort);
  if (sock < 0) return -18;

  NatAnswers answers(servers);
  int sent = 0;
  send_hellos(sock, servers, nullptr, &sent);
  sockaddr_in lastSender{};
  if (sent > 0) {
    int64_t budget = kDetectBudgetMs;
    const uint32_t started = tick_ms();
    uint8_t body[wire::kProtoBodyCapacity];
    // The budget only shrinks on quiet waits; the clock bounds a stream of
    // unrelated datagrams as well.
    while (budget > 0 && tick_ms() - started < kDetectBudgetMs) {
      if (l.listenBreak.load()) {
        // Type 0, but no detection time: the next call detects for real.
        l.natType = 0;
        if (result != nullptr) *result = 0;
        close(sock);
        return 0;
      }
      net::Received rx;
      const int r = net::recv_one(sock, kDetectWaitMs, body, sizeof(body), &rx);
      if (r == net::kRecvNothing) {
        budget -= kDetectWaitMs + kDetectWaitMs * answers.answeredCount();
        if (answers.answeredCount() >= 2) break;
        send_hellos(sock, servers, &answers, nullptr);
        continue;
      }
      if (r != net::kRecvOk) break;
      sockaddr_in reported{};
      if (rx.type != wire::ZORP_MSG_HELLO_ACK || !wire::read_hello_ack(body, rx.copied, &reported)) continue;
      const int before = answers.answeredCount();
      const bool done = answers.add(rx.from, reported);
      if (answers.answeredCount() > before || done) lastSender = rx.from;
      if (done) break;
    }
  }
  if (answers.any()) record_local_address(sock, lastSender);
  const uint8_t type = answers.natType();
  l.natType = type;
  l.lastDetectionTime = now_seconds();
  if (result != nullptr) *result = type;
  close(sock);
  return 0;
}

}  // namespace vornet
