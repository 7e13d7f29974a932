#include "http_command/record_parsing.h"

#include <cJSON.h>

#include <initializer_list>

#include "http_command/fetch_infos.h"
#include "http_command/json_fields.h"
#include "http_command/signin.h"

namespace {

// Records made empty and then filled member by member from a table.
template <typename R>
struct TextField {
  const char* key;
  QString R::*field;
};
template <typename R>
struct IntField {
  const char* key;
  int R::*field;
};

template <typename R>
R* recordFrom(const cJSON* item, std::initializer_list<TextField<R>> texts,
              std::initializer_list<IntField<R>> ints = {}) {
  auto* r = new R();
  for (const TextField<R>& t : texts) r->*t.field = json_text(item, t.key);
  for (const IntField<R>& i : ints) r->*i.field = json_int(item, i.key);
  return r;
}

}  // namespace

App_config* App_config_fromReply(const cJSON* root) {
  const cJSON* c = json_object(json_object(root, "result"), "appConfig");
  return new App_config(json_string(c, "uacUrl"), json_string(c, "emcPortalUrl"),
                        json_string(c, "capUrl"), json_string(c, "storePortalUrl"),
                        json_string(c, "agreementUrl"), json_string(c, "privacyUrl"),
                        json_string(c, "cloudStorAgreementUrl"), json_string(c, "wanIp"),
                        json_string(c, "country"), json_string(c, "locale"));
}

Device_list* Device_list_fromResult(const cJSON* result) {
  const std::initializer_list<TextField<Con_device>> conTexts = {
      {"deviceId", &Con_device::deviceId}, {"aliasName", &Con_device::aliasName}};
  const std::initializer_list<IntField<Con_device>> conInts = {
      {"deviceType", &Con_device::deviceType},
      {"conType", &Con_device::conType},
      {"conStatus", &Con_device::conStatus}};
  const std::initializer_list<TextField<Dev_general>> generalTexts = {
      {"master", &Dev_general::master},
      {"slaves", &Dev_general::slaves},
      {"_id", &Dev_general::_id},
      {"deviceId", &Dev_general::deviceId},
      {"deviceMode", &Dev_general::deviceMode},
      {"vendorCode", &Dev_general::vendorCode},
      {"accessPubKey", &Dev_general::accessPubKey},
      {"accessPriKey", &Dev_general::accessPriKey},
      {"context", &Dev_general::context},
      {"activeTime", &Dev_general::activeTime}};
  const std::initializer_list<IntField<Dev_general>> generalInts = {
      {"deviceType", &Dev_general::deviceType}, {"__v", &Dev_general::__v}};
  auto* list = new Device_list();
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, json_array(result, "conDevices")) {
    list->conDevices->append(recordFrom<Con_device>(item, conTexts, conInts));
  }
  cJSON_ArrayForEach(item, json_array(result, "devGenerals")) {
    list->devGenerals->append(recordFrom<Dev_general>(item, generalTexts, generalInts));
  }
  return list;
}

QList<Dev_config*> Dev_config_listFromResult(const cJSON* result) {
  QList<Dev_config*> configs;
  const cJSON* d = nullptr;
  cJSON_ArrayForEach(d, json_array(result, "devices")) {
    if (json_int(d, "deviceType") != 1) continue;
    configs.append(new Dev_config(
        json_string(d, "deviceId"), json_int(d, "deviceType"), json_string(d, "continent"),
        json_string(d, "country"), json_string(d, "devCloudStorUrl"), json_string(d, "devEmcUrl"),
        json_string(d, "devGatewayUrl"), json_string(d, "p2ps"), json_string(d, "region"),
        json_string(d, "stunServers"), json_string(d, "tunnelUrl"), json_string(d, "gatewayUrl"),
        json_string(d, "cloudStorUrl"), json_string(d, "emcUrl")));
  }
  return configs;
}

