// The cloud protocol object (CloudClient) wired as the windows wire it, on
// replies whose HTTP status, transport error, body and lateness the input
// chooses, with sign-ins, token timers, sign-outs and snapshot-thread
// replies in between; Qt's timers run on a virtual clock, so back-off and
// token timers fire without waiting. Every reply goes through the client's
// own reply slots (and the snapshot thread's handler). Checked around each
// reply:
//  - a reply of an ended session changes nothing;
//  - nothing is accepted from a reply the rules refuse: a sign-in, device
//    list or dev-config only from a 200 reply whose "status" is "ok", new
//    tokens only from such a refresh reply, the configuration only from a
//    200 reply, "signed in elsewhere" only from a refresh refused with 1011;
//  - a failed attempt counts once: a reply that did not arrive (no answer,
//    another status, a transport error) books exactly one resend of its
//    call, one failure more, or ends the sign-in with one message after its
//    fifth failure in a row; no reply counts twice;
//  - a reply of a running sign-in moves it on (next step, resend or message);
//  - no spin: a reply posts at most one request, everything due at one
//    moment settles, and once the cloud stops answering the client sends
//    only a few requests more in two hours.
#include <cJSON.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "cloud_answers.h"
#include "cloud_client_harness.h"
#include "fake_cloud_manager.h"
#include "fuzz_bytes.h"
#include "fuzz_check.h"
#include "http_command/call_retry.h"
#include "http_command/cloud_bodies.h"
#include "http_command/cloud_poster.h"
#include "http_command/device_container.h"
#include "http_command/request_context.h"
#include "http_command/signin.h"
#include "virtual_time_dispatcher.h"

namespace {

constexpr int kMaxOperations = 48;
constexpr int kSettleRounds = 400;
constexpr int kNeverMs = 24 * 3600 * 1000;           // a reply that never comes (within a run)
constexpr qint64 kIdleHorizonMs = 2 * 3600 * 1000;   // the quiet end of a run
constexpr int kIdleAdvances = 2000;
constexpr int kRequestsWhenQuiet = 8;

const QString kEntry = QStringLiteral("https://cloud.test");

VirtualTimeDispatcher& dispatcher() {
  static VirtualTimeDispatcher* d = [] {
    auto* made = new VirtualTimeDispatcher;  // owned by the application from here on
    QCoreApplication::setEventDispatcher(made);
    static int argc = 1;
    static char name[] = "cloud_client_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    // The agent token lives in the data folder: a scratch one, in memory where possible.
    const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static QTemporaryDir data(base + QStringLiteral("/camviewer-fuzz-XXXXXX"));
    FUZZ_CHECK(data.isValid());
    qputenv("CAMVIEWER_DATA_DIR", data.path().toLocal8Bit());
    request_context::set({QStringLiteral("en-US"), 60, QStringLiteral("host1")});
    return made;
  }();
  return *d;
}

std::optional<CloudCall> callOfPath(const QString& path) {
  for (CloudCall call : {CloudCall::AppStartup, CloudCall::Challenge, CloudCall::Signin, CloudCall::RefreshToken,
                         CloudCall::DeviceList, CloudCall::DevConfig, CloudCall::Snapshot, CloudCall::Signout}) {
    if (path.endsWith(QLatin1String(cloudCallInfo(call).path))) return call;
  }
  return std::nullopt;
}

bool isSigninStep(CloudCall call) {
  return call == CloudCall::AppStartup || call == CloudCall::Challenge || call == CloudCall::Signin;
}

// ---- the replies ------------------------------------------------------------

const char* const kStatusVariants[] = {R"("status":"error")", R"("status":"OK")",  R"("status":null)",
                                       R"("status":"ok ")",   R"("status":1)",     R"("code":1011,"status":"error")",
                                       R"("nostatus":"ok")",  R"("status":"ok")"};

// The answers the input gives, one per request, in the order they are made.
class Script {
 public:
  explicit Script(fuzzsupport::FuzzBytes& in) : in_(in) {}

  // From now on the cloud does not answer (the quiet end of a run).
  void stop() { stopped_ = true; }

