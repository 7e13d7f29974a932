#include "sql/group_file.h"

#include <sqlite3.h>

#include <QDebug>
#include <cstring>
#include <functional>

#include "util_class/private_files.h"
#include "util_class/stored_file_limits.h"

namespace {

const char kCreate[] =
    "CREATE TABLE if not exists groups(groupName VARCHAR(40) PRIMARY KEY NOT NULL, device_1 "
    "VARCHAR(100), device_2 VARCHAR(100), device_3 VARCHAR(100), device_4 VARCHAR(100))";
const char kInsert[] =
    "INSERT INTO groups (groupName,device_1,device_2,device_3,device_4) VALUES (?,?,?,?,?)";
const char kDelete[] = "DELETE FROM groups where groupName = ?";
const char kSelect[] = "SELECT groupName,device_1,device_2,device_3,device_4 FROM groups";

void bindText(sqlite3_stmt* statement, int index, const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  sqlite3_bind_text(statement, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

// Opens group.dat, prepares `sql`, lets `bind` set its values, then steps it
// to the end, handing every row to `row`. On failure logs `failLine`, and
// SQLite's message after it (on the same line when `failLine` ends in ':').
bool runStatement(const QString& userPrivateDir, const char* sql, const char* failLine,
                  const std::function<void(sqlite3_stmt*)>& bind,
                  const std::function<void(sqlite3_stmt*)>& row) {
  const QString path = groupFilePath(userPrivateDir);
  // A file too large to be ours is neither read nor changed.
  if (storedFileTooLarge(path, kGroupFileMaxBytes)) return false;
  // SQLite would make a missing file with the umask's mode; its journal
  // takes the database's mode.
  private_files::prepareFile(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) {
    qDebug() << "open" << path << "err";
    sqlite3_close(db);
    return false;
  }
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
  if (rc == SQLITE_OK) {
    if (bind) bind(statement);
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      if (row) row(statement);
    }
  }
  const bool ok = rc == SQLITE_DONE;
  if (!ok && failLine[0] && failLine[std::strlen(failLine) - 1] == ':') {
    qDebug("%s%s", failLine, sqlite3_errmsg(db));
  } else if (!ok) {
    qDebug("%s", failLine);
    qDebug("SQL error: %s", sqlite3_errmsg(db));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return ok;
}

}  // namespace

QString groupFilePath(const QString& userPrivateDir) {
  return userPrivateDir + QStringLiteral("group.dat");
}

bool device_groupInfodb_init(const QString& userPrivateDir) {
  qDebug() << "databasePath :" << groupFilePath(userPrivateDir);
  return runStatement(userPrivateDir, kCreate, "alarm_table create err !!!", nullptr, nullptr);
}

bool device_groupInfodb_insert(const QString& userPrivateDir,
                               const QuadWindowDevice_local_file_node& node) {
  qDebug() << "databasePath :" << groupFilePath(userPrivateDir);
  qDebug() << kInsert << node.groupName << node.device_1 << node.device_2 << node.device_3
           << node.device_4;
  return runStatement(
      userPrivateDir, kInsert, "alarm_table insert err !!!",
      [&node](sqlite3_stmt* s) {
        const QString* values[] = {&node.groupName, &node.device_1, &node.device_2, &node.device_3,
                                   &node.device_4};
        for (int i = 0; i < 5; ++i) bindText(s, i + 1, *values[i]);
      },
      nullptr);
}

bool device_groupInfodb_read_groupInfo(const QString& userPrivateDir, QList<StoredGroup>& out) {
  return runStatement(userPrivateDir, kSelect, "sqlstr exec err :", nullptr,
                      [&out](sqlite3_stmt* s) {
                        StoredGroup group;
                        group.groupName = columnText(s, 0);
                        for (int c = 1; c <= 4; ++c) group.devices.append(columnText(s, c));
                        qDebug() << group.groupName << group.devices;
                        out.append(group);
                      });
}

bool device_groupInfodb_delete_byGroupName(const QString& userPrivateDir,
                                           const QString& groupName) {
  return runStatement(
      userPrivateDir, kDelete, "alarm_table delete err !!!",
      [&groupName](sqlite3_stmt* s) { bindText(s, 1, groupName); }, nullptr);
}
