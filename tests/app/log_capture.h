// Collects the program's log lines (Qt messages) while it lives, in place
// of the installed message handler.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

namespace testsupport {

class LogCapture {
 public:
  LogCapture() {
    current() = this;
    previous_ = qInstallMessageHandler(&LogCapture::handle);
  }
  ~LogCapture() {
    qInstallMessageHandler(previous_);
    current() = nullptr;
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  QStringList lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  // Number of lines that contain `text`.
  int count(const QString& text) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const QString& line : lines_) n += line.contains(text) ? 1 : 0;
    return n;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.clear();
  }

 private:
  static LogCapture*& current() {
    static LogCapture* capture = nullptr;
    return capture;
  }
  static void handle(QtMsgType, const QMessageLogContext&, const QString& message) {
    if (LogCapture* capture = current()) {
      std::lock_guard<std::mutex> lock(capture->mutex_);
      capture->lines_ << message;
    }
  }

  QtMessageHandler previous_ = nullptr;
  mutable std::mutex mutex_;
  QStringList lines_;
};

}  // namespace testsupport
