// SnapshotRequestThread: asks the cloud for one snapshot per camera of the
// account, on a thread of its own, and logs the answers.
//
// Everything a pass needs (the uacUrl, the device ids, the token store that
// the signed requests read through its locked getters) is copied into a
// SnapshotJob on the GUI thread before the thread starts; the thread then
// touches nothing of the GUI thread's. Its network manager lives on the
// thread and its replies are handled there. Each signed-in session runs one
// pass (startRequests); stopRequests and the destructor end the thread's
// event loop and wait for it.
#pragma once

#include <QStringList>
#include <QThread>
#include <atomic>
#include <memory>
#include <mutex>

class QNetworkReply;
class Signin;

struct SnapshotJob {
  QString uacUrl;
  QStringList deviceIds;
  std::shared_ptr<Signin> tokens;  // kept alive by the pass that uses it
};

class SnapshotRequestThread : public QThread {
  Q_OBJECT

 public:
  explicit SnapshotRequestThread(QObject* parent = nullptr);
  ~SnapshotRequestThread() override;

  // GUI thread: ends a running pass, then starts one with `job`.
  void startRequests(const SnapshotJob& job);
  // GUI thread: ends the running pass (if any) and waits for the thread.
  void stopRequests();

  // Replies handled since construction (any thread).
  int repliesHandled() const { return repliesHandled_.load(); }

 public slots:
  // Runs on this thread: logs the reply and releases it.
  void snapshotRequestHandler(QNetworkReply* reply);

 protected:
  void run() override;

 private:
  std::mutex jobMutex_;
  SnapshotJob job_;
  std::atomic<int> repliesHandled_{0};
};
