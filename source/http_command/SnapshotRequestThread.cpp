#include "http_command/SnapshotRequestThread.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include "http_command/cloud_bodies.h"
#include "http_command/cloud_poster.h"
#include "http_command/cloud_reply.h"
#include "http_command/signin.h"

SnapshotRequestThread::SnapshotRequestThread(QObject* parent) : QThread(parent) {}

SnapshotRequestThread::~SnapshotRequestThread() { stopRequests(); }

void SnapshotRequestThread::startRequests(const SnapshotJob& job) {
  stopRequests();
  {
    std::lock_guard<std::mutex> lock(jobMutex_);
    job_ = job;
  }
  start(QThread::InheritPriority);
}

void SnapshotRequestThread::stopRequests() {
  if (!isRunning()) return;
  quit();
  wait();  // the loop ends at once; the manager aborts what is still open
}

void SnapshotRequestThread::run() {
  qDebug() << "SnapshotRequestThread::run";
  SnapshotJob job;
  {
    std::lock_guard<std::mutex> lock(jobMutex_);
    job = job_;
  }
  QNetworkAccessManager snapshotManager;
  // Direct: the manager emits on this thread, so the handler runs here too.
  connect(&snapshotManager, &QNetworkAccessManager::finished, this,
          &SnapshotRequestThread::snapshotRequestHandler, Qt::DirectConnection);
  if (job.tokens) {
    for (const QString& deviceId : job.deviceIds) {
      // The generation is not checked: the pass ends with its session.
      cloudPost(snapshotManager, CloudCall::Snapshot, job.uacUrl,
                snapshotBody(job.tokens->get_accessToken(), deviceId), job.tokens.get(), 0);
    }
  } else {
    qDebug() << "SnapshotRequestThread: no token store";
  }
  exec();
}

void SnapshotRequestThread::snapshotRequestHandler(QNetworkReply* reply) {
  const CloudReply r = CloudReply::take(reply, "http SnapshotRequestThread");
  if (!r.arrived()) qDebug() << "SnapshotRequestThread:" << r.failure();
  repliesHandled_.fetch_add(1);
}
