// Animation time that moves only when the test says so: while one of these
// lives, every QAbstractAnimation (a toast's fades, for one) runs on it, so
// an opacity at a given moment is exact however busy the machine is. Like
// Qt's own driver, its clock counts from its latest start.
#pragma once

#include <QAnimationDriver>
#include <QCoreApplication>
#include <QEvent>

namespace testsupport {

class ManualAnimationDriver : public QAnimationDriver {
 public:
  ManualAnimationDriver() { install(); }
  ~ManualAnimationDriver() override { uninstall(); }
  ManualAnimationDriver(const ManualAnimationDriver&) = delete;
  ManualAnimationDriver& operator=(const ManualAnimationDriver&) = delete;

  // Animations started since the last step join first (Qt queues their
  // start, in two hops), then time moves on by `ms`.
  void step(qint64 ms) {
    for (int hop = 0; hop < 3; ++hop) QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    now_ += ms;
    advance();
  }
  qint64 elapsed() const override { return now_; }

 protected:
  void start() override {
    now_ = 0;
    QAnimationDriver::start();
  }

 private:
  qint64 now_ = 0;
};

}  // namespace testsupport
