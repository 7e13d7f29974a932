// Test helper: runs the GUI thread's event loop until `done` holds or `ms`
// pass; returns done().
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace cameratest {

inline bool waitUntil(const std::function<bool()>& done, int ms) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return done();
}

}  // namespace cameratest
