// Collects the program's log lines (Qt messages) while it lives, in place
// of the installed message handler. Threads of the program may still log
// while a capture goes: one lock, shared by the handler and the capture's
// end, keeps a late line from reaching a capture that is gone.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <mutex>

namespace testsupport {

class LogCapture {
 public:
  LogCapture() {
    {
      std::lock_guard<std::mutex> lock(mutex());
      current() = this;
    }
    previous_ = qInstallMessageHandler(&LogCapture::handle);
  }
  ~LogCapture() {
    qInstallMessageHandler(previous_);
    std::lock_guard<std::mutex> lock(mutex());
    if (current() == this) current() = nullptr;
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  QStringList lines() const {
    std::lock_guard<std::mutex> lock(mutex());
    return lines_;
  }
  // Number of lines that contain `text`.
  int count(const QString& text) const {
    std::lock_guard<std::mutex> lock(mutex());
    int n = 0;
    for (const QString& line : lines_) n += line.contains(text) ? 1 : 0;
    return n;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex());
    lines_.clear();
  }

 private:
  static std::mutex& mutex() {
    static std::mutex m;
    return m;
  }
  static LogCapture*& current() {
    static LogCapture* capture = nullptr;
    return capture;
  }
  static void handle(QtMsgType, const QMessageLogContext&, const QString& message) {
    std::lock_guard<std::mutex> lock(mutex());
    if (LogCapture* capture = current()) capture->lines_ << message;
  }

  QtMessageHandler previous_ = nullptr;
  QStringList lines_;
};

}  // namespace testsupport