  FakeAnswer answer(const FakeRequest& request) {
    FakeAnswer a;
    if (stopped_ || in_.empty()) {  // the cloud has stopped answering
      a.status = 0;
      a.delayMs = kNeverMs;
      return a;
    }
    static const int kStatuses[] = {200, 200, 200, 0, 500, 404, 502, -1};
    static const QNetworkReply::NetworkError kErrors[] = {
        QNetworkReply::NoError,          QNetworkReply::NoError,           QNetworkReply::NoError,
        QNetworkReply::RemoteHostClosedError, QNetworkReply::ConnectionRefusedError, QNetworkReply::TimeoutError,
        QNetworkReply::OperationCanceledError, QNetworkReply::SslHandshakeFailedError};
    static const int kDelays[] = {0, 0, 0, 0, 10, 1000, 60000, kNeverMs};
    const uint8_t shape = in_.byte();
    a.status = kStatuses[shape & 7];
    if (a.status < 0) a.status = in_.u16();
    a.error = kErrors[(shape >> 3) & 7];
    const uint8_t kind = in_.byte();
    a.delayMs = kDelays[kind & 7];
    switch ((kind >> 3) & 3) {
      case 0:
        a.body = rawBody();
        break;
      case 1:  // the good reply of the call, its status as the input says
        a.body = goodBody(request.path, kStatusVariants[(kind >> 5) & 7]);
        break;
      case 2:  // tokens, whatever the call
        a.body = tokenReply((kind & 0x20) ? "AT2" : "AT1", (kind & 0x40) ? "SK2" : "SK1",
                            (kind & 0x80) ? 400 : 7200);
        break;
      default:
        break;  // no body
    }
    return a;
  }

  QByteArray rawBody() {
    const std::vector<uint8_t> bytes = in_.run(4096);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size()));
  }

 private:
  static QByteArray goodBody(const QString& path, const char* status) {
    static const QMap<QString, QByteArray> good = goodCloudAnswers();
    for (auto it = good.begin(); it != good.end(); ++it) {
      if (path.endsWith(it.key())) {
        QByteArray body = it.value();
        return body.replace(QByteArray(R"("status":"ok")"), QByteArray(status));
      }
    }
    return QByteArray("{}");
  }

  fuzzsupport::FuzzBytes& in_;
  bool stopped_ = false;
};

// What the rules go by, read from the reply with cJSON alone.
struct ReplyFacts {
  bool arrived = false;  // HTTP 200 without a transport error
  bool statusOk = false;
  int code = 0;
};

ReplyFacts factsOf(const QNetworkReply* reply) {
  ReplyFacts f;
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  f.arrived = status == 200 && reply->error() == QNetworkReply::NoError;
  const QByteArray body = reply->property("fakeBody").toByteArray();
  cJSON* root = cJSON_ParseWithLength(body.constData(), size_t(body.size()));
  if (cJSON_IsObject(root)) {
    const cJSON* s = cJSON_GetObjectItemCaseSensitive(root, "status");
    f.statusOk = cJSON_IsString(s) && std::strcmp(s->valuestring, "ok") == 0;
    const cJSON* c = cJSON_GetObjectItemCaseSensitive(root, "code");
    if (cJSON_IsNumber(c)) f.code = c->valueint;
  }
  cJSON_Delete(root);
  return f;
}

// ---- what the windows see -----------------------------------------------------

struct RetryState {
  int failures;
  bool pending;
  bool operator==(const RetryState& o) const { return failures == o.failures && pending == o.pending; }
};

struct Seen {
  int signedIn, failures, deviceReady, devConfigReady, elsewhere, appConfigReady;
  int requests;
  std::vector<RetryState> retries;
  const Signin* store;
  QString access, refresh, sign;
  int accessExpires, refreshExpires;
  const Device* device;
  int devConfigs;  // cameras of the device container's dev-config list
  bool operator==(const Seen& o) const {
    return signedIn == o.signedIn && failures == o.failures && deviceReady == o.deviceReady &&
           devConfigReady == o.devConfigReady && elsewhere == o.elsewhere && appConfigReady == o.appConfigReady &&
           requests == o.requests && retries == o.retries && store == o.store && sameTokens(o) &&
           device == o.device && devConfigs == o.devConfigs;
  }
  bool sameTokens(const Seen& o) const {
    return access == o.access && refresh == o.refresh && sign == o.sign && accessExpires == o.accessExpires &&
           refreshExpires == o.refreshExpires;
  }
};

