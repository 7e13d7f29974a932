// Timing of the PTZ pad's arrow keys, driven by explicit events so it runs
// without a window: the key widget forwards its press, its release and its
// 300 ms timer's timeout, and sends what comes back with P2P_send_pzt.
//
//   press                 timer (re)started, pressed
//   timer, still held     (direction, 1): continuous move, moving
//   timer, released       (direction, 0): one step
//   release               not pressed; when moving: (0, 1) stop
//   cancel                timer stopped, not pressed, not moving
//
// A direction outside 1-4 sends nothing. The pad's hide_and_stop cancels
// every key before it sends its stop, so a timer that was still pending
// cannot start a move after the stop.
#pragma once

#include <vector>

struct PtzCommand {
  int command = 0;  // 0 stop, 1 up, 2 down, 3 left, 4 right
  int value = 0;    // 1 continuous move (and stop), 0 one step
  bool operator==(const PtzCommand& o) const { return command == o.command && value == o.value; }
};
using PtzCommands = std::vector<PtzCommand>;

inline constexpr int kPtzPressTimerMs = 300;

class PtzKeyPress {
 public:
  explicit PtzKeyPress(int direction) : direction_(direction) {}

  int direction() const { return direction_; }
  bool pressed() const { return pressed_; }
  bool moving() const { return moving_; }
  // Whether the key's 300 ms timer should be running; the widget starts
  // its single-shot timer after press() and stops it after cancel().
  bool timerRunning() const { return timerRunning_; }

  void press();
  // The 300 ms timer fired. Nothing when the timer was stopped meanwhile.
  PtzCommands timerFired();
  PtzCommands release();
  void cancel();

 private:
  int direction_;
  bool pressed_ = false;
  bool moving_ = false;
  bool timerRunning_ = false;
};

// The four keys of one pad, in the pad's order: left, right, up, down.
class PtzPadPress {
 public:
  PtzPadPress();
  // The key for direction 1-4; null for any other value.
  PtzKeyPress* key(int direction);
  // Hiding the pad: every key's timer and press state are cleared first,
  // then one stop (0, 1).
  PtzCommands hideAndStop();

 private:
  PtzKeyPress keys_[4];
};
