// Which connection reports reach debug.txt. A camera that never comes
// online reports "connecting" (1) and then a failure (4 or 5) at every
// retry, for as long as the program runs; logging each would grow the log
// without end. So a report is logged when it tells something new:
//
//   1 (connecting)   only the first connect, and the first after Online or
//                    after a disconnect (6)
//   any other state  when it differs from the camera's last outcome (the
//                    last state other than 1), with how many reports went
//                    unlogged since the camera's last logged line
//
// Thread-free: the main window keeps one for its connection reports.
#pragma once

#include <QString>

#include <map>
#include <optional>

class ConnectionReportLog {
 public:
  struct Line {
    int unlogged = 0;  // reports of this camera not logged since its last line
  };
  // `state` reported for camera `id`: a line to log, or none.
  std::optional<Line> note(const QString& id, int state);
  // A new session: nothing is known of any camera.
  void clear() { cameras_.clear(); }

 private:
  struct Camera {
    int outcome = 0;  // last state other than 1; 0 before any
    int unlogged = 0;
  };
  std::map<QString, Camera> cameras_;
};
