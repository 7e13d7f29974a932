// The QApplication of widget test programs. When it goes, it first lets the
// program come to rest the way a running program's event loop would, so that
// LeakSanitizer, which checks when the process ends, sees only what really
// leaked:
//  - animations still running end (Qt starts some on its own: a line edit's
//    clear button fades in or out for 160 ms whenever the text turns empty
//    or not, and when its line edit is gone first the animation stops and
//    deletes itself only at its next step);
//  - deletions asked for with deleteLater() are done;
//  - on the offscreen platform its screen is removed: Qt 5.15's offscreen
//    plugin adds one and never removes it, so the QScreen and the platform
//    screen (which point at each other) would outlive the application, and
//    with them every connection made to the screen's signals and whatever
//    those connections reach (objects of ours included).
#pragma once

#include <QApplication>

namespace testsupport {

class TestApplication : public QApplication {
 public:
  using QApplication::QApplication;
  ~TestApplication() override;

 private:
  void settle();
};

}  // namespace testsupport
