#include "http_command/SnapshotRequestThread.h"

#include <QDebug>

// The thread object has no parent: the main window owns and deletes it.
SnapshotRequestThread::SnapshotRequestThread(QObject*) : QThread(nullptr) {}

SnapshotRequestThread::~SnapshotRequestThread() {
  quit();
  wait();
}

void SnapshotRequestThread::run() { qDebug() << "SnapshotRequestThread::run: not built yet"; }
