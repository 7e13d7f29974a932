// The sign-in session a request belongs to. Sign-out bumps the generation;
// a request remembers the generation it was made in, and a reply handler or
// pending resend whose generation is no longer current drops its work, so
// nothing of a signed-out session runs on after it (a device list requested
// before sign-out, a resend timer still armed).
//
//   const auto gen = generation.current();      // when the request is made
//   reply->setProperty("generation", gen);
//   ...
//   if (!generation.isCurrent(gen)) { reply->deleteLater(); return; }
//
// 64 bits never wrap in practice. Safe to read from any thread.
#pragma once

#include <QtGlobal>
#include <atomic>

class SessionGeneration {
 public:
  using Value = quint64;

  Value current() const { return value_.load(); }
  // Ends the current session (sign-out); returns the new generation.
  Value bump() { return value_.fetch_add(1) + 1; }
  bool isCurrent(Value generation) const { return generation == value_.load(); }

 private:
  std::atomic<Value> value_{1};
};
