// The cloud calls of the client: where each is posted, whether it is
// signed and under which path, its Accept-Language, and what happens to a
// failed attempt. One table, read by every request builder and reply
// handler (main window, sign-in dialog, snapshot thread, camera objects).
#pragma once

#include <QString>
#include <QUrl>

enum class CloudCall {
  AppStartup,
  Challenge,
  Signin,
  RefreshToken,
  DeviceList,
  DevConfig,
  Snapshot,
  FetchInfos,
  Signout,
};

// The base URL a call is posted under.
enum class CloudBase {
  Entry,    // the configured cloud entry URL
  Uac,      // uacUrl of the app-startup reply
  Gateway,  // the camera's gatewayUrl (dev-config reply)
};

struct CloudCallInfo {
  const char* name;            // for log lines ("HTTP_deviceList")
  CloudBase base;
  const char* path;            // appended to the base
  const char* signedPath;      // nullptr: not signed
  const char* acceptLanguage;  // "zh"; the sign-in alone "zh;q=1.0"
  bool resend;                 // a failed attempt is sent again (else only logged)
  int giveUpAfter;             // consecutive failures that end the attempt; 0: never
};

const CloudCallInfo& cloudCallInfo(CloudCall call);

// base (trailing slashes dropped) + the call's path. Invalid when `base` is empty.
QUrl cloudCallUrl(CloudCall call, const QString& base);
