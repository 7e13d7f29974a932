#include "client_run.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "fuzz_check.h"
#include "http_command/call_retry.h"
#include "http_command/cloud_bodies.h"
#include "http_command/cloud_poster.h"
#include "http_command/device_container.h"

namespace fuzzcloud {

namespace {

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

bool allReset(const Seen& a, const std::vector<size_t>& changed) {
  return std::all_of(changed.begin(), changed.end(),
                     [&](size_t i) { return a.retries[i].failures == 0 && !a.retries[i].pending; });
}

}  // namespace

bool Seen::operator==(const Seen& o) const {
  return signedIn == o.signedIn && failures == o.failures && deviceReady == o.deviceReady &&
         devConfigReady == o.devConfigReady && elsewhere == o.elsewhere && appConfigReady == o.appConfigReady &&
         requests == o.requests && retries == o.retries && store == o.store && sameTokens(o) && device == o.device &&
         devConfigs == o.devConfigs;
}

bool Seen::sameTokens(const Seen& o) const {
  return access == o.access && refresh == o.refresh && sign == o.sign && accessExpires == o.accessExpires &&
         refreshExpires == o.refreshExpires;
}

ClientRun::ClientRun(const QString& entryUrl, fuzzsupport::FuzzBytes& in) : entryUrl_(entryUrl), cloud_(in) {
  std::fill(std::begin(retryOf_), std::end(retryOf_), -1);
  harness_ = std::make_unique<ClientHarness>(entryUrl, [this] { return makeManager(); });
  CloudClient& c = harness_->client;
  c.attachSnapshotThread(nullptr);  // its passes would use the real network; its handler is fed below
  QObject::connect(&c, &CloudClient::appConfigReady, [this] { ++appConfigReady_; });
  QObject::connect(&c, &CloudClient::signedIn, [this] { signinRunning_ = false; });
  // After the client's slot (the harness connected it first).
  for (FakeCloudManager* m : managers_) QObject::connect(m, &QNetworkAccessManager::finished, [this] { afterReply(); });
  const QList<CallRetry*> retries = c.findChildren<CallRetry*>(QString(), Qt::FindDirectChildrenOnly);
  retries_.assign(retries.begin(), retries.end());
  FUZZ_CHECK(!retries_.empty());

  snapshotManager_ = std::make_unique<FakeCloudManager>([this](const FakeRequest& r) { return cloud_.answer(r); },
                                                        &snapshotLog_);
  QObject::connect(snapshotManager_.get(), &QNetworkAccessManager::finished, &snapshotThread_,
                   &SnapshotRequestThread::snapshotRequestHandler, Qt::DirectConnection);
  QObject::connect(snapshotManager_.get(), &QNetworkAccessManager::finished, [this] {
    ++snapshotReplies_;
    FUZZ_CHECK(snapshotThread_.repliesHandled() == snapshotReplies_);
  });
}

void ClientRun::startSignin() {
  signinRunning_ = true;
  harness_->startSignin(QStringLiteral("user"), QStringLiteral("pw"));
}

void ClientRun::abandonSignin() {
  signinRunning_ = false;
  harness_->client.abandonSignin();
}

void ClientRun::snapshotRequest() {
  cloudPost(*snapshotManager_, CloudCall::Snapshot, entryUrl_ + QStringLiteral("/uac"), snapshotBody("AT1", "C1"),
            &snapshotTokens_, 0);
}

std::unique_ptr<QNetworkAccessManager> ClientRun::makeManager() {
  auto m = std::make_unique<FakeCloudManager>([this](const FakeRequest& r) { return cloud_.answer(r); }, &log_);
  // Before the client's slot: what things were like when the reply came.
  QObject::connect(m.get(), &QNetworkAccessManager::finished, [this](QNetworkReply* r) { beforeReply(r); });
  managers_.push_back(m.get());
  return m;
}

Seen ClientRun::seen() const {
  const ClientHarness& h = *harness_;
  const Device* device = h.client.device();
  Seen s{h.signedInCount, int(h.failures.size()), h.deviceReadyCount, h.devConfigReadyCount,
         h.signedOutElsewhereCount, appConfigReady_, requests(), {}, h.client.tokens(), {}, {}, {}, 0, 0,
         device, device ? int(device->devConfigList.size()) : 0};
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

void ClientRun::beforeReply(QNetworkReply* reply) {
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

void ClientRun::afterReply() {
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
void ClientRun::checkAccepted(const Seen& b, const Seen& a) const {
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
void ClientRun::checkCounted(const Seen& b, const Seen& a) {
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

bool ClientRun::resendBooked(const Seen& b) const {
  const int retry = retryOf_[static_cast<int>(call_)];
  if (retry >= 0) return b.retries[size_t(retry)].pending;
  return std::any_of(b.retries.begin(), b.retries.end(), [](const RetryState& r) { return r.pending; });
}

// The same call always books its resends on the same retry.
void ClientRun::learn(size_t retry) {
  const int call = static_cast<int>(call_);
  if (retryOf_[call] < 0) retryOf_[call] = int(retry);
  FUZZ_CHECK(retryOf_[call] == int(retry));
}

}  // namespace fuzzcloud
