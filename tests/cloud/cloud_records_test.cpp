#include "http_command/cloud_records.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QStringList>
#include <memory>

#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"
#include "http_command/json_fields.h"
#include "http_command/record_parsing.h"
#include "http_command/signin.h"
#include "json_tree.h"
#include "qt_print.h"

TEST(JsonFields, TextsAndNumbersByType) {
  const JsonTreePtr t =
      parseJson(R"({"s":"x\u00e9","n":7,"ns":"5","b":true,"o":{},"neg":-3,"big":1e12,"nul":null})");
  ASSERT_TRUE(t);
  const struct {
    const char* key;
    const char* text;
    int number;
  } cases[] = {
      {"s", "x\xC3\xA9", 0}, {"n", "", 7},    {"ns", "5", 0},     {"b", "", 0},
      {"o", "", 0},          {"neg", "", -3}, {"missing", "", 0}, {"nul", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(json_text(t.get(), c.key), QString::fromUtf8(c.text));
    EXPECT_EQ(json_int(t.get(), c.key), c.number);
  }
  EXPECT_EQ(json_int(t.get(), "big"), INT_MAX);  // saturates instead of wrapping
  EXPECT_EQ(json_text(nullptr, "s"), QString());
  EXPECT_EQ(json_int(nullptr, "n"), 0);
}

TEST(JsonFields, StatusOkIsExact) {
  const struct {
    const char* body;
    bool ok;
  } cases[] = {{R"({"status":"ok"})", true},   {R"({"status":"OK"})", false},
               {R"({"status":"ok "})", false}, {R"({"status":1})", false},
               {R"({"result":{}})", false},    {R"(["status","ok"])", false}};
  for (const auto& c : cases) {
    const JsonTreePtr t = parseJson(c.body);
    EXPECT_EQ(json_status_ok(t.get()), c.ok) << c.body;
  }
  EXPECT_FALSE(json_status_ok(nullptr));
}

TEST(CloudRecords, AppConfigFromReplyWithMissingAndWrongKeys) {
  const JsonTreePtr t = parseJson(
      R"({"status":"no","result":{"appConfig":{"uacUrl":"https://h/uac","capUrl":5,"privacyUrl":"p","locale":"de-DE"}}})");
  std::unique_ptr<App_config> c(App_config_fromReply(t.get()));
  EXPECT_EQ(c->uacUrl, "https://h/uac");
  EXPECT_EQ(c->capUrl, "");
  EXPECT_EQ(c->privacyUrl, "p");
  EXPECT_EQ(c->locale, "de-DE");
  EXPECT_EQ(c->agreementUrl, "");
  for (const char* broken : {"[]", R"({"result":[]})", R"({"result":{"appConfig":"x"}})"}) {
    const JsonTreePtr b = parseJson(broken);
    std::unique_ptr<App_config> e(App_config_fromReply(b.get()));
    EXPECT_EQ(e->uacUrl, "") << broken;
  }
  std::unique_ptr<App_config> none(App_config_fromReply(nullptr));
  EXPECT_EQ(none->wanIp, "");
}

TEST(CloudRecords, DeviceListKeepsOrderAndDefaults) {
  const JsonTreePtr t = parseJson(R"({
    "conDevices":[{"deviceId":"A","aliasName":"Hall","deviceType":1,"conType":2,"conStatus":1},
                  {"deviceId":"B","deviceType":"1"},
                  7],
    "devGenerals":[{"master":"m","slaves":"s","_id":"i","deviceId":"A","deviceType":1,
                    "deviceMode":"dm","vendorCode":"ORV","__v":3,"accessPubKey":"pk",
                    "accessPriKey":"sk","context":"c","activeTime":"t"}]})");
  std::unique_ptr<Device_list> list(Device_list_fromResult(t.get()));
  ASSERT_EQ(list->conDevices->size(), 3);
  const Con_device* a = list->conDevices->at(0);
  EXPECT_EQ(a->deviceId, "A");
  EXPECT_EQ(a->aliasName, "Hall");
  EXPECT_EQ(a->deviceType, 1);
  EXPECT_EQ(a->conType, 2);
  EXPECT_EQ(a->conStatus, 1);
  const Con_device* b = list->conDevices->at(1);
  EXPECT_EQ(b->deviceId, "B");
  EXPECT_EQ(b->aliasName, "");
  EXPECT_EQ(b->deviceType, 0);  // a number given as a string is not a number
  EXPECT_EQ(b->conStatus, 0);
  EXPECT_EQ(list->conDevices->at(2)->deviceId, "");
  ASSERT_EQ(list->devGenerals->size(), 1);
  const Dev_general* g = list->devGenerals->at(0);
  const QStringList texts = {g->master,     g->slaves,     g->_id,          g->deviceId,
                             g->deviceMode, g->vendorCode, g->accessPubKey, g->accessPriKey,
                             g->context,    g->activeTime};
  EXPECT_EQ(texts, QStringList({"m", "s", "i", "A", "dm", "ORV", "pk", "sk", "c", "t"}));
  EXPECT_EQ(g->deviceType, 1);
  EXPECT_EQ(g->__v, 3);

  const JsonTreePtr empty = parseJson(R"({"conDevices":{},"devGenerals":null})");
  std::unique_ptr<Device_list> none(Device_list_fromResult(empty.get()));
  EXPECT_TRUE(none->conDevices->isEmpty());
  EXPECT_TRUE(none->devGenerals->isEmpty());
}

TEST(CloudRecords, DevConfigKeepsOnlyCameras) {
  const JsonTreePtr t = parseJson(R"({"devices":[
    {"deviceId":"A","deviceType":1,"continent":"EU","country":"DE","devCloudStorUrl":"a",
     "devEmcUrl":"b","devGatewayUrl":"c","p2ps":"d","region":"e","stunServers":"127.0.0.1,127.0.0.2",
     "tunnelUrl":"f","gatewayUrl":"https://g/gw","cloudStorUrl":"h","emcUrl":"i"},
    {"deviceId":"B","deviceType":2},
    {"deviceId":"C","deviceType":"1"},
    {"deviceId":"D"},
    {"deviceId":"E","deviceType":1,"gatewayUrl":3}]})");
  const QList<Dev_config*> list = Dev_config_listFromResult(t.get());
  ASSERT_EQ(list.size(), 2);
  const Dev_config* a = list[0];
  const QStringList texts = {a->deviceId,    a->continent,     a->country,    a->devCloudStorUrl,
                             a->devEmcUrl,   a->devGatewayUrl, a->p2ps,       a->region,
                             a->stunServers, a->tunnelUrl,     a->gatewayUrl, a->cloudStorUrl,
                             a->emcUrl};
  EXPECT_EQ(texts, QStringList({"A", "EU", "DE", "a", "b", "c", "d", "e", "127.0.0.1,127.0.0.2",
                                "f", "https://g/gw", "h", "i"}));
  EXPECT_EQ(a->deviceType, 1);
  EXPECT_EQ(list[1]->deviceId, "E");
  EXPECT_EQ(list[1]->gatewayUrl, "");
  qDeleteAll(list);
  EXPECT_TRUE(Dev_config_listFromResult(nullptr).isEmpty());
}

