#include "search_recorder.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

void SearchRecorder::callback(LAN_DEVICE_INFO* info, int size, void* context) {
  auto* self = static_cast<SearchRecorder*>(context);
  DeliveredRecord r;
  std::memcpy(r.bytes.data(), info, r.bytes.size());
  r.size = size;
  r.context = context;
  r.thread = std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> hold(self->mutex_);
    self->records_.push_back(r);
  }
  self->changed_.notify_all();
  if (self->onRecord) self->onRecord();
}

std::vector<DeliveredRecord> SearchRecorder::records() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return records_;
}

size_t SearchRecorder::countLocked(const lan_device::Mac& mac) const {
  size_t n = 0;
  for (const DeliveredRecord& r : records_) {
    n += std::memcmp(r.bytes.data() + lan_device::kMacAt, mac.data(), mac.size()) == 0;
  }
  return n;
}

size_t SearchRecorder::countOf(const lan_device::Mac& mac) const {
  std::lock_guard<std::mutex> hold(mutex_);
  return countLocked(mac);
}

bool SearchRecorder::waitFor(const lan_device::Mac& mac, int timeoutMs) const {
  std::unique_lock<std::mutex> hold(mutex_);
  return changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                           [&] { return countLocked(mac) > 0; });
}

bool SearchRecorder::waitForCount(size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> hold(mutex_);
  return changed_.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                           [&] { return records_.size() >= count; });
}

int holdPort(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = htons(port);
  if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool portFree(uint16_t port) {
  const int fd = holdPort(port);
  if (fd < 0) return false;
  close(fd);
  return true;
}
