#include "cloud_answers.h"

QByteArray tokenReply(const char* access, const char* sign, int expires) {
  return QStringLiteral(R"({"status":"ok","code":0,"result":{"accessToken":"%1","refreshToken":"RT-%1",)"
                        R"("scope":"all","tokenType":"Bearer","accessExpiresIn":%3,)"
                        R"("refreshExpiresIn":86400,"signToken":"%2"}})")
      .arg(QLatin1String(access), QLatin1String(sign))
      .arg(expires)
      .toUtf8();
}

QMap<QString, QByteArray> goodCloudAnswers() {
  // Usable keys (callers may run before this file's statics are made).
  const QByteArray kKey = QByteArray(32, '\x01').toBase64();
  return {
      {"/api/v1/app-startup",
       R"({"status":"ok","result":{"appConfig":{"uacUrl":"https://cloud.test/uac"}}})"},
      {"/v1/challenge", R"({"status":"ok","result":{"serverPubKey":")" + kKey +
                            R"(","clientPubKey":")" + kKey + R"(","clientSecretKey":")" + kKey +
                            R"("}})"},
      {"/v1/signin", tokenReply("AT1", "SK1")},
      {"/v1/refresh-token", tokenReply("AT1", "SK1")},
      {"/v2/device-list",
       R"({"status":"ok","result":{"conDevices":[{"deviceId":"C1","aliasName":"Door",)"
       R"("deviceType":1,"conType":1,"conStatus":1}],"devGenerals":[]}})"},
      {"/api/v1/dev-config",
       R"({"status":"ok","result":{"devices":[{"deviceId":"C1","deviceType":1,)"
       R"("gatewayUrl":"https://cloud.test/gw"}]}})"},
      {"/v1/signout", R"({"status":"ok","message":"signed out"})"},
  };
}
