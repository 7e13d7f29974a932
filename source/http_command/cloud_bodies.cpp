#include "http_command/cloud_bodies.h"

#include <cJSON.h>

#include <initializer_list>
#include <utility>

#include "http_command/cloud_records.h"
#include "http_command/http_envelope.h"
#include "http_command/json_tree.h"

namespace {

using Members = std::initializer_list<std::pair<const char*, QByteArray>>;

void addTexts(cJSON* object, Members members) {
  for (const auto& m : members) cJSON_AddStringToObject(object, m.first, m.second.constData());
}

// The envelope; the call's members appended to meta (texts) and data.
template <typename Fill>
QByteArray bodyWith(Members metaMembers, Fill fillData) {
  cJSON* meta = nullptr;
  cJSON* data = nullptr;
  JsonTreePtr root(HTTP_body_create(&meta, &data));
  addTexts(meta, metaMembers);
  fillData(data);
  return HTTP_printBody(root.get());
}

QByteArray body(Members metaMembers, Members dataMembers) {
  return bodyWith(metaMembers, [&](cJSON* data) { addTexts(data, dataMembers); });
}

}  // namespace

QByteArray appStartupBody() { return body({}, {}); }

QByteArray challengeBody(const QString& username, const QString& agentToken) {
  return body({}, {{"username", username.toUtf8()},
                   {"action", "signin"},
                   {"agentToken", agentToken.toUtf8()}});
}

QByteArray signinBody(const QString& username, const QByteArray& passwordMember,
                      const QByteArray& nonceMember, const QString& agentToken) {
  return body({}, {{"username", username.toUtf8()},
                   {"password", passwordMember},
                   {"nonce", nonceMember},
                   {"agentName", "windows"},
                   {"agentToken", agentToken.toUtf8()},
                   {"osName", "windows"},
                   {"grantType", "password"},
                   {"scope", "all"}});
}

QByteArray refreshBody(const QString& agentToken, const QString& accessToken,
                       const QString& refreshToken) {
  return body({}, {{"agentToken", agentToken.toUtf8()},
                   {"accessToken", accessToken.toUtf8()},
                   {"refreshToken", refreshToken.toUtf8()}});
}

QByteArray deviceListBody(const QString& accessToken) {
  return body({{"accessToken", accessToken.toUtf8()}}, {});
}

QByteArray devConfigBody(const QString& accessToken, const QList<Con_device*>& devices) {
  return bodyWith({{"accessToken", accessToken.toUtf8()}}, [&](cJSON* data) {
    cJSON* list = cJSON_AddArrayToObject(data, "devices");
    for (const Con_device* device : devices) {
      if (!device) continue;
      cJSON* entry = cJSON_CreateObject();
      cJSON_AddStringToObject(entry, "deviceId", device->deviceId.toUtf8().constData());
      cJSON_AddNumberToObject(entry, "deviceType", device->deviceType);
      cJSON_AddItemToArray(list, entry);
    }
  });
}

QByteArray snapshotBody(const QString& accessToken, const QString& deviceId) {
  return body({{"accessToken", accessToken.toUtf8()}}, {{"deviceId", deviceId.toUtf8()}});
}

QByteArray fetchInfosBody(const QString& deviceId) {
  return bodyWith({}, [&](cJSON* data) {
    cJSON* entry = cJSON_CreateObject();
    cJSON_AddStringToObject(entry, "did", deviceId.toUtf8().constData());
    cJSON_AddNumberToObject(entry, "dtype", 1);
    cJSON_AddFalseToObject(entry, "isShare");
    cJSON_AddArrayToObject(entry, "scopes");
    cJSON* list = cJSON_AddArrayToObject(data, "devices");
    cJSON_AddItemToArray(list, entry);
  });
}

QByteArray signoutBody(const QString& agentToken, const QString& refreshToken) {
  return body({}, {{"agentToken", agentToken.toUtf8()}, {"refreshToken", refreshToken.toUtf8()}});
}
