// Answers the next modal message box once it is open, from the event loop
// (bounded: it gives up after `timeoutMs`), and notes its title and text.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <memory>

namespace testsupport {

struct MessageBoxSeen {
  bool answered = false;
  QString title;
  QString text;
};

inline std::shared_ptr<MessageBoxSeen> answerNextMessageBox(QMessageBox::StandardButton button,
                                                            int timeoutMs = 10000) {
  auto seen = std::make_shared<MessageBoxSeen>();
  auto* timer = new QTimer;
  const QDeadlineTimer deadline(timeoutMs);
  QObject::connect(timer, &QTimer::timeout, [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box && box->button(button)) {
      seen->answered = true;
      seen->title = box->windowTitle();
      seen->text = box->text();
      box->button(button)->click();
    } else if (!deadline.hasExpired()) {
      return;
    }
    timer->stop();
    timer->deleteLater();
  });
  timer->start(10);
  return seen;
}

}  // namespace testsupport
