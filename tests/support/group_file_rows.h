// The rows of a user's group.dat as the sqlite3 shell prints them
// ("name|device_1|device_2|device_3|device_4", one a line, in stored order):
// what the program stored, read by a tool that is not the program's.
// The including test defines SQLITE3_CLI (the shell to run).
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

inline QString groupFileRows(const QString& userPrivateDir) {
  QProcess p;
  p.start(QStringLiteral(SQLITE3_CLI),
          {userPrivateDir + "group.dat",
           "SELECT groupName,device_1,device_2,device_3,device_4 FROM groups ORDER BY rowid"});
  EXPECT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace testsupport
