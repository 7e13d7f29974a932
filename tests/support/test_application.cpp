#include "test_application.h"

#include <QAnimationDriver>
#include <QBasicTimer>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QScreen>
#include <QTimerEvent>
#include <qpa/qwindowsysteminterface.h>

namespace testsupport {

namespace {
// Qt's own animation step.
constexpr int kStepMs = 16;
// Far more than any animation Qt starts by itself; an endless animation of
// ours is cut off here and then shows up as a leak.
constexpr int kSettleMs = 2000;

// Steps Qt's animations as Qt's own driver does (a timer every 16 ms while
// any animation runs), and so knows whether one still runs. Installed only
// while the application settles: tests may install drivers of their own.
class AnimationSteps : public QAnimationDriver {
 public:
  AnimationSteps() { install(); }
  ~AnimationSteps() override { uninstall(); }

 protected:
  void start() override {
    QAnimationDriver::start();
    timer_.start(kStepMs, Qt::PreciseTimer, this);
  }
  void stop() override {
    timer_.stop();
    QAnimationDriver::stop();
  }
  void timerEvent(QTimerEvent* event) override {
    if (event->timerId() == timer_.timerId())
      advance();
    else
      QAnimationDriver::timerEvent(event);
  }

 private:
  QBasicTimer timer_;
};

}  // namespace

TestApplication::~TestApplication() {
  settle();
  if (platformName() == QLatin1String("offscreen")) {
    for (QScreen* screen : screens()) QWindowSystemInterface::handleScreenRemoved(screen->handle());
  }
}

void TestApplication::settle() {
  // An animation that has just started reaches the driver only through
  // queued calls, so "nothing runs" counts only once no event is pending.
  AnimationSteps steps;
  QDeadlineTimer deadline(kSettleMs);
  QEventLoop loop;
  while (!deadline.hasExpired()) {
    if (steps.isRunning())
      loop.processEvents(QEventLoop::WaitForMoreEvents);  // the next step is due within 16 ms
    else if (!loop.processEvents(QEventLoop::AllEvents))
      break;
  }
  sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace testsupport