TEST(CloudRecords, FetchInfosFieldsFromTheirObjects) {
  const JsonTreePtr t = parseJson(R"({"infos":[
    {"info":{"base":{"deviceId":"CAM1","whiteBalance":2,"freqValue":"60","accessKey":"ak1",
                     "snapshotUrl":"https://h/thumb/CAM1.jpeg","lastCamAlarmResReqTime":"77",
                     "deviceType":1,"onlineStatus":1,"wssPingInterval":"30"},
             "capability":{"ptz":"1","networkConfig":"capnet","mic":true,"speaker":1},
             "networkConfig":{"localIp":"10.0.0.5","ssid":"home","networkConfig":"wrong"},
             "streamConfig":{"streams":[{"no":"0","quality":"5"},{"no":"1"},{"no":"2","wanUrl":"w"}]}}},
    {"info":{"base":{"deviceId":"CAM1","accessKey":"ak2"}}},
    {"other":1}]})");
  const QList<FetchInfos*> list = FetchInfos_listFromResult(t.get());
  ASSERT_EQ(list.size(), 3);
  const FetchInfos* f = list[0];
  EXPECT_EQ(f->objectName(), "CAM1");
  EXPECT_EQ(f->deviceId, "CAM1");
  EXPECT_EQ(f->whiteBalance, 2);
  EXPECT_EQ(f->freqValue, 0);
  EXPECT_EQ(f->accessKey, "ak1");
  EXPECT_EQ(f->snapshotUrl, "https://h/thumb/CAM1.jpeg");
  EXPECT_EQ(f->lastCamAlarmResReqTime, "77");
  EXPECT_EQ(f->lastCamAlarmResReqTime2, "77");
  EXPECT_EQ(f->deviceType, "");  // a text field here: a number leaves it empty
  EXPECT_EQ(f->onlineStatus, 1);
  EXPECT_EQ(f->wssPingInterval, "30");
  EXPECT_EQ(f->ptz, "1");
  EXPECT_EQ(f->networkConfig, "capnet");  // from the capability object
  EXPECT_EQ(f->mic, "");                  // booleans and numbers are not texts
  EXPECT_EQ(f->speaker, "");
  EXPECT_EQ(f->localIp, "10.0.0.5");
  EXPECT_EQ(f->ssid, "home");
  ASSERT_EQ(f->streams.size(), 3);
  EXPECT_EQ(f->streams[0]->quality, "5");
  EXPECT_EQ(f->streams[1]->no, "1");
  EXPECT_EQ(f->streams[2]->wanUrl, "w");
  EXPECT_EQ(list[1]->accessKey, "ak2");
  EXPECT_TRUE(list[1]->streams.isEmpty());
  EXPECT_EQ(list[2]->objectName(), "");
  qDeleteAll(list);
}

