#include "device/gui_calls.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

const QEvent::Type kRunPending = QEvent::Type(QEvent::registerEventType());

}  // namespace

void GuiCalls::post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.push_back(std::move(call));
  }
  QCoreApplication::postEvent(this, new QEvent(kRunPending));
}

void GuiCalls::customEvent(QEvent* event) {
  (void)event;  // only ever the wake-up; what to run is in pending_
  std::deque<std::function<void()>> calls;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    calls.swap(pending_);
  }
  for (std::function<void()>& call : calls) call();
}
