// Test helper: runs the simulated cloud (tools/cloud/sim_cloud.py) in a
// scratch folder with a CA made for this run, and stops it again.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class SimCloudProcess {
 public:
  SimCloudProcess() = default;
  ~SimCloudProcess();
  SimCloudProcess(const SimCloudProcess&) = delete;
  SimCloudProcess& operator=(const SimCloudProcess&) = delete;

  // Starts it and waits (bounded) until it listens; false with `error` set.
  bool start(const QStringList& extraArgs, QString* error);
  void stop();

  QString baseUrl() const { return QStringLiteral("https://127.0.0.1:%1").arg(port_); }
  // What the client is configured with: "/api/v1/app-startup" and
  // "/api/v1/dev-config" are under it.
  QString entryUrl() const { return baseUrl() + QStringLiteral("/cloud"); }
  QString caFile() const { return dir_.filePath(QStringLiteral("ca.pem")); }
  QString logFile() const { return dir_.filePath(QStringLiteral("requests.jsonl")); }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  int port_ = 0;
};
