#include "util_class/exit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

namespace exit_signals {

namespace {

// Written once before any handler is installed, then only read.
int writeEnd = -1;

void onTerminationSignal(int signal) {
  const int saved = errno;
  const unsigned char number = static_cast<unsigned char>(signal);
  // A full pipe drops the byte: enough signals are waiting already.
  const ssize_t written = write(writeEnd, &number, 1);
  (void)written;
  errno = saved;
}

// Lives as long as the application object; reads the signals' numbers.
class SignalReader : public QObject {
 public:
  SignalReader(int readEnd, std::function<void(int)> onSignal)
      : QObject(QCoreApplication::instance()),
        readEnd_(readEnd),
        notifier_(readEnd, QSocketNotifier::Read, this),
        onSignal_(std::move(onSignal)) {
    QObject::connect(&notifier_, &QSocketNotifier::activated, this, [this] { readAll(); });
  }

 private:
  void readAll() {
    unsigned char numbers[16];
    for (;;) {
      const ssize_t n = read(readEnd_, numbers, sizeof numbers);
      if (n <= 0) return;  // empty (EAGAIN) or closed
      for (ssize_t i = 0; i < n; ++i) onSignal_(numbers[i]);
    }
  }

  int readEnd_;
  QSocketNotifier notifier_;
  std::function<void(int)> onSignal_;
};

bool fail(QString* why, const char* what) {
  if (why) *why = QString::fromLatin1(what) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
  return false;
}

}  // namespace

bool install(std::function<void(int signal)> onSignal, QString* why) {
  if (writeEnd >= 0) {
    if (why) *why = QStringLiteral("already installed");
    return false;
  }
  if (!QCoreApplication::instance()) {
    if (why) *why = QStringLiteral("no application object");
    return false;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return fail(why, "pipe");
  writeEnd = fds[1];
  new SignalReader(fds[0], std::move(onSignal));
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    if (sigaction(signal, &action, nullptr) != 0) return fail(why, "sigaction");
  }
  return true;
}

}  // namespace exit_signals