FetchInfos* FetchInfos_fromInfosEntry(const cJSON* entry) {
  const cJSON* info = json_object(entry, "info");
  const cJSON* base = json_object(info, "base");
  const cJSON* capability = json_object(info, "capability");
  const cJSON* networkConfig = json_object(info, "networkConfig");
  auto* record = new FetchInfos(
      json_string(base, "deviceId"), json_int(base, "whiteBalance"), json_int(base, "freqValue"),
      json_string(base, "nightMode"), json_string(base, "orientationValue"),
      json_string(base, "aliasName"), json_string(base, "snapshotUrl"),
      json_string(base, "snapshotTs"), json_string(base, "tzManualAdjust"),
      json_string(base, "accessKey"), json_string(base, "channelId"),
      json_string(base, "connReadyTime"), json_string(base, "continent"),
      json_string(base, "country"), json_string(base, "deviceMode"),
      json_string(base, "deviceType"), json_string(base, "endpoint"),
      json_string(base, "fwVersion"), json_string(base, "lastCamAlarmResReqTime"),
      json_string(base, "lastCamAlarmResReqTime"), json_string(base, "lastCamSnapshotResReqTime"),
      json_string(base, "lastPingTime"), json_string(base, "masterUid"),
      json_string(base, "newFwVersion"), json_string(base, "onlineModified"),
      json_string(base, "onlineModifier"), json_int(base, "onlineStatus"),
      json_string(base, "prodName"), json_string(base, "remoteAddr"),
      json_string(base, "vendorCode"), json_string(base, "wssPingInterval"),
      json_string(capability, "autoTrack"), json_string(capability, "battery"),
      json_string(capability, "cloudStorageModes"), json_string(capability, "detectEnhance"),
      json_string(capability, "diagnose"), json_string(capability, "duplexVoice"),
      json_string(capability, "encryptMode"), json_string(capability, "hibernate"),
      json_string(capability, "indicatorLightCtl"), json_string(capability, "localStorRmt"),
      json_string(capability, "localStorageTypes"), json_string(capability, "mic"),
      json_string(capability, "networkConfig"), json_string(capability, "newtz"),
      json_string(capability, "onvif"), json_string(capability, "opticalZoom"),
      json_string(capability, "pelco"), json_string(capability, "pirDetect"),
      json_string(capability, "privLiveStream"), json_string(capability, "ptz"),
      json_string(capability, "qualities"), json_string(capability, "speaker"),
      json_string(capability, "variFocus"), json_string(capability, "voiceDetect"),
      json_string(capability, "whiteLightCtl"), json_string(capability, "wlanOnlineSet"),
      json_string(networkConfig, "wlanMac"), json_string(networkConfig, "ethMac"),
      json_string(networkConfig, "localIp"), json_string(networkConfig, "localIpMask"),
      json_string(networkConfig, "localDirectProbeUrl"), json_string(networkConfig, "wanIp"),
      json_string(networkConfig, "netLinkType"), json_string(networkConfig, "ssid"));
  const std::initializer_list<TextField<Stream_config>> streamTexts = {
      {"bitRate", &Stream_config::bitRate},   {"frameRate", &Stream_config::frameRate},
      {"localUrl", &Stream_config::localUrl}, {"no", &Stream_config::no},
      {"quality", &Stream_config::quality},   {"resHeight", &Stream_config::resHeight},
      {"resWidth", &Stream_config::resWidth}, {"wanUrl", &Stream_config::wanUrl}};
  const cJSON* stream = nullptr;
  cJSON_ArrayForEach(stream, json_array(json_object(info, "streamConfig"), "streams")) {
    record->streams.append(recordFrom<Stream_config>(stream, streamTexts));
  }
  return record;
}

QList<FetchInfos*> FetchInfos_listFromResult(const cJSON* result) {
  QList<FetchInfos*> records;
  const cJSON* entry = nullptr;
  cJSON_ArrayForEach(entry, json_array(result, "infos"))
      records.append(FetchInfos_fromInfosEntry(entry));
  return records;
}

void Challenge_fillFromReply(Challenge& challenge, const cJSON* root) {
  const cJSON* result = json_object(root, "result");
  challenge.serverPubKey = json_text(result, "serverPubKey");
  challenge.clientPubKey = json_text(result, "clientPubKey");
  challenge.clientSecretKey = json_text(result, "clientSecretKey");
}

Signin* Signin_fromResult(const cJSON* result, const QString& macDigest) {
  const QByteArray digest = macDigest.toUtf8();
  return new Signin(json_string(result, "accessToken"), json_string(result, "refreshToken"),
                    json_string(result, "scope"), json_string(result, "tokenType"),
                    json_int(result, "accessExpiresIn"), json_int(result, "refreshExpiresIn"),
                    json_string(result, "signToken"), digest.constData());
}
