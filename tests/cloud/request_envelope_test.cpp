#include <cJSON.h>
#include <gtest/gtest.h>

#include <QDateTime>
#include <QNetworkRequest>
#include <QSslSocket>
#include <ctime>
#include <memory>

#include "http_command/http_envelope.h"
#include "http_command/http_request.h"
#include "http_command/request_context.h"
#include "http_command/signin.h"
#include "http_command/uac_signature.h"
#include "json_tree.h"
#include "qt_print.h"

namespace {

class Envelope : public ::testing::Test {
 protected:
  void SetUp() override {
    request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
  }
  void TearDown() override { request_context::set({}); }
};

}  // namespace

TEST_F(Envelope, BodyMatchesTheReferenceText) {
  cJSON* meta = nullptr;
  const JsonTreePtr root(HTTP_body_create(&meta, nullptr));
  cJSON_AddStringToObject(meta, "accessToken", "AT1");
  EXPECT_EQ(HTTP_printBody(root.get()),
            QByteArray("{\"meta\":{\"locale\":\"en-US\",\"localtz\":60,\"appName\":\"orvanta\","
                       "\"appVendorCode\":\"ORV\",\"accessToken\":\"AT1\"},\"data\":{\"origin\":"
                       "\"PC\",\"osName\":\"windows\",\"agentName\":\"host1\",\"appVendorCode\":"
                       "\"ORV\"}}"));
}

TEST_F(Envelope, ContextValuesTravelAsUtf8AndNumbers) {
  request_context::set({QStringLiteral("zh-Hans-CN"), -330, QString::fromUtf8("b\xC3\xBCro")});
  const JsonTreePtr meta(HTTP_meta_create());
  const JsonTreePtr data(HTTP_data_create());
  EXPECT_STREQ(cJSON_GetObjectItem(meta.get(), "locale")->valuestring, "zh-Hans-CN");
  EXPECT_EQ(cJSON_GetObjectItem(meta.get(), "localtz")->valueint, -330);
  EXPECT_STREQ(cJSON_GetObjectItem(data.get(), "agentName")->valuestring, "b\xC3\xBCro");
}

// The UTC offset in minutes of the local zone, pinned with TZ (zones
// without summer time, written the POSIX way: the sign is west of UTC).
TEST_F(Envelope, SystemContextHasTheLocalesNameAndTheZonesOffsetInMinutes) {
  const QByteArray saved = qgetenv("TZ");
  const bool hadTz = qEnvironmentVariableIsSet("TZ");
  const struct {
    const char* tz;
    int minutes;
  } zones[] = {{"NST3:30", -210}, {"JST-9", 540}, {"UTC0", 0}, {"XST-5:45", 345}, {"YST10", -600}};
  for (const auto& z : zones) {
    qputenv("TZ", z.tz);
    tzset();
    const RequestContext c = request_context::fromSystem();
    EXPECT_FALSE(c.systemLocale.isEmpty());
    EXPECT_EQ(c.localtz, z.minutes) << z.tz;
  }
  if (hadTz)
    qputenv("TZ", saved);
  else
    qunsetenv("TZ");
  tzset();
}

TEST_F(Envelope, TimestampIsMillisecondsNow) {
  const qint64 before = QDateTime::currentMSecsSinceEpoch();
  const QString ts = HTTP_timestamp();
  const qint64 after = QDateTime::currentMSecsSinceEpoch();
  bool ok = false;
  const qint64 value = ts.toLongLong(&ok);
  ASSERT_TRUE(ok) << ts.toStdString();
  EXPECT_GE(value, before);
  EXPECT_LE(value, after);
  EXPECT_FALSE(ts.startsWith('+') || ts.startsWith('0'));
}

TEST(CloudRequest, CommonHeadersThenSignedOnesInOrder) {
  Signin tokens("AT1", "RT1", "all", "Bearer", 7200, 0, "signkey-123",
                "0123456789abcdef0123456789abcdef");
  const QByteArray body("{\"meta\":{},\"data\":{}}");
  const QNetworkRequest r = HTTP_signedCloudRequest(QUrl("https://127.0.0.1:1/uac/v2/device-list"),
                                                    tokens, body, "/api/v2/device-list");
  const QList<QByteArray> names = r.rawHeaderList();
  ASSERT_EQ(names, QList<QByteArray>({"Content-Type", "Accept-Language", "x-agent-token",
                                      "Authorization", "X-UAC-Signature"}));
  EXPECT_EQ(r.rawHeader("Content-Type"), "application/json;charset=utf-8");
  EXPECT_EQ(r.rawHeader("Accept-Language"), "zh");
  EXPECT_EQ(r.rawHeader("x-agent-token"), "0123456789abcdef0123456789abcdef");
  EXPECT_EQ(r.rawHeader("Authorization"), "Bearer AT1");
  const QList<QByteArray> sig = r.rawHeader("X-UAC-Signature").split(';');
  ASSERT_EQ(sig.size(), 3);
  EXPECT_EQ(sig[0], "UAC1-HMAC-SHA256");
  EXPECT_EQ(QString::fromLatin1(sig[2]),
            HTTP_uacSignature(body.constData(), "/api/v2/device-list", QString::fromLatin1(sig[1]),
                              "signkey-123"));

  const QNetworkRequest plain =
      HTTP_cloudRequest(QUrl("https://127.0.0.1:1/uac/v1/signin"), "zh;q=1.0");
  EXPECT_EQ(plain.rawHeaderList(), QList<QByteArray>({"Content-Type", "Accept-Language"}));
  EXPECT_EQ(plain.rawHeader("Accept-Language"), "zh;q=1.0");
}

TEST(CloudRequest, EveryRequestVerifiesThePeerOverTls12) {
  Signin tokens("a", "r", "", "", 0, 0, "k", "m");
  const QNetworkRequest requests[] = {
      HTTP_cloudRequest(QUrl("https://127.0.0.1:1/x")),
      HTTP_signedCloudRequest(QUrl("https://127.0.0.1:1/x"), tokens, "{}", "/api/x"),
  };
  for (const QNetworkRequest& r : requests) {
    EXPECT_EQ(r.sslConfiguration().protocol(), QSsl::TlsV1_2);
    EXPECT_EQ(r.sslConfiguration().peerVerifyMode(), QSslSocket::VerifyPeer);
  }
}
