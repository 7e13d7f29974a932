// Test helper: collects every log line of the process while it lives.
#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class LogCapture {
 public:
  LogCapture() {
    QMutexLocker lock(&mutex());
    lines().clear();
    previous_ = qInstallMessageHandler(&LogCapture::handler);
  }
  ~LogCapture() { qInstallMessageHandler(previous_); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything logged so far, one line each.
  static QString text() {
    QMutexLocker lock(&mutex());
    return lines().join('\n');
  }
  static int count(const QString& fragment) {
    QMutexLocker lock(&mutex());
    int n = 0;
    for (const QString& l : lines()) n += l.contains(fragment) ? 1 : 0;
    return n;
  }

 private:
  static QStringList& lines() {
    static QStringList all;
    return all;
  }
  static QMutex& mutex() {
    static QMutex m;
    return m;
  }
  static void handler(QtMsgType, const QMessageLogContext&, const QString& text) {
    QMutexLocker lock(&mutex());
    lines() << text;
  }
  QtMessageHandler previous_;
};
