// Drives the resends of one cloud call on the GUI thread: a RetryPolicy and
// the call's one single-shot timer. A failed attempt books the resend (the
// first at once, then backing off 1 s, 2 s, 4 s ... up to 30 s); a good
// reply resets it; a call with a give-up count stops after that many
// failures in a row. The resend runs from the event loop, never inside the
// reply handler that reported the failure.
//
//   CallRetry retry(0, [this] { sendFetchInfos(); });
//   on a reply:  if (!reply.arrived()) { retry.failed(); return; }  retry.succeeded();
//   on teardown: retry.cancel();
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "http_command/retry_policy.h"

class CallRetry : public QObject {
  Q_OBJECT

 public:
  CallRetry(int giveUpAfter, std::function<void()> resend, QObject* parent = nullptr);

  // A failed attempt. Books the resend and returns true, or returns false
  // when the call gave up (nothing booked). A resend already booked stays
  // the only one.
  bool failed();
  // A good reply: the next failure is again the first in a row.
  void succeeded();
  // Drops a booked resend (sign-out, window closed); the count stays.
  void cancel();
  // Drops a booked resend and forgets the failures (a new attempt).
  void reset();

  bool pending() const { return policy_.isPending(); }
  int failures() const { return policy_.consecutiveFailures(); }
  // Delay of the resend booked last, in ms (tests and logs).
  qint64 lastDelay() const { return lastDelay_; }

 private:
  void fire();

  RetryPolicy policy_;
  QTimer timer_;
  std::function<void()> resend_;
  qint64 lastDelay_ = 0;
};
