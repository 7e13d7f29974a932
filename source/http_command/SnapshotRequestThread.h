// SnapshotRequestThread: posts the cloud's snapshot request for every camera
// of the device list on a thread of its own. Not built yet: run() only logs
// and returns. The destructor stops and waits for the thread, so the main
// window can free what the thread reads afterwards.
#pragma once

#include <QThread>

class SnapshotRequestThread : public QThread {
  Q_OBJECT

 public:
  explicit SnapshotRequestThread(QObject* parent = nullptr);
  ~SnapshotRequestThread() override;

 protected:
  void run() override;
};
