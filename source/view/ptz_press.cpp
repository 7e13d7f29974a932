#include "view/ptz_press.h"

namespace {

constexpr int kStop = 0;

bool validDirection(int direction) { return direction >= 1 && direction <= 4; }

}  // namespace

void PtzKeyPress::press() {
  timerRunning_ = true;
  pressed_ = true;
}

PtzCommands PtzKeyPress::timerFired() {
  if (!timerRunning_) return {};
  timerRunning_ = false;  // fires once per press
  if (!validDirection(direction_)) return {};
  moving_ = pressed_;
  return {PtzCommand{direction_, pressed_ ? 1 : 0}};
}

PtzCommands PtzKeyPress::release() {
  pressed_ = false;
  if (!moving_) return {};
  moving_ = false;
  return {PtzCommand{kStop, 1}};
}

void PtzKeyPress::cancel() {
  timerRunning_ = false;
  pressed_ = false;
  moving_ = false;
}

PtzPadPress::PtzPadPress()
    : keys_{PtzKeyPress(3), PtzKeyPress(4), PtzKeyPress(1), PtzKeyPress(2)} {}

PtzKeyPress* PtzPadPress::key(int direction) {
  for (PtzKeyPress& k : keys_) {
    if (k.direction() == direction) return &k;
  }
  return nullptr;
}

PtzCommands PtzPadPress::hideAndStop() {
  for (PtzKeyPress& k : keys_) k.cancel();
  return {PtzCommand{kStop, 1}};
}
