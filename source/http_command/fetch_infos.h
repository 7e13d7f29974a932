// FetchInfos: one camera's full record from the fetch-infos answer (base
// data with the access key, capabilities, network settings and streams).
// A QObject whose object name is the device id; it owns its streams.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include "http_command/cloud_records.h"

class FetchInfos : public QObject {
  Q_OBJECT

 public:
  // The 31 base values, then the 26 capability values, then the 8 network
  // values (UTF-8 texts, null gives empty; three ints). `streams` is empty.
  FetchInfos(const char* deviceId, int whiteBalance, int freqValue, const char* nightMode,
             const char* orientationValue, const char* aliasName, const char* snapshotUrl,
             const char* snapshotTs, const char* tzManualAdjust, const char* accessKey,
             const char* channelId, const char* connReadyTime, const char* continent,
             const char* country, const char* deviceMode, const char* deviceType,
             const char* endpoint, const char* fwVersion, const char* lastCamAlarmResReqTime,
             const char* lastCamAlarmResReqTime2, const char* lastCamSnapshotResReqTime,
             const char* lastPingTime, const char* masterUid, const char* newFwVersion,
             const char* onlineModified, const char* onlineModifier, int onlineStatus,
             const char* prodName, const char* remoteAddr, const char* vendorCode,
             const char* wssPingInterval, const char* autoTrack, const char* battery,
             const char* cloudStorageModes, const char* detectEnhance, const char* diagnose,
             const char* duplexVoice, const char* encryptMode, const char* hibernate,
             const char* indicatorLightCtl, const char* localStorRmt, const char* localStorageTypes,
             const char* mic, const char* networkConfig, const char* newtz, const char* onvif,
             const char* opticalZoom, const char* pelco, const char* pirDetect,
             const char* privLiveStream, const char* ptz, const char* qualities,
             const char* speaker, const char* variFocus, const char* voiceDetect,
             const char* whiteLightCtl, const char* wlanOnlineSet, const char* wlanMac,
             const char* ethMac, const char* localIp, const char* localIpMask,
             const char* localDirectProbeUrl, const char* wanIp, const char* netLinkType,
             const char* ssid);
  ~FetchInfos() override;

  QString deviceId;
  int whiteBalance;
  int freqValue;
  QString nightMode;
  QString orientationValue;
  QString aliasName;
  QString snapshotUrl;
  QString snapshotTs;
  QString tzManualAdjust;
  QString accessKey;
  QString channelId;
  QString connReadyTime;
  QString continent;
  QString country;
  QString deviceMode;
  QString deviceType;
  QString endpoint;
  QString fwVersion;
  QString lastCamAlarmResReqTime;
  QString lastCamAlarmResReqTime2;
  QString lastCamSnapshotResReqTime;
  QString lastPingTime;
  QString masterUid;
  QString newFwVersion;
  QString onlineModified;
  QString onlineModifier;
  int onlineStatus;
  QString prodName;
  QString remoteAddr;
  QString vendorCode;
  QString wssPingInterval;
  QString wlanMac;
  QString ethMac;
  QString localIp;
  QString localIpMask;
  QString localDirectProbeUrl;
  QString wanIp;
  QString netLinkType;
  QString ssid;
  QString autoTrack;
  QString battery;
  QString cloudStorageModes;
  QString detectEnhance;
  QString diagnose;
  QString duplexVoice;
  QString encryptMode;
  QString hibernate;
  QString indicatorLightCtl;
  QString localStorRmt;
  QString localStorageTypes;
  QString mic;
  QString networkConfig;
  QString newtz;
  QString onvif;
  QString opticalZoom;
  QString pelco;
  QString pirDetect;
  QString privLiveStream;
  QString ptz;
  QString qualities;
  QString speaker;
  QString variFocus;
  QString voiceDetect;
  QString whiteLightCtl;
  QString wlanOnlineSet;
  QList<Stream_config*> streams;

 signals:
  void send_to_update_devicelistWindow();
};
