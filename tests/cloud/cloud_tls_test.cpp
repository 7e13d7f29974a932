// The client's request helpers against the simulated cloud over real TLS.
#include <cJSON.h>
#include <gtest/gtest.h>
#include <sodium.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "http_command/base64_codec.h"
#include "http_command/cloud_config.h"
#include "http_command/http_envelope.h"
#include "http_command/http_request.h"
#include "http_command/request_context.h"
#include "http_command/signin.h"
#include "json_tree.h"
#include "core_app.h"
#include "netns_test.h"
#include "qt_print.h"
#include "sim_cloud_process.h"

namespace {

constexpr const char* kInstallId = "{3f2b8c1e-7d4a-4e9b-a2c6-0d1e5f7a9b34}";

struct Answer {
  QNetworkReply::NetworkError error = QNetworkReply::NoError;
  int status = 0;
  QByteArray body;
  QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// Waits (bounded) for the reply and takes what it brought.
Answer finish(QNetworkReply* raw) {
  std::unique_ptr<QNetworkReply> reply(raw);
  QEventLoop loop;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
  limit.start(20000);
  loop.exec();
  EXPECT_TRUE(reply->isFinished()) << "no answer within 20 s";
  Answer a;
  a.error = reply->error();
  a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  a.body = reply->readAll();
  return a;
}

Answer post(QNetworkAccessManager& manager, const QNetworkRequest& request,
            const QByteArray& body) {
  return finish(manager.post(request, body));
}

QByteArray body(const char* metaKey = nullptr, const char* metaValue = nullptr,
                const std::function<void(cJSON*)>& data = nullptr) {
  cJSON* meta = nullptr;
  cJSON* d = nullptr;
  const JsonTreePtr root(HTTP_body_create(&meta, &d));
  if (metaKey) cJSON_AddStringToObject(meta, metaKey, metaValue);
  if (data) data(d);
  return HTTP_printBody(root.get());
}

class CloudTls : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    coreApp();
    manager = std::make_unique<QNetworkAccessManager>();
    request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
    QString why;
    ASSERT_TRUE(cloud.start({}, &why)) << why.toStdString();
  }

  QJsonArray loggedRequests() {
    QFile f(cloud.logFile());
    QJsonArray all;
    if (!f.exists()) return all;  // nothing logged yet
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    for (const QByteArray& line : f.readAll().split('\n')) {
      if (!line.trimmed().isEmpty()) all.append(QJsonDocument::fromJson(line).object());
    }
    return all;
  }

  QUrl url(const char* path) const { return QUrl(cloud.baseUrl() + QLatin1String(path)); }
  QUrl entry(const char* path) const { return QUrl(cloud.entryUrl() + QLatin1String(path)); }

  // The strict cloud found nothing to object to in what Qt put on the wire.
  void expectNoViolations() {
    for (const QJsonValue& v : loggedRequests()) {
      const QJsonObject entry = v.toObject();
      EXPECT_TRUE(entry["violations"].toArray().isEmpty())
          << entry["path"].toString().toStdString() << ": "
          << QJsonDocument(entry["violations"].toArray()).toJson().toStdString();
    }
  }

  SimCloudProcess cloud;
  std::unique_ptr<QNetworkAccessManager> manager;  // made once the application exists
};

}  // namespace

TEST_F(CloudTls, UntrustedCloudFailsThenTheCaSettingMakesItWork) {
  const Answer refused = post(*manager, HTTP_cloudRequest(entry("/api/v1/app-startup")), body());
  EXPECT_EQ(refused.error, QNetworkReply::SslHandshakeFailedError);
  EXPECT_EQ(refused.status, 0);
  EXPECT_TRUE(loggedRequests().isEmpty()) << "the request must not reach the server";

  qputenv(cloud_config::kUrlVariable, cloud.entryUrl().toUtf8());
  qputenv(cloud_config::kCaVariable, cloud.caFile().toUtf8());
  CloudConfig config;
  QString why;
  ASSERT_TRUE(cloud_config::apply(config, &why)) << why.toStdString();
  qunsetenv(cloud_config::kUrlVariable);
  qunsetenv(cloud_config::kCaVariable);

  QNetworkAccessManager fresh;  // no cached failed connection
  const Answer ok =
      post(fresh, HTTP_cloudRequest(QUrl(config.entryUrl + "/api/v1/app-startup")), body());
  ASSERT_EQ(ok.error, QNetworkReply::NoError) << ok.body.toStdString();
  EXPECT_EQ(ok.status, 200);
  EXPECT_EQ(ok.json()["status"].toString(), "ok");
  EXPECT_TRUE(
      ok.json()["result"].toObject()["appConfig"].toObject()["uacUrl"].toString().startsWith(
          cloud.baseUrl() + "/"));
  expectNoViolations();
}

