#include "http_command/cloud_client.h"

#include <QDebug>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>

#include "http_command/SnapshotRequestThread.h"
#include "http_command/cloud_bodies.h"
#include "http_command/cloud_poster.h"
#include "http_command/device_container.h"
#include "http_command/refresh_interval.h"
#include "http_command/signin.h"
#include "sql/user_files.h"

namespace {

int callIndex(CloudCall call) { return static_cast<int>(call); }

}  // namespace

CloudClient::CloudClient(const QString& entryUrl, QObject* parent)
    : QObject(parent),
      entryUrl_(entryUrl),
      appStartupRetry_(cloudCallInfo(CloudCall::AppStartup).giveUpAfter,
                       [this] { requestAppStartup(); }, this),
      challengeRetry_(cloudCallInfo(CloudCall::Challenge).giveUpAfter,
                      [this] {
                        if (challenge_) requestChallenge(challenge_->username, macText_);
                      },
                      this),
      // A sign-in whose answer was lost may have used up its challenge on
      // the server: the resend starts again with a fresh challenge.
      signinRetry_(cloudCallInfo(CloudCall::Signin).giveUpAfter,
                   [this] {
                     if (challenge_) requestChallenge(challenge_->username, macText_);
                   },
                   this),
      refreshRetry_(0, [this] { requestRefresh(); }, this),
      deviceListRetry_(0, [this] { requestDeviceList(); }, this),
      devConfigRetry_(0, [this] { requestDevConfig(); }, this) {}

CloudClient::~CloudClient() = default;

void CloudClient::attachManager(CloudCall call, QNetworkAccessManager* manager) {
  managers_[callIndex(call)] = manager;
}

void CloudClient::attachTokenTimers(QTimer* refreshTimer, QTimer* otherPlaceTimer) {
  refreshTimer_ = refreshTimer;
  otherPlaceTimer_ = otherPlaceTimer;
}

void CloudClient::attachSnapshotThread(SnapshotRequestThread* thread) { snapshotThread_ = thread; }

QString CloudClient::agentToken() {
  QString id;
  uuidReadToLocalFile(id);
  return id;
}

QString CloudClient::uacUrl() const { return appConfig_ ? appConfig_->uacUrl : QString(); }

QNetworkReply* CloudClient::post(QNetworkAccessManager& via, CloudCall call, const QString& base,
                                 const QByteArray& body) {
  return cloudPost(via, call, base, body, tokens_.get(), generation_.current());
}

QNetworkAccessManager& CloudClient::cameraNetwork() {
  if (!cameraNetwork_) cameraNetwork_ = new QNetworkAccessManager(this);
  return *cameraNetwork_;
}

QNetworkReply* CloudClient::postCall(CloudCall call, const QString& base, const QByteArray& body,
                                     CallRetry& retry) {
  QNetworkAccessManager* via = managers_[callIndex(call)];
  QNetworkReply* reply = via ? post(*via, call, base, body) : nullptr;
  if (!reply) {
    attemptFailed(call, retry,
                  via ? QStringLiteral("request not sent") : QStringLiteral("no network manager"));
  }
  return reply;
}

std::optional<CloudReply> CloudClient::takeReply(QNetworkReply* reply, CloudCall call) {
  const quint64 generation = cloudReplyGeneration(reply);
  CloudReply r = CloudReply::take(reply, cloudCallInfo(call).name);
  if (!generation_.isCurrent(generation)) {
    qDebug() << cloudCallInfo(call).name << "reply of an ended session dropped";
    return std::nullopt;
  }
  return r;
}

void CloudClient::attemptFailed(CloudCall call, CallRetry& retry, const QString& why) {
  const CloudCallInfo& info = cloudCallInfo(call);
  qWarning() << info.name << "failed attempt:" << why;
  const bool again = retry.failed();
  if (again) {
    qDebug() << info.name << "sent again in" << retry.lastDelay() << "ms (failure"
             << retry.failures() << "in a row)";
  }
  if (call == CloudCall::DeviceList || call == CloudCall::DevConfig) emit cameraListFailed(again);
  if (again) return;
  // The reason stays in the log; the user reads what it means for them.
  qWarning() << info.name << "gave up after" << retry.failures() << "failures in a row, the last:"
             << why;
  if (info.giveUpAfter > 0) failSignin(QString::fromLatin1(kCloudUnreachableText));
}

// ---- timers ----------------------------------------------------------------

void CloudClient::refreshTimerStart() {
  if (!refreshTimer_ || !tokens_) return;
  const int interval = refreshIntervalMs(tokens_->get_accessExpiresIn());
  refreshTimer_->start(interval);
  qDebug() << "refreshToken_timer start :" << interval << "millisecond";
}

void CloudClient::refreshTimerStop() {
  if (refreshTimer_) refreshTimer_->stop();
  qDebug() << "refreshToken_timer stop";
}

void CloudClient::otherPlaceTimerStart() {
  if (!otherPlaceTimer_) return;
  otherPlaceTimer_->start(kOtherPlaceIntervalMs);
  qDebug() << "loginOtherPlace_timer start :" << kOtherPlaceIntervalMs << "millisecond";
}

void CloudClient::otherPlaceTimerStop() {
  if (otherPlaceTimer_) otherPlaceTimer_->stop();
  qDebug() << "loginOtherPlace_timer stop";
}

// ---- sign-out ----------------------------------------------------------------

void CloudClient::signOut() {
  if (!sessionActive_) {
    qDebug() << "signOut: no session";
    return;
  }
  sessionActive_ = false;
  generation_.bump();  // replies and resends of this session are dropped from now on
  refreshTimerStop();
  otherPlaceTimerStop();
  refreshRetry_.reset();
  deviceListRetry_.reset();
  devConfigRetry_.reset();
  refreshInFlight_ = nullptr;
  if (snapshotThread_) snapshotThread_->stopRequests();
  device_.reset();
  QNetworkAccessManager* via = managers_[callIndex(CloudCall::Signout)];
  if (via && tokens_) {
    post(*via, CloudCall::Signout, uacUrl(),
         signoutBody(agentToken(), tokens_->get_refreshToken()));
  }
}

void CloudClient::signoutReply(QNetworkReply* reply) {
  // Only logged: the local sign-out does not depend on it.
  const CloudReply r = CloudReply::take(reply, "HTTP_snapshotHandler");
  if (r.arrived() && !r.statusOk()) {
    qDebug() << "HTTP_snapshotHandler status :" << r.status();
    qDebug() << "HTTP_snapshotHandler message :" << r.message();
  } else if (!r.arrived()) {
    qDebug() << "HTTP_signout:" << r.failure();
  }
}
