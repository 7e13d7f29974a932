// The protocol object's reply rules on exact reply shapes (a fake network
// manager answers): a failed attempt of any kind is sent again and the chain
// goes on; refusals end where they should; the token refresh rules; and
// every handler survives arbitrary reply text.
#include <gtest/gtest.h>

#include <algorithm>

#include <QCoreApplication>
#include <QMap>
#include <QRandomGenerator>
#include <deque>
#include <memory>

#include "cloud_answers.h"
#include "cloud_client_harness.h"
#include "core_app.h"
#include "data_dir_fixture.h"
#include "fake_cloud_manager.h"
#include "http_command/device_container.h"
#include "http_command/request_context.h"
#include "http_command/signin.h"
#include "../app/log_capture.h"
#include "qt_print.h"
#include "util_class/debug_message_handler.h"

namespace {

// A fake cloud: scripted answers per path first, then the good ones.
class FakeCloud {
 public:
  FakeCloud() : good_(goodCloudAnswers()) {}

  void script(const QString& path, FakeAnswer answer) { scripted_[path].push_back(answer); }
  void setGood(const QString& path, const QByteArray& body) { good_[path] = body; }

  FakeAnswer answer(const FakeRequest& r) {
    for (auto it = scripted_.begin(); it != scripted_.end(); ++it) {
      if (r.path.endsWith(it.key()) && !it.value().empty()) {
        FakeAnswer a = it.value().front();
        it.value().pop_front();
        return a;
      }
    }
    for (auto it = good_.begin(); it != good_.end(); ++it) {
      if (r.path.endsWith(it.key())) return FakeAnswer{200, QNetworkReply::NoError, it.value()};
    }
    return FakeAnswer{404, QNetworkReply::ContentNotFoundError, "{}"};
  }

  std::unique_ptr<QNetworkAccessManager> manager() {
    return std::make_unique<FakeCloudManager>([this](const FakeRequest& r) { return answer(r); },
                                              &log);
  }
  int count(const QString& suffix) const { return countRequests(log, suffix); }

  QList<FakeRequest> log;

 private:
  QMap<QString, QByteArray> good_;
  QMap<QString, std::deque<FakeAnswer>> scripted_;
};

class Replies : public DataDirTest {
 protected:
  void SetUp() override {
    DataDirTest::SetUp();
    coreApp();
    request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
  }
  void makeClient() {
    harness = std::make_unique<ClientHarness>(QStringLiteral("https://cloud.test"),
                                              [this] { return cloud.manager(); });
  }
  // Signs in and loads the devices; true when the chain reached dev-config.
  bool runChain(int limitMs = 60000) {
    if (!harness) makeClient();
    return harness->signIn("user", "pw", limitMs) && harness->loadDevices(limitMs);
  }

