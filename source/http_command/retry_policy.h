// When to send a failed cloud call again. The first resend of a failure goes
// at once; further consecutive failures wait 1 s, 2 s, 4 s ... at most 30 s,
// without a limit unless a give-up count is set. A success starts over.
//
// One policy per call; it also keeps the call's one pending resend, so a
// caller holds one single-shot QTimer per call:
//
//   const qint64 delay = policy.onFailure();
//   if (delay == RetryPolicy::kGiveUp) { /* tell the user */ return; }
//   if (policy.schedule(delay)) timer.start(static_cast<int>(delay));
//   ...
//   on the timer's timeout:  if (policy.fire()) sendAgain();
//
// Thread-free; the injected clock (milliseconds, any monotonic origin) only
// dates the pending resend, for callers that poll (isDue) instead of timing.
#pragma once

#include <QtGlobal>
#include <functional>

class RetryPolicy {
 public:
  using Clock = std::function<qint64()>;

  static constexpr qint64 kFirstBackoffMs = 1000;
  static constexpr qint64 kMaxBackoffMs = 30000;
  static constexpr qint64 kGiveUp = -1;  // onFailure: no further resend

  // giveUpAfter: number of consecutive failures after which onFailure
  // answers kGiveUp (the sign-in steps use 5); 0 retries for ever.
  explicit RetryPolicy(Clock clock, int giveUpAfter = 0);

  // Records one failed attempt (a non-200 reply or no reply at all) and
  // returns the delay before the resend: 0 for the first failure in a row,
  // then 1000, 2000, 4000 ... capped at 30000 ms; kGiveUp when this failure
  // reaches the give-up count.
  qint64 onFailure();
  // Records a good reply: the next failure is again the first in a row.
  void onSuccess();
  // Forgets failures and any pending resend (a new sign-in attempt).
  void reset();

  int consecutiveFailures() const { return failures_; }
  bool gaveUp() const { return giveUpAfter_ > 0 && failures_ >= giveUpAfter_; }

  // Books the resend `delayMs` from now. False (nothing booked) when one is
  // already pending, the policy gave up, or the delay is negative.
  bool schedule(qint64 delayMs);
  bool isPending() const { return pending_; }
  // Clock time at which the pending resend is due (0 when none is pending).
  qint64 dueAt() const { return pending_ ? dueAt_ : 0; }
  // True when a resend is pending and its time has come on the clock.
  bool isDue() const;
  // The caller's timer fired (or isDue said so): true when a resend was
  // pending, which is now cleared; false for a stray or cancelled timer.
  bool fire();
  // Drops the pending resend (sign-out, dialog closed).
  void cancel() { pending_ = false; }

 private:
  qint64 now() const { return clock_ ? clock_() : 0; }  // no clock: time stands at 0

  Clock clock_;
  int giveUpAfter_;
  int failures_ = 0;
  bool pending_ = false;
  qint64 dueAt_ = 0;
};
