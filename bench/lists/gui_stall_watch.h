// How long the GUI thread was kept from its event loop: a precise timer
// ticks every few milliseconds on the GUI thread, and each tick notes how
// late it came. The longest lateness since the last reset is the longest
// stall a user could have felt (no click, paint or key answered meanwhile).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class GuiStallWatch : public QObject {
 public:
  explicit GuiStallWatch(int intervalMs = 5);

  // Stalls counted from now on; the longest so far forgotten.
  void reset();
  qint64 longestStallMs() const { return longest_; }
  // Milliseconds since the watch was made (its own clock).
  qint64 nowMs() const { return clock_.elapsed(); }
  // Called on every tick (on the GUI thread, so only while it is free).
  void onTick(std::function<void()> f) { onTick_ = std::move(f); }

 private:
  void tick();

  int interval_;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 longest_ = 0;
  std::function<void()> onTick_;
};