  FakeCloud cloud;
  std::unique_ptr<ClientHarness> harness;
};

FakeAnswer ok200(const QByteArray& body) { return {200, QNetworkReply::NoError, body}; }

// ---- one failed attempt, then the chain goes on ------------------------

struct OneFailure {
  const char* name;
  const char* path;
  FakeAnswer answer;
};

class RepliesOneFailure : public Replies, public ::testing::WithParamInterface<OneFailure> {};

TEST_P(RepliesOneFailure, IsSentAgainAndTheChainCompletes) {
  const OneFailure& c = GetParam();
  cloud.script(c.path, c.answer);
  ASSERT_TRUE(runChain()) << harness->failures.join("; ").toStdString();
  EXPECT_EQ(harness->devConfigReadyCount, 1);
  const bool viaChallenge = QByteArray(c.path) == "/v1/signin";
  EXPECT_EQ(cloud.count(c.path), 2);
  if (QByteArray(c.path) != "/v1/challenge") {
    // A lost sign-in answer starts again with a fresh challenge.
    EXPECT_EQ(cloud.count("/v1/challenge"), viaChallenge ? 2 : 1);
  }
  EXPECT_TRUE(harness->failures.isEmpty());
}

const QByteArray kGoodStartup = goodCloudAnswers()["/api/v1/app-startup"];

INSTANTIATE_TEST_SUITE_P(
    Table, RepliesOneFailure,
    ::testing::Values(
        OneFailure{"StartupNoAnswer", "/api/v1/app-startup", {0, QNetworkReply::ConnectionRefusedError, ""}},
        OneFailure{"StartupStatus502", "/api/v1/app-startup", {502, QNetworkReply::NoError, "bad gateway"}},
        OneFailure{"Startup200TransportError", "/api/v1/app-startup",
                   {200, QNetworkReply::RemoteHostClosedError, kGoodStartup}},
        OneFailure{"StartupNotJson", "/api/v1/app-startup", ok200("<html>busy</html>")},
        OneFailure{"StartupEmptyBody", "/api/v1/app-startup", ok200("")},
        OneFailure{"StartupJsonArray", "/api/v1/app-startup", ok200("[1,2]")},
        OneFailure{"StartupCutBody", "/api/v1/app-startup", ok200(kGoodStartup.left(30))},
        OneFailure{"StartupNoAppConfig", "/api/v1/app-startup", ok200(R"({"status":"ok"})")},
        OneFailure{"StartupEmptyUacUrl", "/api/v1/app-startup",
                   ok200(R"({"status":"ok","result":{"appConfig":{"uacUrl":""}}})")},
        OneFailure{"StartupUacUrlNotHttps", "/api/v1/app-startup",
                   ok200(R"({"status":"ok","result":{"appConfig":{"uacUrl":"ftp://x"}}})")},
        OneFailure{"ChallengeOkWithoutKeys", "/v1/challenge", ok200(R"({"status":"ok","result":{}})")},
        OneFailure{"ChallengeNotJson", "/v1/challenge", ok200("null")},
        OneFailure{"SigninOkWithoutResult", "/v1/signin", ok200(R"({"status":"ok"})")},
        OneFailure{"SigninStatus500", "/v1/signin", {500, QNetworkReply::NoError, "{}"}},
        OneFailure{"RefreshWithoutStatus", "/v1/refresh-token", ok200(R"({"result":{}})")},
        OneFailure{"RefreshStatus500", "/v1/refresh-token", {500, QNetworkReply::NoError, ""}},
        OneFailure{"DeviceListWithoutConDevices", "/v2/device-list",
                   ok200(R"({"status":"ok","result":{"devGenerals":[]}})")},
        OneFailure{"DeviceList200TransportError", "/v2/device-list",
                   {200, QNetworkReply::RemoteHostClosedError, ""}},
        OneFailure{"DevConfigNotJson", "/api/v1/dev-config", ok200("\x01\x02\xff")},
        // "devices" that is no list is a reply of the wrong shape (a missing
        // one only adds nothing).
        OneFailure{"DevConfigDevicesNotAList", "/api/v1/dev-config",
                   ok200(R"({"status":"ok","result":{"devices":{"deviceId":"C1"}}})")}),
    [](const ::testing::TestParamInfo<OneFailure>& i) { return std::string(i.param.name); });

// ---- refusals and give-ups ------------------------------------------------

TEST_F(Replies, EmptyUacUrlFailsTheSigninVisiblyAfterFiveAttempts) {
  for (int i = 0; i < 10; ++i) {
    cloud.script("/api/v1/app-startup",
                 ok200(R"({"status":"ok","result":{"appConfig":{"uacUrl":""}}})"));
  }
  makeClient();
  testsupport::LogCapture log;
  EXPECT_FALSE(harness->signIn("user", "pw", 15000));
  ASSERT_EQ(harness->failures.size(), 1);
  // The user reads what it means; the reason is in the log.
  EXPECT_EQ(harness->failures[0], CloudClient::kCloudUnreachableText);
  EXPECT_EQ(log.count("gave up after 5 failures in a row"), 1);
  EXPECT_GE(log.count("uacUrl"), 5) << log.lines().join("\n").toStdString();
  EXPECT_EQ(cloud.count("/api/v1/app-startup"), 5);
  EXPECT_EQ(cloud.count("/v1/challenge"), 0);
}

struct Refusal {
  const char* name;
  const char* path;
  QByteArray body;
  const char* message;  // shown to the user
};

class RepliesRefusal : public Replies, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RepliesRefusal, EndsTheSigninWithItsMessageAndNoResend) {
  const Refusal& c = GetParam();
  cloud.script(c.path, ok200(c.body));
  makeClient();
  EXPECT_FALSE(harness->signIn("user", "pw"));
  ASSERT_EQ(harness->failures.size(), 1);
  EXPECT_EQ(harness->failures[0], QString::fromUtf8(c.message));
  EXPECT_EQ(cloud.count(c.path), 1);
  EXPECT_EQ(cloud.count("/v1/refresh-token"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RepliesRefusal,
    ::testing::Values(
        Refusal{"ChallengeRefused", "/v1/challenge",
                R"({"status":"error","code":1001,"message":"username missing"})", "username missing"},
        Refusal{"SigninRefusedWithoutMessage", "/v1/signin", R"({"status":"error","code":1003})",
                "Please check your account number and password"},
        Refusal{"SigninRefusedUtf8Message", "/v1/signin",
                u8R"({"status":"error","message":"Mot de passe erroné"})", u8"Mot de passe erroné"}),
    [](const ::testing::TestParamInfo<Refusal>& i) { return std::string(i.param.name); });

TEST_F(Replies, AppStartupIsUsedWhateverItsStatusSays) {
  cloud.script("/api/v1/app-startup",
               ok200(R"({"status":"error","result":{"appConfig":{"uacUrl":"https://cloud.test/uac"}}})"));
  ASSERT_TRUE(runChain());
  EXPECT_EQ(cloud.count("/api/v1/app-startup"), 1);
  ASSERT_TRUE(harness->client.appConfig());
  EXPECT_EQ(harness->client.appConfig()->uacUrl, "https://cloud.test/uac");
  EXPECT_TRUE(cloud.log[1].path.endsWith("/uac/v1/challenge")) << cloud.log[1].path.toStdString();
}

// ---- token refresh rules ---------------------------------------------------

TEST_F(Replies, FirstRefreshNotOkStillLoadsTheDevicesAndStartsBothTimers) {
  cloud.script("/v1/refresh-token", ok200(R"({"status":"error","code":5})"));
  ASSERT_TRUE(runChain());
  EXPECT_EQ(cloud.count("/v2/device-list"), 1);
  EXPECT_TRUE(harness->refreshTimer.isActive());
  EXPECT_EQ(harness->refreshTimer.interval(), 5400000);
  EXPECT_TRUE(harness->otherPlaceTimer.isActive());
  EXPECT_EQ(harness->otherPlaceTimer.interval(), 300000);
}

TEST_F(Replies, FirstRefresh1011EndsTheSessionBeforeTheDeviceList) {
  cloud.script("/v1/refresh-token", ok200(R"({"status":"error","code":1011})"));
  makeClient();
  ASSERT_TRUE(harness->signIn("user", "pw"));
  harness->client.requestRefresh();
  ASSERT_TRUE(ClientHarness::waitFor([&] { return cloud.count("/v1/signout") == 1; }, 60000));
  EXPECT_EQ(harness->signedOutElsewhereCount, 1);
  EXPECT_EQ(cloud.count("/v2/device-list"), 0);
  EXPECT_FALSE(harness->refreshTimer.isActive());
  EXPECT_FALSE(harness->otherPlaceTimer.isActive());
}

TEST_F(Replies, OtherCodesThan1011DoNotSignOut) {
  ASSERT_TRUE(runChain());
  cloud.script("/v1/refresh-token", ok200(R"({"status":"error","code":1010})"));
  harness->client.requestRefresh();
  ASSERT_TRUE(ClientHarness::waitFor(
      [&] { return harness->replies(CloudCall::RefreshToken) == 2; }, 5000));
  EXPECT_EQ(harness->signedOutElsewhereCount, 0);
  EXPECT_TRUE(harness->client.sessionActive());
  EXPECT_TRUE(harness->refreshTimer.isActive());
}

struct RefreshCase {
  const char* name;
  QByteArray reply;
  bool restarts;      // the refresh timer is started again
  int interval;       // its interval afterwards
  const char* access;
  const char* sign;
};

class RepliesRefresh : public Replies, public ::testing::WithParamInterface<RefreshCase> {};

TEST_P(RepliesRefresh, StoreAndTimerFollowTheReply) {
  const RefreshCase& c = GetParam();
  ASSERT_TRUE(runChain());
  testsupport::LogCapture capture;
  cloud.setGood("/v1/refresh-token", c.reply);
  harness->client.requestRefresh();
  ASSERT_TRUE(ClientHarness::waitFor(
      [&] { return harness->replies(CloudCall::RefreshToken) == 2; }, 5000));
  EXPECT_EQ(capture.count("refreshToken_timer start"), c.restarts ? 1 : 0);
  EXPECT_EQ(harness->refreshTimer.interval(), c.interval);
  EXPECT_TRUE(harness->refreshTimer.isActive());
  EXPECT_EQ(harness->client.tokens()->get_accessToken(), c.access);
  EXPECT_EQ(harness->client.tokens()->get_signToken(), c.sign);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RepliesRefresh,
    ::testing::Values(
        RefreshCase{"SameValues", tokenReply("AT1", "SK1"), false, 5400000, "AT1", "SK1"},
        RefreshCase{"OnlySignToken", tokenReply("AT1", "SK2"), true, 5400000, "AT1", "SK2"},
        RefreshCase{"NewLifetime", tokenReply("AT2", "SK2", 400), true, 300000, "AT2", "SK2"},
        RefreshCase{"HugeLifetime", tokenReply("AT1", "SK1", 2147483647), true, 2147483647, "AT1",
                    "SK1"},
        RefreshCase{"OkWithoutResult", R"({"status":"ok"})", false, 5400000, "AT1", "SK1"},
        RefreshCase{"MembersOfWrongType",
                    R"({"status":"ok","result":{"accessToken":5,"signToken":null,"accessExpiresIn":"9"}})",
                    false, 5400000, "AT1", "SK1"}),
    [](const ::testing::TestParamInfo<RefreshCase>& i) { return std::string(i.param.name); });

// ---- device list and dev-config --------------------------------------------

TEST_F(Replies, AccountWithoutCamerasStillAsksForTheDevConfigOfNone) {
  cloud.setGood("/v2/device-list", R"({"status":"ok","result":{"conDevices":[],"devGenerals":[]}})");
  ASSERT_TRUE(runChain());
  const FakeRequest& devConfig = cloud.log.last();
  ASSERT_TRUE(devConfig.path.endsWith("/api/v1/dev-config"));
  EXPECT_TRUE(devConfig.body.contains(R"("devices":[])")) << devConfig.body.toStdString();
}

TEST_F(Replies, DevConfigWithoutCamerasLeavesTheListEmptyAndGoesOn) {
  cloud.setGood("/api/v1/dev-config",
                R"({"status":"ok","result":{"devices":[{"deviceId":"C1","deviceType":2}]}})");
  ASSERT_TRUE(runChain());
  ASSERT_TRUE(harness->client.device());
  EXPECT_TRUE(harness->client.device()->devConfigList.isEmpty());
  EXPECT_EQ(harness->devConfigReadyCount, 1);
}

// ---- every handler on arbitrary reply text -------------------------------

QList<QByteArray> nastyBodies() {
  QList<QByteArray> bodies = {
      "", "null", "true", "0", "\"ok\"", "[]", "{}", "{", "}", "{\"status\":",
      R"({"status":"ok","result":[]})",
      R"({"status":"ok","result":{"appConfig":[],"conDevices":{},"devices":"x","infos":7}})",
      R"({"status":"ok","result":{"appConfig":{"uacUrl":7},"conDevices":[1,null,"x",[]],)"
      R"("devices":[null,{"deviceType":"1"}],"accessToken":[],"signToken":{}}})",
      R"({"status":null,"code":"1011","message":[]})",
      R"({"status":"ok","code":1011,"result":{"serverPubKey":"!!!","clientSecretKey":"=="}})",
      QByteArray(20000, '['), QByteArray("{\"status\":\"ok\",\"message\":\"") + QByteArray(100000, 'x'),
      QByteArray("{\"status\":\"ok\"}\0garbage", 23)};
  QRandomGenerator random(20261210);
  for (int i = 0; i < 4; ++i) {
    QByteArray b(64 + i * 97, '\0');
    for (char& ch : b) ch = static_cast<char>(random.bounded(256));
    bodies << b;
  }
  return bodies;
}

TEST_F(Replies, EveryHandlerSurvivesArbitraryReplyText) {
  const QStringList paths = {"/api/v1/app-startup", "/v1/challenge",    "/v1/signin",
                             "/v1/refresh-token",   "/v2/device-list",  "/api/v1/dev-config",
                             "/v1/signout"};
  for (const QString& path : paths) {
    for (const QByteArray& body : nastyBodies()) {
      FakeCloud fresh;
      fresh.script(path, ok200(body));
      ClientHarness h(QStringLiteral("https://cloud.test"), [&] { return fresh.manager(); });
      if (h.signIn("user", "pw", 2000)) {
        h.client.requestRefresh();
        ClientHarness::waitFor([&] { return h.devConfigReadyCount > 0 || !h.client.sessionActive(); },
                               1000);
        h.client.signOut();
        ClientHarness::waitFor([&] { return h.replies(CloudCall::Signout) > 0; }, 1000);
      }
      // Ended one way or the other, and without a storm of requests.
      EXPECT_TRUE(h.signedInCount == 1 || h.failures.size() == 1) << path.toStdString();
      EXPECT_LE(fresh.log.size(), 12) << path.toStdString() << " " << body.left(40).toStdString();
    }
  }
}

// However long a reply is, debug.txt takes only its beginning and its length:
// a failed device list of 1 MiB, answered again, adds a few KiB to the log.
TEST_F(Replies, ALongReplyIsLoggedCutWithItsLength) {
  const QByteArray filler(1 << 20, 'x');
  const struct {
    const char* what;
    QByteArray body;
    const char* note;  // how the log tells the whole length
    bool bodyShown;    // its beginning is in the log
  } cases[] = {
      {"JSON", R"({"status":"error","message":")" + filler + R"("})", " bytes in all]", true},
      {"not JSON", filler, " bytes, not JSON>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(path("debug.txt"));
    cloud.script("/v2/device-list", {500, QNetworkReply::NoError, c.body});
    harness.reset();
    const QtMessageHandler previous = qInstallMessageHandler(debug_messageHandler);
    const bool loaded = runChain();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(cloud.count("/v2/device-list"), 2);
    const QByteArray log = readAll(path("debug.txt"));
    EXPECT_LT(log.size(), 64 * 1024);
    EXPECT_TRUE(log.contains(QByteArray::number(c.body.size()) + c.note)) << log.right(2000).constData();
    // Each reply's line holds the first 4 KiB of the body, not the 8 KiB
    // any log line may hold: its run of filler is 4096 characters at most
    // (and most of them are there).
    int replyLines = 0;
    for (const QByteArray& line : log.split('\n')) {
      if (!line.contains("reply:") || !line.contains("xxxx")) continue;
      ++replyLines;
      int longest = 0, run = 0;
      for (const char ch : line) {
        run = ch == 'x' ? run + 1 : 0;
        longest = std::max(longest, run);
      }
      EXPECT_LE(longest, 4096) << line.left(200).constData();
      EXPECT_GE(longest, 4000) << line.left(200).constData();
      EXPECT_LT(line.size(), 4096 + 512) << line.left(200).constData();
    }
    EXPECT_EQ(replyLines > 0, c.bodyShown);
    cloud.log.clear();
  }
}

}  // namespace