class Run {
 public:
  explicit Run(fuzzsupport::FuzzBytes& in) : script_(in) {
    harness_ = std::make_unique<ClientHarness>(kEntry, [this] { return makeManager(); });
    CloudClient& client = harness_->client;
    client.attachSnapshotThread(nullptr);  // its passes would use the real network; its handler is fed below
    QObject::connect(&client, &CloudClient::appConfigReady, [this] { ++appConfigReady_; });
    QObject::connect(&client, &CloudClient::signedIn, [this] { signinRunning_ = false; });
    for (FakeCloudManager* m : managers_) {
      QObject::connect(m, &QNetworkAccessManager::finished, [this](QNetworkReply* r) { afterReply(r); });
    }
    const QList<CallRetry*> retries = client.findChildren<CallRetry*>(QString(), Qt::FindDirectChildrenOnly);
    retries_.assign(retries.begin(), retries.end());
    FUZZ_CHECK(!retries_.empty());
    snapshotManager_ = std::make_unique<FakeCloudManager>([this](const FakeRequest& r) { return script_.answer(r); },
                                                          &snapshotLog_);
    QObject::connect(snapshotManager_.get(), &QNetworkAccessManager::finished, &snapshotThread_,
                     &SnapshotRequestThread::snapshotRequestHandler, Qt::DirectConnection);
    QObject::connect(snapshotManager_.get(), &QNetworkAccessManager::finished, [this] {
      ++snapshotReplies_;
      FUZZ_CHECK(snapshotThread_.repliesHandled() == snapshotReplies_);
    });
  }

  ClientHarness& harness() { return *harness_; }

  void startSignin() {
    signinRunning_ = true;
    harness_->startSignin(QStringLiteral("user"), QStringLiteral("pw"));
  }
  void abandonSignin() {
    signinRunning_ = false;
    harness_->client.abandonSignin();
  }
  void snapshotRequest() {
    cloudPost(*snapshotManager_, CloudCall::Snapshot, kEntry + QStringLiteral("/uac"), snapshotBody("AT1", "C1"),
              &snapshotTokens_, 0);
  }
  int requests() const { return log_.size(); }
  void stopAnswering() { script_.stop(); }

 private:
  std::unique_ptr<QNetworkAccessManager> makeManager() {
    auto m = std::make_unique<FakeCloudManager>([this](const FakeRequest& r) { return script_.answer(r); }, &log_);
    // Before the client's slot: what things were like when the reply came.
    QObject::connect(m.get(), &QNetworkAccessManager::finished, [this](QNetworkReply* r) { beforeReply(r); });
    managers_.push_back(m.get());
    return m;
  }

  Seen seen() const {
    const ClientHarness& h = *harness_;
    Seen s{h.signedInCount, int(h.failures.size()), h.deviceReadyCount, h.devConfigReadyCount,
           h.signedOutElsewhereCount, appConfigReady_, requests(), {}, h.client.tokens(), {}, {}, {}, 0, 0,
           h.client.device(), h.client.device() ? int(h.client.device()->devConfigList.size()) : 0};
    for (const CallRetry* r : retries_) s.retries.push_back({r->failures(), r->pending()});
    if (Signin* t = h.client.tokens()) {
      s.access = t->get_accessToken();
      s.refresh = t->get_refreshToken();
      s.sign = t->get_signToken();
      s.accessExpires = t->get_accessExpiresIn();
      s.refreshExpires = t->get_refreshExpiresIn();
    }
    return s;
  }

  void beforeReply(QNetworkReply* reply) {
    FUZZ_CHECK(!inReply_);  // one reply at a time
    inReply_ = true;
    const std::optional<CloudCall> call = callOfPath(reply->url().path());
    FUZZ_CHECK(call.has_value());
    call_ = *call;
    facts_ = factsOf(reply);
    current_ = harness_->client.isCurrent(cloudReplyGeneration(reply));
    signinRunningBefore_ = signinRunning_;
    before_ = seen();
  }

