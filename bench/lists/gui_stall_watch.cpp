#include "gui_stall_watch.h"

#include <algorithm>

GuiStallWatch::GuiStallWatch(int intervalMs) : interval_(intervalMs) {
  clock_.start();
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(interval_);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
  timer_.start();
  last_ = clock_.elapsed();
}

void GuiStallWatch::reset() {
  last_ = clock_.elapsed();
  longest_ = 0;
}

void GuiStallWatch::tick() {
  const qint64 now = clock_.elapsed();
  longest_ = std::max(longest_, now - last_ - interval_);
  last_ = now;
  if (onTick_) onTick_();
}
