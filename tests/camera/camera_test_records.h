// Test helper: a camera's cloud records as the replies would build them.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "http_command/cloud_records.h"
#include "http_command/fetch_infos.h"
#include "http_command/json_tree.h"
#include "http_command/record_parsing.h"

namespace cameratest {

// A dev-config entry with the camera's gateway and rendezvous servers.
inline Dev_config* devConfig(const QString& id, const QString& gateway, const QString& servers) {
  const QByteArray i = id.toUtf8(), g = gateway.toUtf8(), s = servers.toUtf8();
  return new Dev_config(i.constData(), 1, "", "", "", "", "", "", "", s.constData(), "",
                        g.constData(), "", "");
}

// A fetch-infos record parsed from an "infos" element with these members.
inline FetchInfos* fetchInfos(const QString& id, const QString& accessKey,
                              const QString& localIp = QString(), const QString& ptz = "0",
                              const QString& snapshotUrl = QString()) {
  const QJsonObject base{{"deviceId", id}, {"accessKey", accessKey}, {"snapshotUrl", snapshotUrl}};
  const QJsonObject info{{"base", base},
                         {"capability", QJsonObject{{"ptz", ptz}}},
                         {"networkConfig", QJsonObject{{"localIp", localIp}}}};
  const QByteArray text = QJsonDocument(QJsonObject{{"info", info}}).toJson(QJsonDocument::Compact);
  JsonTreePtr tree = parseJson(text.constData());
  return FetchInfos_fromInfosEntry(tree.get());
}

}  // namespace cameratest
