// Test helper: the simulated cloud's request log (one JSON object a line).
#pragma once

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>

inline QJsonArray readRequestLog(const QString& path) {
  QJsonArray all;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return all;  // nothing logged yet
  for (const QByteArray& line : f.readAll().split('\n')) {
    if (!line.trimmed().isEmpty()) all.append(QJsonDocument::fromJson(line).object());
  }
  return all;
}

// The paths of the logged requests in arrival order, test hooks left out.
inline QStringList loggedPaths(const QJsonArray& log) {
  QStringList paths;
  for (const QJsonValue& v : log) {
    const QString path = v.toObject()["path"].toString();
    if (!path.startsWith(QLatin1String("/_sim/"))) paths << path;
  }
  return paths;
}