TEST(CloudRecords, EveryFetchInfosFieldComesFromItsOwnKey) {
  // Each member carries its own object and key as its value, so a value
  // handed to the wrong constructor place shows up as a mismatch.
  const JsonTreePtr t = parseJson(
      "{\"infos\":[{\"info\":{\"base\":{\"deviceId\":\"base.deviceId\",\"whiteBalance\":2,"
      "\"freqValue\":3,\"nightMode\":\"base.nightMode\",\"orientationValue\":\"base."
      "orientationValue\",\"aliasName\":\"base.aliasName\",\"snapshotUrl\":\"base.snapshotUrl\","
      "\"snapshotTs\":\"base.snapshotTs\",\"tzManualAdjust\":\"base.tzManualAdjust\",\"accessKey\":"
      "\"base.accessKey\",\"channelId\":\"base.channelId\",\"connReadyTime\":\"base."
      "connReadyTime\",\"continent\":\"base.continent\",\"country\":\"base.country\","
      "\"deviceMode\":\"base.deviceMode\",\"deviceType\":\"base.deviceType\",\"endpoint\":\"base."
      "endpoint\",\"fwVersion\":\"base.fwVersion\",\"lastCamAlarmResReqTime\":\"base."
      "lastCamAlarmResReqTime\",\"lastCamSnapshotResReqTime\":\"base.lastCamSnapshotResReqTime\","
      "\"lastPingTime\":\"base.lastPingTime\",\"masterUid\":\"base.masterUid\",\"newFwVersion\":"
      "\"base.newFwVersion\",\"onlineModified\":\"base.onlineModified\",\"onlineModifier\":\"base."
      "onlineModifier\",\"onlineStatus\":27,\"prodName\":\"base.prodName\",\"remoteAddr\":\"base."
      "remoteAddr\",\"vendorCode\":\"base.vendorCode\",\"wssPingInterval\":\"base."
      "wssPingInterval\"},\"capability\":{\"autoTrack\":\"cap.autoTrack\",\"battery\":\"cap."
      "battery\",\"cloudStorageModes\":\"cap.cloudStorageModes\",\"detectEnhance\":\"cap."
      "detectEnhance\",\"diagnose\":\"cap.diagnose\",\"duplexVoice\":\"cap.duplexVoice\","
      "\"encryptMode\":\"cap.encryptMode\",\"hibernate\":\"cap.hibernate\",\"indicatorLightCtl\":"
      "\"cap.indicatorLightCtl\",\"localStorRmt\":\"cap.localStorRmt\",\"localStorageTypes\":\"cap."
      "localStorageTypes\",\"mic\":\"cap.mic\",\"networkConfig\":\"cap.networkConfig\",\"newtz\":"
      "\"cap.newtz\",\"onvif\":\"cap.onvif\",\"opticalZoom\":\"cap.opticalZoom\",\"pelco\":\"cap."
      "pelco\",\"pirDetect\":\"cap.pirDetect\",\"privLiveStream\":\"cap.privLiveStream\",\"ptz\":"
      "\"cap.ptz\",\"qualities\":\"cap.qualities\",\"speaker\":\"cap.speaker\",\"variFocus\":\"cap."
      "variFocus\",\"voiceDetect\":\"cap.voiceDetect\",\"whiteLightCtl\":\"cap.whiteLightCtl\","
      "\"wlanOnlineSet\":\"cap.wlanOnlineSet\"},\"networkConfig\":{\"wlanMac\":\"net.wlanMac\","
      "\"ethMac\":\"net.ethMac\",\"localIp\":\"net.localIp\",\"localIpMask\":\"net.localIpMask\","
      "\"localDirectProbeUrl\":\"net.localDirectProbeUrl\",\"wanIp\":\"net.wanIp\",\"netLinkType\":"
      "\"net.netLinkType\",\"ssid\":\"net.ssid\"}}}]}");
  const QList<FetchInfos*> list = FetchInfos_listFromResult(t.get());
  ASSERT_EQ(list.size(), 1);
  const FetchInfos& f = *list[0];
  const struct {
    QString FetchInfos::*field;
    const char* expected;
  } texts[] = {
      {&FetchInfos::deviceId, "base.deviceId"},
      {&FetchInfos::nightMode, "base.nightMode"},
      {&FetchInfos::orientationValue, "base.orientationValue"},
      {&FetchInfos::aliasName, "base.aliasName"},
      {&FetchInfos::snapshotUrl, "base.snapshotUrl"},
      {&FetchInfos::snapshotTs, "base.snapshotTs"},
      {&FetchInfos::tzManualAdjust, "base.tzManualAdjust"},
      {&FetchInfos::accessKey, "base.accessKey"},
      {&FetchInfos::channelId, "base.channelId"},
      {&FetchInfos::connReadyTime, "base.connReadyTime"},
      {&FetchInfos::continent, "base.continent"},
      {&FetchInfos::country, "base.country"},
      {&FetchInfos::deviceMode, "base.deviceMode"},
      {&FetchInfos::deviceType, "base.deviceType"},
      {&FetchInfos::endpoint, "base.endpoint"},
      {&FetchInfos::fwVersion, "base.fwVersion"},
      {&FetchInfos::lastCamAlarmResReqTime, "base.lastCamAlarmResReqTime"},
      {&FetchInfos::lastCamAlarmResReqTime2, "base.lastCamAlarmResReqTime"},
      {&FetchInfos::lastCamSnapshotResReqTime, "base.lastCamSnapshotResReqTime"},
      {&FetchInfos::lastPingTime, "base.lastPingTime"},
      {&FetchInfos::masterUid, "base.masterUid"},
      {&FetchInfos::newFwVersion, "base.newFwVersion"},
      {&FetchInfos::onlineModified, "base.onlineModified"},
      {&FetchInfos::onlineModifier, "base.onlineModifier"},
      {&FetchInfos::prodName, "base.prodName"},
      {&FetchInfos::remoteAddr, "base.remoteAddr"},
      {&FetchInfos::vendorCode, "base.vendorCode"},
      {&FetchInfos::wssPingInterval, "base.wssPingInterval"},
      {&FetchInfos::autoTrack, "cap.autoTrack"},
      {&FetchInfos::battery, "cap.battery"},
      {&FetchInfos::cloudStorageModes, "cap.cloudStorageModes"},
      {&FetchInfos::detectEnhance, "cap.detectEnhance"},
      {&FetchInfos::diagnose, "cap.diagnose"},
      {&FetchInfos::duplexVoice, "cap.duplexVoice"},
      {&FetchInfos::encryptMode, "cap.encryptMode"},
      {&FetchInfos::hibernate, "cap.hibernate"},
      {&FetchInfos::indicatorLightCtl, "cap.indicatorLightCtl"},
      {&FetchInfos::localStorRmt, "cap.localStorRmt"},
      {&FetchInfos::localStorageTypes, "cap.localStorageTypes"},
      {&FetchInfos::mic, "cap.mic"},
      {&FetchInfos::networkConfig, "cap.networkConfig"},
      {&FetchInfos::newtz, "cap.newtz"},
      {&FetchInfos::onvif, "cap.onvif"},
      {&FetchInfos::opticalZoom, "cap.opticalZoom"},
      {&FetchInfos::pelco, "cap.pelco"},
      {&FetchInfos::pirDetect, "cap.pirDetect"},
      {&FetchInfos::privLiveStream, "cap.privLiveStream"},
      {&FetchInfos::ptz, "cap.ptz"},
      {&FetchInfos::qualities, "cap.qualities"},
      {&FetchInfos::speaker, "cap.speaker"},
      {&FetchInfos::variFocus, "cap.variFocus"},
      {&FetchInfos::voiceDetect, "cap.voiceDetect"},
      {&FetchInfos::whiteLightCtl, "cap.whiteLightCtl"},
      {&FetchInfos::wlanOnlineSet, "cap.wlanOnlineSet"},
      {&FetchInfos::wlanMac, "net.wlanMac"},
      {&FetchInfos::ethMac, "net.ethMac"},
      {&FetchInfos::localIp, "net.localIp"},
      {&FetchInfos::localIpMask, "net.localIpMask"},
      {&FetchInfos::localDirectProbeUrl, "net.localDirectProbeUrl"},
      {&FetchInfos::wanIp, "net.wanIp"},
      {&FetchInfos::netLinkType, "net.netLinkType"},
      {&FetchInfos::ssid, "net.ssid"},
  };
  for (const auto& c : texts) EXPECT_EQ(f.*c.field, QString(c.expected));
  EXPECT_EQ(f.whiteBalance, 2);
  EXPECT_EQ(f.freqValue, 3);
  EXPECT_EQ(f.onlineStatus, 27);
  EXPECT_EQ(f.objectName(), "base.deviceId");
  qDeleteAll(list);
}

