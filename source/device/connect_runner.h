// The thread that runs the cameras' device-link connects (APP_setServInfo +
// APP_connect), a few at a time and in turn (device/connect_turns.h), so
// that neither a long list of cameras that never come online nor the
// device link's own start of a connect ever holds up the GUI thread, and
// the transport's session table never fills with connect attempts.
//
//   ask(inputs, rank)   a camera that is not Online wants a connect (its
//                       connect timer's tick, a play waiting for it); the
//                       inputs come from its cloud records and are kept
//                       for its turn (the authentication block is made
//                       when the turn comes, with the time of then)
//   reported(id, st)    a connection report reached the camera: anything
//                       but 1 ("connecting") ends its turn
//   forget(id)          the camera goes: out of the queue; returns once no
//                       connect of it is being started any more, so an
//                       APP_disconnect after it is the camera's last word
//
// Each APP_connect's result is logged when it differs from the camera's
// last one (with how many calls gave that), not at every 5 s retry.
//
// Threads: every member may be called from any thread; the connect itself
// runs on the runner's own thread (started at the first ask), outside the
// runner's lock, which is a leaf: nothing is called while it is held.
#pragma once

#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "device/connect_turns.h"

class ConnectRunner {
 public:
  // What a camera's connect needs, read from its cloud records.
  struct Inputs {
    QString deviceId;
    QString accessKey;
    QString servers;  // the rendezvous server list
    QString localIp;
  };
  // Starts one connect; APP_connect's result.
  using Connect = std::function<int(const Inputs&)>;
  // Monotonic milliseconds.
  using Clock = std::function<int64_t()>;

  // Connects at once: a few, far below the transport's 128 sessions.
  static constexpr int kAtOnce = 8;

  explicit ConnectRunner(Connect connect, int atOnce = kAtOnce, Clock clock = Clock());
  // Stops the thread and waits for it (a connect being started finishes).
  ~ConnectRunner();
  ConnectRunner(const ConnectRunner&) = delete;
  ConnectRunner& operator=(const ConnectRunner&) = delete;

  void ask(const Inputs& inputs, ConnectTurns::Rank rank);
  void reported(const std::string& id, int state);
  void forget(const std::string& id);

  // For tests and benches.
  int runningCount() const;
  int waitingCount() const;
  int64_t connectsStarted() const;

 private:
  void run();
  // The result of the connect of `inputs`, logged when it changed.
  void noteResult(const Inputs& inputs, int result);

  Connect connect_;
  Clock clock_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  ConnectTurns turns_;
  std::map<std::string, Inputs> inputs_;
  struct Results {
    int last = 0;
    int64_t sameSince = 0;  // calls with `last` since it was logged
  };
  std::map<std::string, Results> results_;
  std::string inCall_;  // the camera whose connect is being started
  int64_t started_ = 0;
  bool stop_ = false;
  std::thread thread_;
};
