#include "virtual_time_dispatcher.h"

#include <QCoreApplication>
#include <QTimerEvent>
#include <algorithm>

bool VirtualTimeDispatcher::processEvents(QEventLoop::ProcessEventsFlags) {
  const bool posted = woken_.exchange(false);
  if (posted) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  const bool fired = fireDueTimers();
  return posted || fired;
}

bool VirtualTimeDispatcher::fireDueTimers() {
  std::vector<std::pair<qint64, int>> due;
  for (const Timer& t : timers_) {
    if (t.due <= now_) due.emplace_back(t.due, t.id);
  }
  std::sort(due.begin(), due.end());
  for (const auto& [when, id] : due) {
    (void)when;
    // A timer may be killed (or its object deleted) by an earlier one.
    const auto it = std::find_if(timers_.begin(), timers_.end(), [id = id](const Timer& t) { return t.id == id; });
    if (it == timers_.end()) continue;
    it->due = now_ + std::max(it->interval, 0);
    QObject* object = it->object;
    QTimerEvent event(id);
    QCoreApplication::sendEvent(object, &event);
  }
  return !due.empty();
}

bool VirtualTimeDispatcher::settle(int maxRounds) {
  for (int round = 0; round < maxRounds; ++round) {
    if (!processEvents(QEventLoop::AllEvents)) return true;
  }
  return false;
}

bool VirtualTimeDispatcher::advanceToNextTimer(qint64 until) {
  if (timers_.empty()) return false;
  const qint64 next =
      std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) { return a.due < b.due; })->due;
  if (next > until) return false;
  now_ = std::max(now_, next);
  return true;
}

void VirtualTimeDispatcher::registerTimer(int timerId, int interval, Qt::TimerType timerType, QObject* object) {
  timers_.push_back({timerId, interval, timerType, object, now_ + std::max(interval, 0)});
}

bool VirtualTimeDispatcher::unregisterTimer(int timerId) {
  const auto it = std::find_if(timers_.begin(), timers_.end(), [timerId](const Timer& t) { return t.id == timerId; });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

bool VirtualTimeDispatcher::unregisterTimers(QObject* object) {
  const auto before = timers_.size();
  timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [object](const Timer& t) { return t.object == object; }),
                timers_.end());
  return timers_.size() != before;
}

QList<QAbstractEventDispatcher::TimerInfo> VirtualTimeDispatcher::registeredTimers(QObject* object) const {
  QList<TimerInfo> list;
  for (const Timer& t : timers_) {
    if (t.object == object) list.append(TimerInfo(t.id, t.interval, t.type));
  }
  return list;
}

int VirtualTimeDispatcher::remainingTime(int timerId) {
  for (const Timer& t : timers_) {
    if (t.id == timerId) return int(std::max<qint64>(t.due - now_, 0));
  }
  return -1;
}
