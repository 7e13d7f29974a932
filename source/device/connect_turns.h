// Which cameras may run a device-link connect now. Every camera that is not
// Online asks for a connect every 5 s; a connect to a camera that never
// answers holds a transport session and two threads for about 12-16 s. So
// only a few run at once and the others wait their turn, in the order they
// asked, within three ranks:
//
//   Now     a play waits for this camera (the user asked to watch it)
//   Soon    not tried since it was listed, or it was Online before: the
//           first round and a lost link go ahead of the long retries
//   Retry   its last connect failed
//
// A camera is in the queue or running once: asking again changes nothing
// but can raise its rank. A turn ends with the camera's next connection
// report (any state but "connecting"), a refused APP_connect, the camera
// leaving, or `kAttemptBoundMs` after it began (a report that never came).
//
// Thread-free: the connect runner (device/connect_runner.h) owns it under
// its lock; the clock's ms are passed in.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

class ConnectTurns {
 public:
  enum class Rank { Now = 0, Soon = 1, Retry = 2 };

  // The longest a turn lasts without a report: the transport's connect
  // (NAT detection, 1,200 ticks of 10 ms) with room to spare.
  static constexpr int64_t kAttemptBoundMs = 40000;

  explicit ConnectTurns(int atOnce) : atOnce_(atOnce < 1 ? 1 : atOnce) {}

  // `id` wants a connect; true when it was queued now (not already queued
  // or running).
  bool ask(const std::string& id, Rank rank);
  // The camera whose connect starts now (it counts as running from here),
  // or none while every turn is taken or nobody waits.
  std::optional<std::string> take(int64_t nowMs);
  // Its connect has ended; nothing when it was not running.
  void ended(const std::string& id);
  // The camera left: out of the queue, its turn freed.
  void remove(const std::string& id);
  // Ends the turns that began `kAttemptBoundMs` or more before `nowMs`;
  // their cameras.
  std::vector<std::string> expire(int64_t nowMs);
  // When the oldest running turn reaches its bound (none while none runs).
  std::optional<int64_t> nextExpiry() const;

  bool running(const std::string& id) const { return running_.count(id) != 0; }
  bool queued(const std::string& id) const;
  int runningCount() const { return int(running_.size()); }
  int waitingCount() const { return int(queue_.size()); }
  int atOnce() const { return atOnce_; }

 private:
  struct Waiting {
    std::string id;
    Rank rank;
  };
  int atOnce_;
  std::deque<Waiting> queue_;              // by rank, then in the order asked
  std::map<std::string, int64_t> running_;  // id -> when its turn began
};
