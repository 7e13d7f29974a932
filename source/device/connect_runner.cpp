#include "device/connect_runner.h"

#include <pthread.h>

#include <QDebug>

#include <chrono>

#include "Tessan.h"
#include "device/camera_requests.h"
#include "http_command/log_mask.h"
#include "util_class/steady_ms.h"

ConnectRunner::ConnectRunner(Connect connect, int atOnce, Clock clock)
    : connect_(std::move(connect)), clock_(clock ? std::move(clock) : Clock(steadyMs)), turns_(atOnce) {}

ConnectRunner::~ConnectRunner() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ConnectRunner::ask(const Inputs& inputs, ConnectTurns::Rank rank) {
  const std::string id = inputs.deviceId.toStdString();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    inputs_[id] = inputs;
    if (!turns_.ask(id, rank) && !turns_.queued(id)) return;
    if (!thread_.joinable()) thread_ = std::thread(&ConnectRunner::run, this);
  }
  wake_.notify_all();
}

void ConnectRunner::reported(const std::string& id, int state) {
  if (state == E_CONN_STATUS_CONNECTING) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!turns_.running(id)) return;
    turns_.ended(id);
  }
  wake_.notify_all();
}

void ConnectRunner::forget(const std::string& id) {
  std::unique_lock<std::mutex> lock(mutex_);
  turns_.remove(id);
  inputs_.erase(id);
  results_.erase(id);
  wake_.wait(lock, [&] { return inCall_ != id; });
  lock.unlock();
  wake_.notify_all();  // a turn may have come free
}

int ConnectRunner::runningCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return turns_.runningCount();
}

int ConnectRunner::waitingCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return turns_.waitingCount();
}

int64_t ConnectRunner::connectsStarted() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}

void ConnectRunner::run() {
  pthread_setname_np(pthread_self(), "connect runner");
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    for (const std::string& id : turns_.expire(clock_()))
      qDebug() << QString::fromStdString(id) << "connect: no report within"
               << ConnectTurns::kAttemptBoundMs / 1000 << "s, its turn ends";
    const std::optional<std::string> id = turns_.take(clock_());
    if (!id) {
      const std::optional<int64_t> expiry = turns_.nextExpiry();
      if (expiry)
        wake_.wait_for(lock, std::chrono::milliseconds(std::max<int64_t>(1, *expiry - clock_())));
      else
        wake_.wait(lock);
      continue;
    }
    const Inputs inputs = inputs_[*id];
    inCall_ = *id;
    ++started_;
    lock.unlock();
    const int result = connect_(inputs);
    lock.lock();
    inCall_.clear();
    // A refused call holds no attempt. A camera forgotten meanwhile has no
    // turn to end.
    if (result != 0) turns_.ended(*id);
    if (inputs_.count(*id)) noteResult(inputs, result);
    wake_.notify_all();  // forget() may wait for this call
  }
}

void ConnectRunner::noteResult(const Inputs& inputs, int result) {
  auto at = results_.find(inputs.deviceId.toStdString());
  if (at != results_.end() && at->second.last == result) {
    ++at->second.sameSince;
    return;
  }
  const int64_t before = at == results_.end() ? 0 : at->second.sameSince;
  auto line = qDebug();
  line << "P2P_connect" << inputs.deviceId << "servers" << inputs.servers << "lan"
       << camera_requests::chooseLanAddress(inputs.localIp, inputs.servers) << "key"
       << maskSecret(inputs.accessKey) << "ret" << result;
  if (before > 0) line << "(the last result came" << before + 1 << "times)";
  results_[inputs.deviceId.toStdString()] = Results{result, 0};
}
