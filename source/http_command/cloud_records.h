// Plain records of what the cloud answers: service configuration, the
// account's device list, per-device service configuration, stream entries,
// the sign-in challenge. Texts are QString, numbers int; no locking (they
// are built on the GUI thread before any other thread reads them).
#pragma once

#include <QList>
#include <QString>

struct App_config {
  App_config() = default;
  // Ten UTF-8 texts in field order; a null pointer gives an empty text.
  App_config(const char* uacUrl, const char* emcPortalUrl, const char* capUrl,
             const char* storePortalUrl, const char* agreementUrl, const char* privacyUrl,
             const char* cloudStorAgreementUrl, const char* wanIp, const char* country,
             const char* locale);

  QString uacUrl;
  QString emcPortalUrl;
  QString capUrl;
  QString storePortalUrl;
  QString agreementUrl;
  QString privacyUrl;
  QString cloudStorAgreementUrl;
  QString wanIp;
  QString country;
  QString locale;
};

struct Con_device {
  QString deviceId;
  QString aliasName;
  int deviceType = 0;
  int conType = 0;
  int conStatus = 0;
};

struct Dev_general {
  QString master;
  QString slaves;
  QString _id;
  QString deviceId;
  int deviceType = 0;
  QString deviceMode;
  QString vendorCode;
  int __v = 0;
  QString accessPubKey;
  QString accessPriKey;
  QString context;
  QString activeTime;
};

// Owns both lists and every entry in them.
struct Device_list {
  Device_list();
  ~Device_list();
  Device_list(const Device_list&) = delete;
  Device_list& operator=(const Device_list&) = delete;

  QList<Con_device*>* conDevices;
  QList<Dev_general*>* devGenerals;
};

struct Dev_config {
  Dev_config(const char* deviceId, int deviceType, const char* continent, const char* country,
             const char* devCloudStorUrl, const char* devEmcUrl, const char* devGatewayUrl,
             const char* p2ps, const char* region, const char* stunServers, const char* tunnelUrl,
             const char* gatewayUrl, const char* cloudStorUrl, const char* emcUrl);

  QString deviceId;
  int deviceType;
  QString continent;
  QString country;
  QString devCloudStorUrl;
  QString devEmcUrl;
  QString devGatewayUrl;
  QString p2ps;
  QString region;
  QString stunServers;
  QString tunnelUrl;
  QString gatewayUrl;
  QString cloudStorUrl;
  QString emcUrl;
};

struct Stream_config {
  QString bitRate;
  QString frameRate;
  QString localUrl;
  QString no;
  QString quality;
  QString resHeight;
  QString resWidth;
  QString wanUrl;
};

// A live-stream token answer: the stream's own fields plus the token data.
struct Live_stream : Stream_config {
  int reqType = 0;
  QString reqServer;
  QString token;
  int encryptMode = 0;
  QString sessionKey;
};

struct Challenge {
  QString serverPubKey;
  QString clientPubKey;
  QString clientSecretKey;
  QString username;
  QString password;
  QString macDigest;
};

// A UTF-8 text, or empty for a null pointer.
QString record_text(const char* utf8);
