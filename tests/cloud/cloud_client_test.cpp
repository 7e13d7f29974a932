// The cloud protocol object against the simulated cloud over real TLS: the
// whole chain in order with every signature verified by the cloud, failed
// attempts sent again and bounded, the two kinds of sign-out, late replies
// of an ended session, the snapshot pass of every session, and no secret in
// the log.
#include <cJSON.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTcpServer>
#include <memory>

#include "cloud_client_harness.h"
#include "data_dir_fixture.h"
#include "http_command/cloud_config.h"
#include "http_command/device_container.h"
#include "http_command/http_request.h"
#include "http_command/json_tree.h"
#include "http_command/request_context.h"
#include "http_command/signin.h"
#include "../app/log_capture.h"
#include "core_app.h"
#include "netns_test.h"
#include "qt_print.h"
#include "request_log_reader.h"
#include "sim_cloud_process.h"

namespace {

const QString kUser = QStringLiteral("user@example.com");
const QString kPassword = QStringLiteral("secret123");
const QString kMacText = QStringLiteral("02:00:00:aa:bb:cc");

std::unique_ptr<QNetworkAccessManager> realManager() {
  return std::make_unique<QNetworkAccessManager>();
}

class SimClient : public DataDirTest {
 protected:
  void SetUp() override {
    DataDirTest::SetUp();
    REQUIRE_PRIVATE_NETNS();
    coreApp();
    request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
  }

  // Starts the cloud with `args`, trusts its CA (unless told not to) and
  // makes the client.
  void start(const QStringList& args = {}, bool trustCa = true) {
    QString why;
    ASSERT_TRUE(cloud.start(args, &why)) << why.toStdString();
    if (trustCa) {
      ASSERT_TRUE(cloud_config::installCaFile(cloud.caFile(), &why)) << why.toStdString();
    }
    harness = std::make_unique<ClientHarness>(cloud.entryUrl(), realManager);
  }

  QJsonArray log() const { return readRequestLog(cloud.logFile()); }
  int logged(const QString& suffix) const {
    int n = 0;
    for (const QString& p : loggedPaths(log())) n += p.endsWith(suffix) ? 1 : 0;
    return n;
  }
  bool waitLogged(const QString& suffix, int count, int limitMs = 20000) const {
    return ClientHarness::waitFor([&] { return logged(suffix) >= count; }, limitMs);
  }

  // One scripted failure at run time (the cloud's /_sim/script hook).
  void script(const char* path, const char* mode, int count, int arg) {
    QNetworkAccessManager m;
    const QByteArray body = QStringLiteral(R"({"path":"%1","mode":"%2","count":%3,"arg":%4})")
                                .arg(QLatin1String(path), QLatin1String(mode))
                                .arg(count)
                                .arg(arg)
                                .toUtf8();
    QNetworkReply* r = m.post(HTTP_cloudRequest(QUrl(cloud.baseUrl() + "/_sim/script")), body);
    ClientHarness::waitFor([&] { return r->isFinished(); }, 10000);
    EXPECT_EQ(r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    delete r;
  }

  SimCloudProcess cloud;
  std::unique_ptr<ClientHarness> harness;
};

QStringList dataKeys(const QJsonObject& entry, QStringList* values = nullptr) {
  const QByteArray body = QByteArray::fromBase64(entry["bodyBase64"].toString().toLatin1());
  JsonTreePtr root(cJSON_ParseWithLength(body.constData(), static_cast<size_t>(body.size())));
  QStringList keys;
  const cJSON* data = cJSON_GetObjectItemCaseSensitive(root.get(), "data");
  for (const cJSON* c = data ? data->child : nullptr; c; c = c->next) {
    keys << QString::fromUtf8(c->string);
    if (values) *values << (cJSON_IsString(c) ? QString::fromUtf8(c->valuestring) : QString());
  }
  return keys;
}

QString header(const QJsonObject& entry, const QString& name) {
  for (const QJsonValue& h : entry["headers"].toArray()) {
    if (h.toArray()[0].toString().compare(name, Qt::CaseInsensitive) == 0) {
      return h.toArray()[1].toString();
    }
  }
  return QString();
}

TEST_F(SimClient, WholeChainInOrderWithEverySignatureVerified) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(harness->signIn(kUser, kPassword)) << harness->failures.join("; ").toStdString();
  ASSERT_TRUE(harness->loadDevices());
  EXPECT_EQ(harness->deviceReadyCount, 1);
  ASSERT_TRUE(harness->client.device());
  EXPECT_EQ(harness->client.device()->devConfigList.size(), 2);
  ASSERT_TRUE(ClientHarness::waitFor([&] { return harness->snapshots.repliesHandled() == 2; },
                                     20000));
  harness->client.signOut();
  ASSERT_TRUE(waitLogged("/v1/signout", 1));