  void afterReply(QNetworkReply*) {
    FUZZ_CHECK(inReply_);
    inReply_ = false;
    const Seen after = seen();
    const Seen& b = before_;
    if (!current_ || call_ == CloudCall::Signout) {
      FUZZ_CHECK(after == b);  // dropped, or only logged
      return;
    }
    checkAccepted(b, after);
    checkCounted(b, after);
    FUZZ_CHECK(after.requests - b.requests <= 1);
  }

  // Nothing is taken from a reply the rules refuse.
  void checkAccepted(const Seen& b, const Seen& a) const {
    const bool ok = facts_.arrived && facts_.statusOk;
    const int signedIn = a.signedIn - b.signedIn;
    FUZZ_CHECK(signedIn == 0 || (signedIn == 1 && call_ == CloudCall::Signin && ok));
    FUZZ_CHECK(a.deviceReady == b.deviceReady || (a.deviceReady == b.deviceReady + 1 && call_ == CloudCall::DeviceList && ok));
    FUZZ_CHECK(a.devConfigReady == b.devConfigReady ||
               (a.devConfigReady == b.devConfigReady + 1 && call_ == CloudCall::DevConfig && ok));
    FUZZ_CHECK(a.appConfigReady == b.appConfigReady ||
               (a.appConfigReady == b.appConfigReady + 1 && call_ == CloudCall::AppStartup && facts_.arrived));
    FUZZ_CHECK(a.elsewhere == b.elsewhere || (a.elsewhere == b.elsewhere + 1 && call_ == CloudCall::RefreshToken &&
                                              facts_.arrived && !facts_.statusOk && facts_.code == 1011));
    FUZZ_CHECK(a.failures == b.failures || (a.failures == b.failures + 1 && isSigninStep(call_)));
    // The token store: a new one only with a sign-in, new values only from a good refresh.
    FUZZ_CHECK(a.store == b.store || signedIn == 1);
    if (a.store == b.store && !a.sameTokens(b)) FUZZ_CHECK(call_ == CloudCall::RefreshToken && ok);
    // The device container: made from a good device list, dropped only when
    // the session ends ("signed in elsewhere") or a new one starts (a sign-in);
    // its dev-config list filled from a good dev-config.
    if (a.device != b.device) {
      FUZZ_CHECK(a.device == nullptr ? a.elsewhere == b.elsewhere + 1 || signedIn == 1
                                     : call_ == CloudCall::DeviceList && ok);
    } else if (a.devConfigs != b.devConfigs) {
      FUZZ_CHECK(call_ == CloudCall::DevConfig && ok && a.devConfigReady == b.devConfigReady + 1);
    }
  }

  // A failed attempt counts once; a running sign-in never stalls.
  void checkCounted(const Seen& b, const Seen& a) {
    std::vector<size_t> changed;
    for (size_t i = 0; i < a.retries.size(); ++i) {
      if (!(a.retries[i] == b.retries[i])) changed.push_back(i);
    }
    const bool gaveUp = a.failures == b.failures + 1;
    // One failure more on one call, with its resend booked.
    const bool oneMore = changed.size() == 1 && a.retries[changed[0]].failures == b.retries[changed[0]].failures + 1 &&
                         a.retries[changed[0]].pending;
    if (oneMore) learn(changed[0]);
    // A sign-in that ends starts its three steps afresh next time.
    if (gaveUp) {
      for (size_t i : changed) FUZZ_CHECK(a.retries[i].failures == 0 && !a.retries[i].pending);
    }
    // No reply counts as two failures, of one call or of two.
    for (size_t i : changed) FUZZ_CHECK(a.retries[i].failures <= b.retries[i].failures + 1);
    FUZZ_CHECK(changed.size() <= 1 || gaveUp || allReset(a, changed));
    // A failure while the call's resend is booked already (a second request
    // of the call was out) leaves that one resend.
    const bool alreadyBooked = a == b && resendBooked(b);
    if (!facts_.arrived) {
      const bool idle = isSigninStep(call_) && call_ != CloudCall::AppStartup && !signinRunningBefore_;
      FUZZ_CHECK(oneMore || (gaveUp && isSigninStep(call_)) || alreadyBooked || (idle && a == b));
    }
    if (isSigninStep(call_) && signinRunningBefore_) {
      const bool movedOn = a.requests > b.requests || a.signedIn > b.signedIn || gaveUp || oneMore || alreadyBooked;
      FUZZ_CHECK(movedOn);
    }
  }

