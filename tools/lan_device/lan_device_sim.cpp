#include "lan_device_sim.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace lan_device {

namespace {

constexpr int kPollSliceMs = 20;

bool toAddress(const std::string& text, in_addr* out) { return inet_pton(AF_INET, text.c_str(), out) == 1; }

int udpSocket(const in_addr& addr, uint16_t port, bool reuse, std::string* error) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  const int on = 1;
  if (reuse) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
  setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr = addr;
  local.sin_port = htons(port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    *error = "bind " + formatEndpoint(local) + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

Datagram makeReply(const Mac& mac, const std::string& name) {
  Datagram d(kReplySize);
  for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<uint8_t>(i * 7 + 3);
  d[0] = 0;
  d[1] = 0;
  d[2] = 0x01;
  d[3] = 0x08;
  uint8_t* record = d.data() + kHeaderSize;
  std::memset(record, 0, 32);
  std::memcpy(record, name.data(), std::min<size_t>(name.size(), 31));
  std::memcpy(record + kMacAt, mac.data(), mac.size());
  record[kTagAt] = 'Q';
  record[kTagAt + 1] = 'Z';
  record[kFlagAt] = kDeviceFlag;
  return d;
}

bool isProbe(const uint8_t* data, size_t len) {
  static const uint8_t probe[4] = {0x59, 0x48, 0x01, 0x01};
  return len == sizeof probe && std::memcmp(data, probe, sizeof probe) == 0;
}

bool parseMac(const std::string& text, Mac* mac) {
  unsigned b[6];
  char tail = 0;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5],
                  &tail) != 6) {
    return false;
  }
  for (size_t i = 0; i < 6; ++i) (*mac)[i] = static_cast<uint8_t>(b[i]);
  return true;
}

std::string formatEndpoint(const sockaddr_in& addr) {
  char ip[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
  return std::string(ip) + ":" + std::to_string(ntohs(addr.sin_port));
}

SimulatedDevice::SimulatedDevice(Options options) : options_(std::move(options)) {}

SimulatedDevice::~SimulatedDevice() { stop(); }

bool SimulatedDevice::start(std::string* error) {
  std::string ignored;
  if (!error) error = &ignored;
  in_addr any{};
  any.s_addr = htonl(INADDR_ANY);
  haveReplyTo_ = !options_.replyTo.empty();
  if (haveReplyTo_ && !toAddress(options_.replyTo, &replyTo_)) {
    *error = "bad reply-to address " + options_.replyTo;
    return false;
  }
  listenFd_ = udpSocket(any, options_.port, true, error);
  if (listenFd_ < 0) return false;
  if (!options_.replyFrom.empty()) {
    in_addr from{};
    if (!toAddress(options_.replyFrom, &from)) {
      *error = "bad reply-from address " + options_.replyFrom;
    } else {
      replyFd_ = udpSocket(from, 0, false, error);
    }
    if (replyFd_ < 0) {
      close(listenFd_);
      listenFd_ = -1;
      return false;
    }
  }
  thread_ = std::thread(&SimulatedDevice::run, this);
  return true;
}

void SimulatedDevice::stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
  for (int* fd : {&listenFd_, &replyFd_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

void SimulatedDevice::run() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.lifetimeMs);
  size_t answered = 0;
  while (!stop_.load() && std::chrono::steady_clock::now() < end &&
         (options_.maxProbes == 0 || answered < options_.maxProbes)) {
    pollfd p{listenFd_, POLLIN, 0};
    if (poll(&p, 1, kPollSliceMs) <= 0) continue;
    uint8_t buf[2048];
    sockaddr_in from{};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(timespec))];
    iovec iov{buf, sizeof buf};
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(listenFd_, &msg, MSG_DONTWAIT);
    if (n < 0) continue;
    Received got;
    got.bytes.assign(buf, buf + n);
    got.from = from;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
        in_pktinfo info;
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        got.to = info.ipi_addr;
      } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
        timespec ts;
        std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
        got.at = std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
      }
    }
    if (options_.onDatagram) options_.onDatagram(got);
    const bool probe = isProbe(buf, static_cast<size_t>(n));
    if (probe) {
      for (const Datagram& reply : options_.replies) sendTo(from, reply);
      ++answered;
    }
    {
      std::lock_guard<std::mutex> hold(mutex_);
      received_.push_back(std::move(got));
      if (probe) {
        lastProber_ = from;
        haveProber_ = true;
      }
    }
    changed_.notify_all();
  }
  {
    std::lock_guard<std::mutex> hold(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

void SimulatedDevice::sendTo(const sockaddr_in& prober, const Datagram& datagram) {
  sockaddr_in to = prober;
  if (haveReplyTo_) to.sin_addr = replyTo_;
  sendto(replyFd_ >= 0 ? replyFd_ : listenFd_, datagram.data(), datagram.size(), MSG_NOSIGNAL,
         reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

std::vector<Received> SimulatedDevice::received() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return received_;
}

bool SimulatedDevice::waitForDatagrams(size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> hold(mutex_);
  return changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                           [&] { return received_.size() >= count; });
}

bool SimulatedDevice::sendToLastProber(const Datagram& datagram) {
  sockaddr_in prober{};
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (!haveProber_) return false;
    prober = lastProber_;
  }
  sendTo(prober, datagram);
  return true;
}

bool SimulatedDevice::waitFinished(int timeoutMs) const {
  std::unique_lock<std::mutex> hold(mutex_);
  return changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return finished_; });
}

}  // namespace lan_device