  const QJsonArray entries = log();
  const QStringList paths = loggedPaths(entries);
  const QStringList expected = {"/api/v1/app-startup", "/v1/challenge", "/v1/signin",
                                "/v1/refresh-token",   "/v2/device-list", "/api/v1/dev-config",
                                "/v1/snapshot",        "/v1/snapshot",  "/v1/signout"};
  ASSERT_EQ(paths.size(), expected.size()) << paths.join(" ").toStdString();
  for (int i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(paths[i].endsWith(expected[i])) << i << ": " << paths[i].toStdString();
  }

  const QString digest = QString::fromLatin1(
      QCryptographicHash::hash(kMacText.toUtf8(), QCryptographicHash::Md5).toHex());
  QString agentToken;
  for (const QJsonValue& v : entries) {
    const QJsonObject e = v.toObject();
    const QString path = e["path"].toString();
    if (path.startsWith("/_sim/")) continue;
    EXPECT_TRUE(e["violations"].toArray().isEmpty())
        << path.toStdString() << ": "
        << QJsonDocument(e["violations"].toArray()).toJson().toStdString();
    EXPECT_EQ(e["status"].toInt(), 200) << path.toStdString() << " " << e["note"].toString().toStdString();
    if (!header(e, "X-UAC-Signature").isEmpty()) {
      EXPECT_EQ(e["note"].toString(), "signature ok") << path.toStdString();
      EXPECT_EQ(header(e, "x-agent-token"), digest) << path.toStdString();
    }
    QStringList values;
    const QStringList keys = dataKeys(e, &values);
    const int at = keys.indexOf("agentToken");
    if (at >= 0) {
      if (agentToken.isEmpty()) agentToken = values[at];
      EXPECT_EQ(values[at], agentToken) << "install id changed at " << path.toStdString();
    }
  }
  EXPECT_EQ(agentToken.size(), 38) << agentToken.toStdString();
  for (const char* signedCall : {"/v2/device-list", "/api/v1/dev-config", "/v1/snapshot"}) {
    for (const QJsonValue& v : entries) {
      if (v.toObject()["path"].toString().endsWith(signedCall)) {
        EXPECT_FALSE(header(v.toObject(), "X-UAC-Signature").isEmpty()) << signedCall;
      }
    }
  }

