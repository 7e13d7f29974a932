// Calls handed to the GUI thread from any other thread (a device-link
// callback, a worker) and run there in order, later. The calls pass
// through a mutex of our own; the wake-up is a bare event that carries
// nothing, so a race detector that does not see into Qt's event queue
// still sees every call's data pass from one thread to the other.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

class GuiCalls : public QObject {
 public:
  // Any thread. Calls still pending when the object goes are dropped.
  void post(std::function<void()> call);

 protected:
  void customEvent(QEvent* event) override;

 private:
  std::mutex mutex_;
  std::deque<std::function<void()>> pending_;
};
