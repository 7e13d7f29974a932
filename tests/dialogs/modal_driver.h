// Drives modal dialogs from inside their own event loop: the next modal
// widget of a given type is handed to a function once it is up (polled,
// bounded in time), and the event loop can be run until a condition holds.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace dialogtest {

// Calls `act` once with the first active modal widget of type T, then
// stops; gives up after `timeoutMs`. The result turns true when `act` ran.
template <typename T>
std::shared_ptr<bool> onNextModal(std::function<void(T*)> act, int timeoutMs = 10000) {
  auto ran = std::make_shared<bool>(false);
  auto* timer = new QTimer;
  const QDeadlineTimer deadline(timeoutMs);
  QObject::connect(timer, &QTimer::timeout, [=] {
    if (T* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
      *ran = true;
      timer->stop();
      timer->deleteLater();
      act(modal);
    } else if (deadline.hasExpired()) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
  return ran;
}

// Runs the event loop until `done` holds or `ms` pass; the final value.
inline bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

}  // namespace dialogtest