  // The sign-in's data object: the envelope's agentName and osName first,
  // then the sign-in's own, both sent.
  QStringList values;
  const QStringList keys = dataKeys(entries[paths.indexOf(paths[2])].toObject(), &values);
  EXPECT_EQ(keys, QStringList({"origin", "osName", "agentName", "appVendorCode", "username",
                               "password", "nonce", "agentName", "agentToken", "osName",
                               "grantType", "scope"}));
  EXPECT_EQ(values[2], "host1");
  EXPECT_EQ(values[7], "windows");
  EXPECT_EQ(header(entries[2].toObject(), "Accept-Language"), "zh;q=1.0");
}

// An install-id file that holds no id (here random bytes) is replaced by a
// fresh id before any request carries it: the strict cloud, which refuses
// anything but "{8-4-4-4-12}" lower-case hex, takes every call.
TEST_F(SimClient, GarbageInstallIdIsReplacedBeforeItReachesTheCloud) {
  QByteArray garbage;
  quint32 x = 2024;
  for (int i = 0; i < 3000; ++i) {
    x = x * 1664525u + 1013904223u;
    garbage.append(char('!' + (x >> 24) % 90));  // printable, no line end
  }
  ASSERT_TRUE(writeAll(path("private_uuid.txt"), garbage));
  start();
  ASSERT_TRUE(harness->signIn(kUser, kPassword)) << harness->failures.join("; ").toStdString();
  ASSERT_TRUE(harness->loadDevices());
  const QString stored = QString::fromUtf8(readAll(path("private_uuid.txt")));
  EXPECT_TRUE(QRegularExpression(QStringLiteral(
                  "^\\{[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}\\}$"))
                  .match(stored)
                  .hasMatch())
      << stored.left(60).toStdString();
  int carried = 0;
  for (const QJsonValue& v : log()) {
    const QJsonObject e = v.toObject();
    QStringList values;
    const int at = dataKeys(e, &values).indexOf("agentToken");
    if (at < 0) continue;
    ++carried;
    EXPECT_EQ(values[at], stored) << e["path"].toString().toStdString();
    EXPECT_EQ(e["status"].toInt(), 200) << e["path"].toString().toStdString();
  }
  EXPECT_GE(carried, 3) << "challenge, sign-in and refresh carry the install id";
}

TEST_F(SimClient, NoSecretReachesTheLog) {
  ASSERT_NO_FATAL_FAILURE(start());
  QStringList secrets;
  QString all;
  {
    testsupport::LogCapture capture;
    ASSERT_TRUE(harness->signIn(kUser, kPassword));
    secrets << harness->challenge.clientSecretKey << kPassword;
    const QString firstAccess = harness->client.tokens()->get_accessToken();
    ASSERT_TRUE(harness->loadDevices());
    ASSERT_TRUE(ClientHarness::waitFor([&] { return harness->snapshots.repliesHandled() == 2; },
                                       20000));
    Signin& t = *harness->client.tokens();
    secrets << firstAccess << t.get_accessToken() << t.get_refreshToken() << t.get_signToken();
    harness->client.signOut();
    ASSERT_TRUE(waitLogged("/v1/signout", 1));
    harness->snapshots.stopRequests();
    all = capture.lines().join('\n');
  }
  EXPECT_TRUE(all.contains("post request")) << "the calls were logged";
  EXPECT_TRUE(all.contains("***#")) << "masked values are logged";
  for (const QString& s : secrets) {
    ASSERT_FALSE(s.isEmpty());
    EXPECT_FALSE(all.contains(s)) << "secret in the log: " << s.toStdString();
  }
}

// ---- failed attempts that end well -------------------------------------

struct Recovery {
  const char* name;
  const char* fail;    // --fail PATH=MODE[:COUNT[:ARG]]
  const char* path;    // the failing call
  int requests;        // how many of them the cloud sees
};

class SimRecovery : public SimClient, public ::testing::WithParamInterface<Recovery> {};

TEST_P(SimRecovery, FailedAttemptIsSentAgainAndTheChainCompletes) {
  const Recovery& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(start({"--fail", c.fail}));
  ASSERT_TRUE(harness->signIn(kUser, kPassword)) << harness->failures.join("; ").toStdString();
  ASSERT_TRUE(harness->loadDevices());
  EXPECT_EQ(harness->deviceReadyCount, 1);
  EXPECT_EQ(harness->devConfigReadyCount, 1);
  EXPECT_EQ(logged(c.path), c.requests);
  for (const QJsonValue& v : log()) {  // every resent signed call was signed again and verified
    const QJsonObject e = v.toObject();
    if (e["path"].toString().endsWith(c.path) && !header(e, "X-UAC-Signature").isEmpty() &&
        !e["note"].toString().startsWith("scripted")) {
      EXPECT_EQ(e["note"].toString(), "signature ok");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SimRecovery,
    ::testing::Values(
        Recovery{"StartupStatus500", "/cloud/api/v1/app-startup=status:1:500", "/api/v1/app-startup", 2},
        Recovery{"StartupDropped", "/cloud/api/v1/app-startup=drop:1", "/api/v1/app-startup", 2},
        Recovery{"ChallengeNonJson", "/uac/v1/challenge=nonjson:1", "/v1/challenge", 2},
        // The lost answer used up the challenge: the client asks for a new one.
        Recovery{"SigninCutBody", "/uac/v1/signin=cut:1", "/v1/signin", 2},
        // The lost answer's refresh token is still good for a moment and
        // gets the tokens already issued.
        Recovery{"RefreshCutBody", "/uac/v1/refresh-token=cut:1", "/v1/refresh-token", 2},
        Recovery{"DeviceListStatus500", "/uac/v2/device-list=status:1:500", "/v2/device-list", 2},
        Recovery{"DeviceListNonJson", "/uac/v2/device-list=nonjson:1", "/v2/device-list", 2},
        Recovery{"DevConfigCutBody", "/cloud/api/v1/dev-config=cut:1", "/api/v1/dev-config", 2},
        Recovery{"DevConfigThree500", "/cloud/api/v1/dev-config=status:3:503", "/api/v1/dev-config", 4}),
    [](const ::testing::TestParamInfo<Recovery>& i) { return std::string(i.param.name); });

// ---- failures that do not end: bounded, and the dialog gets its inputs back

TEST_F(SimClient, PersistentStatus500GivesUpAfterFiveAttempts) {
  ASSERT_NO_FATAL_FAILURE(start({"--fail", "/uac/v1/challenge=status:100:500"}));
  QElapsedTimer t;
  t.start();
  harness->startSignin(kUser, kPassword);
  // Five attempts spaced by the retry policy's waits (its own tests time
  // them on an injected clock); the wall clock here only bounds the wait.
  ASSERT_TRUE(ClientHarness::waitFor([&] { return !harness->failures.isEmpty(); }, 60000));
  const qint64 elapsed = t.elapsed();
  EXPECT_EQ(harness->failures.size(), 1);
  EXPECT_EQ(logged("/v1/challenge"), 5);
  EXPECT_EQ(logged("/v1/signin"), 0);
  EXPECT_EQ(harness->signedInCount, 0);
  std::printf("persistent 500 on the challenge: %d attempts, gave up after %lld ms\n",
              logged("/v1/challenge"), static_cast<long long>(elapsed));
}

TEST_F(SimClient, RefusedConnectionGivesUpAfterFiveAttempts) {
  QTcpServer closed;  // a port that was free a moment ago and is closed again
  ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
  const quint16 port = closed.serverPort();
  closed.close();
  coreApp();
  ClientHarness h(QStringLiteral("https://127.0.0.1:%1").arg(port), realManager);
  QElapsedTimer t;
  t.start();
  h.startSignin(kUser, kPassword);
  ASSERT_TRUE(ClientHarness::waitFor([&] { return !h.failures.isEmpty(); }, 60000));
  const qint64 elapsed = t.elapsed();
  EXPECT_EQ(h.replies(CloudCall::AppStartup), 5);
  EXPECT_EQ(h.failures.size(), 1);
  std::printf("refused connection: %d attempts, gave up after %lld ms\n", h.replies(CloudCall::AppStartup),
              static_cast<long long>(elapsed));
}

TEST_F(SimClient, WithoutTheCaTheHandshakeFailsAndNothingReachesTheCloud) {
  ASSERT_NO_FATAL_FAILURE(start({}, /*trustCa=*/false));
  testsupport::LogCapture messages;
  harness->startSignin(kUser, kPassword);
  ASSERT_TRUE(ClientHarness::waitFor([&] { return !harness->failures.isEmpty(); }, 60000));
  EXPECT_EQ(harness->signedInCount, 0);
  EXPECT_EQ(harness->client.tokens(), nullptr);
  EXPECT_TRUE(loggedPaths(log()).isEmpty()) << loggedPaths(log()).join(" ").toStdString();
  // The user reads what it means; the reason is in the log.
  EXPECT_EQ(harness->failures.first(), CloudClient::kCloudUnreachableText);
  EXPECT_GE(messages.count("SslHandshakeFailedError"), 1)
      << messages.lines().join("\n").toStdString();
}

// ---- sign-out ------------------------------------------------------------

TEST_F(SimClient, Code1011OnTheFirstRefreshSignsOutOnceWithoutADeviceList) {
  ASSERT_NO_FATAL_FAILURE(start({"--fail", "/uac/v1/refresh-token=error:1:1011"}));
  ASSERT_TRUE(harness->signIn(kUser, kPassword));
  harness->client.requestRefresh();
  ASSERT_TRUE(waitLogged("/v1/signout", 1));
  ASSERT_TRUE(ClientHarness::waitFor([&] { return harness->signedOutElsewhereCount > 0; }, 60000));
  EXPECT_EQ(harness->signedOutElsewhereCount, 1);
  EXPECT_FALSE(harness->client.sessionActive());
  EXPECT_FALSE(harness->refreshTimer.isActive());
  EXPECT_FALSE(harness->otherPlaceTimer.isActive());
  EXPECT_EQ(harness->client.device(), nullptr);
  EXPECT_EQ(logged("/v2/device-list"), 0);
  EXPECT_EQ(logged("/v1/signout"), 1);
  harness->client.requestRefresh();  // a timer or caller after the end sends nothing
  EXPECT_EQ(logged("/v1/refresh-token"), 1);
}

TEST_F(SimClient, Code1011OnALaterRefreshSignsOutOnceAndStopsBothTimers) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(harness->signIn(kUser, kPassword));
  ASSERT_TRUE(harness->loadDevices());
  EXPECT_TRUE(harness->refreshTimer.isActive());
  EXPECT_TRUE(harness->otherPlaceTimer.isActive());
  script("/uac/v1/refresh-token", "error", 2, 1011);
  harness->client.requestRefresh();
  ASSERT_TRUE(waitLogged("/v1/signout", 1));
  ASSERT_TRUE(ClientHarness::waitFor([&] { return harness->signedOutElsewhereCount > 0; }, 60000));
  harness->client.requestRefresh();
  EXPECT_EQ(harness->signedOutElsewhereCount, 1);
  EXPECT_FALSE(harness->refreshTimer.isActive());
  EXPECT_FALSE(harness->otherPlaceTimer.isActive());
  EXPECT_EQ(harness->client.device(), nullptr);
  EXPECT_EQ(logged("/v2/device-list"), 1);
  EXPECT_EQ(logged("/v1/refresh-token"), 2);
  EXPECT_EQ(logged("/v1/signout"), 1);
}

TEST_F(SimClient, SecondSignInElsewhereEndsTheFirstSessionAtItsNextRefresh) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_TRUE(harness->signIn(kUser, kPassword));
  ASSERT_TRUE(harness->loadDevices());
  ClientHarness other(cloud.entryUrl(), realManager);  // the same account on another device
  ASSERT_TRUE(other.signIn(kUser, kPassword));
  harness->client.requestRefresh();
  ASSERT_TRUE(ClientHarness::waitFor([&] { return harness->signedOutElsewhereCount > 0; }, 60000));
  ASSERT_TRUE(waitLogged("/v1/signout", 1));
  EXPECT_EQ(harness->signedOutElsewhereCount, 1);
  EXPECT_FALSE(harness->client.sessionActive());
  EXPECT_FALSE(harness->refreshTimer.isActive());
  EXPECT_EQ(other.signedOutElsewhereCount, 0);
  // The other device goes on: its first refresh loads its devices.
  ASSERT_TRUE(other.loadDevices());
  EXPECT_EQ(other.deviceReadyCount, 1);
}

TEST_F(SimClient, ReplyArrivingAfterSignOutIsDropped) {
  ASSERT_NO_FATAL_FAILURE(start({"--fail", "/uac/v2/device-list=delay:1:10000"}));
  ASSERT_TRUE(harness->signIn(kUser, kPassword));
  harness->client.requestRefresh();
  ASSERT_TRUE(ClientHarness::waitFor([&] { return harness->client.firstRefreshDone(); }, 60000));
  harness->client.signOut();  // the device list is on its way
  // The delayed answer reaches the client's slot and is dropped there.
  ASSERT_TRUE(ClientHarness::waitFor(
      [&] { return harness->replies(CloudCall::DeviceList) == 1; }, 60000));
  EXPECT_EQ(harness->deviceReadyCount, 0);
  EXPECT_EQ(harness->client.device(), nullptr);
  EXPECT_EQ(logged("/api/v1/dev-config"), 0);
}

TEST_F(SimClient, EverySessionSendsItsSnapshotRequests) {
  ASSERT_NO_FATAL_FAILURE(start());
  for (int session = 1; session <= 2; ++session) {
    ASSERT_TRUE(harness->signIn(kUser, kPassword)) << session;
    ASSERT_TRUE(harness->loadDevices()) << session;
    ASSERT_TRUE(ClientHarness::waitFor(
        [&] { return harness->snapshots.repliesHandled() == 2 * session; }, 20000))
        << session;
    harness->client.signOut();
    EXPECT_FALSE(harness->snapshots.isRunning());
  }
  EXPECT_EQ(logged("/v1/snapshot"), 4);
  for (const QJsonValue& v : log()) {
    if (v.toObject()["path"].toString().endsWith("/v1/snapshot")) {
      EXPECT_EQ(v.toObject()["note"].toString(), "signature ok");
    }
  }
}

TEST_F(SimClient, RefreshTimerKeepsTheTokensFresh) {
  ASSERT_NO_FATAL_FAILURE(start({"--access-expires", "1"}));  // a refresh every second
  ASSERT_TRUE(harness->signIn(kUser, kPassword));
  ASSERT_TRUE(harness->loadDevices());
  EXPECT_EQ(harness->refreshTimer.interval(), 1000);
  const QString before = harness->client.tokens()->get_accessToken();
  ASSERT_TRUE(waitLogged("/v1/refresh-token", 4, 15000));
  ASSERT_TRUE(ClientHarness::waitFor(
      [&] { return harness->client.tokens()->get_accessToken() != before; }, 5000));
  for (const QJsonValue& v : log()) {
    const QJsonObject e = v.toObject();
    if (e["path"].toString().endsWith("/v1/refresh-token")) {
      EXPECT_EQ(e["status"].toInt(), 200);
    }
  }
  harness->client.signOut();
  EXPECT_FALSE(harness->refreshTimer.isActive());
  EXPECT_FALSE(harness->otherPlaceTimer.isActive());
}

}  // namespace