TEST_F(CloudTls, SignedRequestIsVerifiedByTheCloud) {
  QString why;
  ASSERT_TRUE(cloud_config::installCaFile(cloud.caFile(), &why)) << why.toStdString();
  const Answer installed = post(*manager, HTTP_cloudRequest(url("/_sim/session")),
                                R"({"accessToken":"AT-tls","signToken":"key-tls"})");
  ASSERT_EQ(installed.status, 200) << installed.body.toStdString();

  Signin tokens("AT-tls", "RT", "all", "Bearer", 7200, 0, "key-tls",
                "0123456789abcdef0123456789abcdef");
  const QByteArray listBody = body("accessToken", "AT-tls");
  const Answer listed = post(
      *manager,
      HTTP_signedCloudRequest(url("/uac/v2/device-list"), tokens, listBody, "/api/v2/device-list"),
      listBody);
  ASSERT_EQ(listed.status, 200) << listed.body.toStdString();
  EXPECT_EQ(listed.json()["result"].toObject()["conDevices"].toArray().size(), 2);

  // What went over the wire: our headers in our order, the body byte for byte.
  const QJsonArray logged = loggedRequests();
  ASSERT_FALSE(logged.isEmpty());
  const QJsonObject entry = logged.last().toObject();
  EXPECT_EQ(entry["path"].toString(), "/uac/v2/device-list");
  EXPECT_EQ(QByteArray::fromBase64(entry["bodyBase64"].toString().toLatin1()), listBody);
  QStringList ours;
  for (const QJsonValue& h : entry["headers"].toArray()) {
    const QString name = h.toArray()[0].toString();
    if (QStringList({"Content-Type", "Accept-Language", "x-agent-token", "Authorization",
                     "X-UAC-Signature"})
            .contains(name)) {
      ours << name;
    }
  }
  EXPECT_EQ(ours, QStringList({"Content-Type", "Accept-Language", "x-agent-token", "Authorization",
                               "X-UAC-Signature"}));

  EXPECT_TRUE(entry["violations"].toArray().isEmpty());

  tokens.set_signToken("stale-key");
  const Answer rejected = post(
      *manager,
      HTTP_signedCloudRequest(url("/uac/v2/device-list"), tokens, listBody, "/api/v2/device-list"),
      listBody);
  EXPECT_EQ(rejected.status, 401);
}

TEST_F(CloudTls, PasswordBoxMadeWithTheClientHelpersOpens) {
  ASSERT_GE(sodium_init(), 0);
  QString why;
  ASSERT_TRUE(cloud_config::installCaFile(cloud.caFile(), &why)) << why.toStdString();
  const QByteArray challengeBody = body(nullptr, nullptr, [](cJSON* d) {
    cJSON_AddStringToObject(d, "username", "user@example.com");
    cJSON_AddStringToObject(d, "action", "signin");
    cJSON_AddStringToObject(d, "agentToken", kInstallId);
  });
  const QJsonObject keys =
      post(*manager, HTTP_cloudRequest(url("/uac/v1/challenge")), challengeBody)
          .json()["result"]
          .toObject();
  ASSERT_FALSE(keys["serverPubKey"].toString().isEmpty());

  // The NaCl layout: 32 zero bytes before the message, 16 zero bytes before the box.
  auto key = [](const QString& b64) {
    int len = 0;
    unsigned char* k = base64_decode(b64.toUtf8().constData(), &len);
    EXPECT_EQ(len, 32) << b64.toStdString();
    QByteArray padded(32, '\0');
    if (k) std::memcpy(padded.data(), k, static_cast<size_t>(std::min(len, 32)));
    std::free(k);
    return padded;
  };
  const QByteArray serverPk = key(keys["serverPubKey"].toString());
  const QByteArray clientSk = key(keys["clientSecretKey"].toString());
  const QByteArray password = "secret123";
  const QByteArray nonce = "abcdefghijklmnopqrstuvwx";
  QByteArray message(32, '\0');
  message += password;
  QByteArray boxed(message.size(), '\0');
  ASSERT_EQ(crypto_box(reinterpret_cast<unsigned char*>(boxed.data()),
                       reinterpret_cast<const unsigned char*>(message.constData()),
                       static_cast<unsigned long long>(message.size()),
                       reinterpret_cast<const unsigned char*>(nonce.constData()),
                       reinterpret_cast<const unsigned char*>(serverPk.constData()),
                       reinterpret_cast<const unsigned char*>(clientSk.constData())),
            0);
  int len = 0;
  char* boxText = base64_encode_bytes(
      reinterpret_cast<const unsigned char*>(boxed.constData()) + 16, boxed.size() - 16, &len);
  char* nonceText =
      base64_encode(reinterpret_cast<const unsigned char*>(nonce.constData()), nullptr);
  EXPECT_EQ(len, 4 * ((16 + password.size() + 2) / 3));
  const QByteArray signinBody = body(nullptr, nullptr, [&](cJSON* d) {
    cJSON_AddStringToObject(d, "username", "user@example.com");
    cJSON_AddStringToObject(d, "password", boxText);
    cJSON_AddStringToObject(d, "nonce", nonceText);
    cJSON_AddStringToObject(d, "agentName", "windows");
    cJSON_AddStringToObject(d, "agentToken", kInstallId);
    cJSON_AddStringToObject(d, "osName", "windows");
    cJSON_AddStringToObject(d, "grantType", "password");
    cJSON_AddStringToObject(d, "scope", "all");
  });
  std::free(boxText);
  std::free(nonceText);
  const Answer signedIn =
      post(*manager, HTTP_cloudRequest(url("/uac/v1/signin"), "zh;q=1.0"), signinBody);
  EXPECT_EQ(signedIn.json()["status"].toString(), "ok") << signedIn.body.toStdString();
  EXPECT_FALSE(signedIn.json()["result"].toObject()["signToken"].toString().isEmpty());
  expectNoViolations();
}

TEST_F(CloudTls, ThumbnailDownloadCarriesOnlyWhatQtAdds) {
  QString why;
  ASSERT_TRUE(cloud_config::installCaFile(cloud.caFile(), &why)) << why.toStdString();
  QNetworkRequest request(url("/thumb/CAM0001.jpeg"));
  request.setSslConfiguration(HTTP_sslConfiguration());
  const Answer picture = finish(manager->get(request));
  EXPECT_EQ(picture.status, 200);
  EXPECT_TRUE(picture.body.startsWith("\xff\xd8")) << picture.body.left(16).toHex().toStdString();
  expectNoViolations();
}
