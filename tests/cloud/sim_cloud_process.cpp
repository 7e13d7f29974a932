#include "sim_cloud_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

SimCloudProcess::~SimCloudProcess() { stop(); }

bool SimCloudProcess::start(const QStringList& extraArgs, QString* error) {
  if (!dir_.isValid()) {
    *error = QStringLiteral("no scratch folder");
    return false;
  }
  const QString portFile = dir_.filePath(QStringLiteral("port"));
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1"));
  process_.setProcessEnvironment(env);
  process_.start(QStringLiteral(PYTHON3_EXECUTABLE),
                 QStringList{QStringLiteral(SIM_CLOUD_SCRIPT), "--make-certs", dir_.path(),
                             "--port-file", portFile, "--log", logFile(), "--lifetime", "120"} +
                     extraArgs);
  if (!process_.waitForStarted(60000)) {
    *error = QStringLiteral("cannot start the simulated cloud: ") + process_.errorString();
    return false;
  }
  QElapsedTimer waited;
  waited.start();
  while (!QFile::exists(portFile)) {
    if (process_.state() == QProcess::NotRunning || waited.elapsed() > 120000) {
      *error = QStringLiteral("the simulated cloud did not come up");
      stop();
      return false;
    }
    QThread::msleep(50);
  }
  QFile f(portFile);
  if (f.open(QIODevice::ReadOnly)) port_ = f.readAll().trimmed().toInt();
  if (port_ <= 0) *error = QStringLiteral("no port in ") + portFile;
  return port_ > 0;
}

void SimCloudProcess::stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(10000)) {
    process_.kill();
    process_.waitForFinished(10000);
  }
}
