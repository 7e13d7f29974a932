#include "http_command/call_retry.h"

#include <QElapsedTimer>
#include <utility>

namespace {

qint64 monotonicMs() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

}  // namespace

CallRetry::CallRetry(int giveUpAfter, std::function<void()> resend, QObject* parent)
    : QObject(parent), policy_(monotonicMs, giveUpAfter), resend_(std::move(resend)) {
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &CallRetry::fire);
}

bool CallRetry::failed() {
  if (policy_.isPending()) {
    // Only one resend per call: a second failure report for the same wait
    // (a duplicate reply) changes nothing.
    return true;
  }
  const qint64 delay = policy_.onFailure();
  if (delay == RetryPolicy::kGiveUp) return false;
  if (!policy_.schedule(delay)) return false;
  lastDelay_ = delay;
  timer_.start(static_cast<int>(delay));
  return true;
}

void CallRetry::succeeded() { policy_.onSuccess(); }

void CallRetry::cancel() {
  timer_.stop();
  policy_.cancel();
}

void CallRetry::reset() {
  timer_.stop();
  policy_.reset();
}

void CallRetry::fire() {
  if (policy_.fire() && resend_) resend_();
}
