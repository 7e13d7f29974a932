// An event dispatcher for the main thread whose clock moves only when told:
// Qt timers (retry back-off, token timers, replies that come late) fire in
// the order and at the times they would, without waiting for them. Posted
// events (queued calls, deleteLater) are delivered as usual. No sockets:
// a program run on it must not use the network.
//
//   auto* d = new VirtualTimeDispatcher;         // before the QCoreApplication
//   QCoreApplication::setEventDispatcher(d);
//   ... d->settle(1000);                          // everything due now
//   if (d->advanceToNextTimer(d->now() + 60000)) d->settle(1000);  // the next timer
#pragma once

#include <QAbstractEventDispatcher>
#include <QList>
#include <atomic>
#include <vector>

class VirtualTimeDispatcher : public QAbstractEventDispatcher {
 public:
  VirtualTimeDispatcher() = default;

  // Milliseconds on the virtual clock.
  qint64 now() const { return now_; }
  // Rounds of posted events and due timers until none is left or `maxRounds`
  // rounds ran; false when there was still something to do (a spin).
  bool settle(int maxRounds);
  // Moves the clock to the next timer's due time (without firing it) when
  // that time is at most `until`; false (the clock unchanged) when no timer
  // is due by then.
  bool advanceToNextTimer(qint64 until);
  int timerCount() const { return int(timers_.size()); }
  // Socket notifiers something tried to register (there must be none).
  int socketNotifiers() const { return socketNotifiers_; }

  bool processEvents(QEventLoop::ProcessEventsFlags flags) override;
  bool hasPendingEvents() override { return woken_.load(); }
  void registerSocketNotifier(QSocketNotifier*) override { ++socketNotifiers_; }
  void unregisterSocketNotifier(QSocketNotifier*) override { --socketNotifiers_; }
  void registerTimer(int timerId, int interval, Qt::TimerType timerType, QObject* object) override;
  bool unregisterTimer(int timerId) override;
  bool unregisterTimers(QObject* object) override;
  QList<TimerInfo> registeredTimers(QObject* object) const override;
  int remainingTime(int timerId) override;
  void wakeUp() override { woken_ = true; }
  void interrupt() override { woken_ = true; }
  void flush() override {}

 private:
  struct Timer {
    int id;
    int interval;
    Qt::TimerType type;
    QObject* object;
    qint64 due;
  };
  // Fires the timers due now, earliest first; true when one fired.
  bool fireDueTimers();

  std::vector<Timer> timers_;
  qint64 now_ = 0;
  std::atomic<bool> woken_{false};
  int socketNotifiers_ = 0;
};