  static bool allReset(const Seen& a, const std::vector<size_t>& changed) {
    return std::all_of(changed.begin(), changed.end(),
                       [&](size_t i) { return a.retries[i].failures == 0 && !a.retries[i].pending; });
  }

  bool resendBooked(const Seen& b) const {
    const int retry = retryOf_[static_cast<int>(call_)];
    if (retry >= 0) return b.retries[size_t(retry)].pending;
    return std::any_of(b.retries.begin(), b.retries.end(), [](const RetryState& r) { return r.pending; });
  }

  // The same call always books its resends on the same retry.
  void learn(size_t retry) {
    const int call = static_cast<int>(call_);
    if (retryOf_[call] < 0) retryOf_[call] = int(retry);
    FUZZ_CHECK(retryOf_[call] == int(retry));
  }

  Script script_;
  QList<FakeRequest> log_;
  std::vector<FakeCloudManager*> managers_;
  std::unique_ptr<ClientHarness> harness_;
  std::vector<CallRetry*> retries_;
  int retryOf_[static_cast<int>(CloudCall::Signout) + 1] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
  int appConfigReady_ = 0;
  bool signinRunning_ = false;

  // The reply being handled.
  bool inReply_ = false;
  CloudCall call_ = CloudCall::AppStartup;
  ReplyFacts facts_;
  bool current_ = false;
  bool signinRunningBefore_ = false;
  Seen before_{};

  // The snapshot thread's handler, fed on this thread as its loop would.
  SnapshotRequestThread snapshotThread_;
  std::unique_ptr<FakeCloudManager> snapshotManager_;
  QList<FakeRequest> snapshotLog_;
  Signin snapshotTokens_{"AT1", "RT-AT1", "all", "Bearer", 7200, 86400, "SK1", "digest"};
  int snapshotReplies_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  VirtualTimeDispatcher& clock = dispatcher();
  fuzzsupport::FuzzBytes in(data, size);
  {
    Run run(in);
    run.startSignin();
    for (int op = 0; op < kMaxOperations && !in.empty(); ++op) {
      switch (in.byte() % 8) {
        case 0:
        case 1:
          FUZZ_CHECK(clock.settle(kSettleRounds));
          break;
        case 2:  // the next timer: a resend, a late reply, a token timer
          if (clock.advanceToNextTimer(clock.now() + kIdleHorizonMs)) FUZZ_CHECK(clock.settle(kSettleRounds));
          break;
        case 3:
          run.startSignin();
          break;
        case 4:
          run.abandonSignin();
          break;
        case 5:  // the first refresh after a sign-in, or a token timer
          run.harness().client.requestRefresh();
          break;
        case 6:
          run.harness().client.signOut();
          break;
        default:
          run.snapshotRequest();
          break;
      }
    }
    // The cloud stops answering: two quiet hours bring only a few requests more.
    run.stopAnswering();
    FUZZ_CHECK(clock.settle(kSettleRounds));
    const int requestsBefore = run.requests();
    const qint64 end = clock.now() + kIdleHorizonMs;
    int advances = 0;
    for (; advances < kIdleAdvances && clock.advanceToNextTimer(end); ++advances) {
      FUZZ_CHECK(clock.settle(kSettleRounds));
    }
    FUZZ_CHECK(advances < kIdleAdvances);
    FUZZ_CHECK(run.requests() - requestsBefore <= kRequestsWhenQuiet);
  }
  // Everything the run made is gone, its timers with it.
  FUZZ_CHECK(clock.settle(kSettleRounds));
  FUZZ_CHECK(clock.socketNotifiers() == 0 && clock.timerCount() == 0);
  return 0;
}