TEST(CloudRecords, ChallengeAndSigninFromReplies) {
  Challenge ch;
  ch.username = "u";
  const JsonTreePtr ok = parseJson(
      R"({"status":"no","result":{"serverPubKey":"S","clientPubKey":"P","clientSecretKey":"K"}})");
  Challenge_fillFromReply(ch, ok.get());
  EXPECT_EQ(ch.serverPubKey, "S");
  EXPECT_EQ(ch.clientPubKey, "P");
  EXPECT_EQ(ch.clientSecretKey, "K");
  const JsonTreePtr none = parseJson(R"({"status":"ok"})");
  Challenge_fillFromReply(ch, none.get());
  EXPECT_EQ(ch.serverPubKey + ch.clientPubKey + ch.clientSecretKey, "");
  EXPECT_EQ(ch.username, "u");

  const JsonTreePtr result = parseJson(
      R"({"accessToken":"a","refreshToken":"r","accessExpiresIn":7200,"refreshExpiresIn":"9","signToken":"s"})");
  std::unique_ptr<Signin> s(Signin_fromResult(result.get(), "0123456789abcdef0123456789abcdef"));
  EXPECT_EQ(s->get_accessToken(), "a");
  EXPECT_EQ(s->get_refreshToken(), "r");
  EXPECT_EQ(s->get_accessExpiresIn(), 7200);
  EXPECT_EQ(s->get_refreshExpiresIn(), 0);
  EXPECT_EQ(s->get_signToken(), "s");
  EXPECT_EQ(s->get_macDigest(), "0123456789abcdef0123456789abcdef");
}

TEST(DeviceContainer, OwnsAndFreesEverything) {
  {
    Device empty;  // no device list: only the lists are freed
  }
  auto* device = new Device();
  const JsonTreePtr dl = parseJson(R"({"conDevices":[{"deviceId":"A"}],"devGenerals":[{}]})");
  device->devlist = Device_list_fromResult(dl.get());
  const JsonTreePtr dc = parseJson(R"({"devices":[{"deviceId":"A","deviceType":1}]})");
  device->devConfigList = Dev_config_listFromResult(dc.get());
  const JsonTreePtr fi = parseJson(
      R"({"infos":[{"info":{"base":{"deviceId":"A"},"streamConfig":{"streams":[{}]}}}]})");
  device->fetchInfosList = FetchInfos_listFromResult(fi.get());
  device->fetchInfosList.append(nullptr);  // null entries are skipped
  device->liveStreamList.append(new Live_stream());
  int destroyedRecords = 0;  // FetchInfos records, counted as they are destroyed
  QObject watcher;
  QObject::connect(device->fetchInfosList[0], &QObject::destroyed, &watcher,
                   [&destroyedRecords] { ++destroyedRecords; });
  delete device;  // ASan reports anything left behind
  EXPECT_EQ(destroyedRecords, 1);
}
