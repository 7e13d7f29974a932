// Test fixture: a scratch data folder (CAMVIEWER_DATA_DIR) for the stores.
#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

class DataDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    qputenv("CAMVIEWER_DATA_DIR", dir.path().toLocal8Bit());
  }
  void TearDown() override { qunsetenv("CAMVIEWER_DATA_DIR"); }

  QString path(const QString& name) const { return dir.path() + "/" + name; }

  static QByteArray readAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static bool writeAll(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
  }

  QTemporaryDir dir;
};
