// CloudClient: the client side of the cloud account service, as one plain
// QObject on the GUI thread (it runs under QCoreApplication; no widget).
//
// It builds and posts every call (app startup, challenge, sign-in, token
// refresh, device list, dev-config, sign-out; the snapshot thread's and the
// cameras' fetch-infos requests use the same pieces), handles the replies,
// drives the chain from one step to the next and tells the windows what to
// do through its signals:
//
//   beginSignin -> app startup -> challenge -> sign-in -> signedIn(tokens)
//                                  (any step failing 5 times) -> signinFailed(message)
//   requestRefresh (first after sign-in) -> device list -> deviceContainerReady(device)
//     -> dev-config -> devConfigReady()   [snapshot thread started]
//     (either failing or refused) -> cameraListFailed(retrying)
//   refresh answered with code 1011 -> signedOutElsewhere()   [timers stopped]
//   signOut() ends the session: timers stopped, pending resends cancelled,
//     snapshot thread stopped, device container freed, sign-out posted;
//     late replies of the ended session are dropped (session generation).
//
// The windows keep their managers, timers and the snapshot thread and lend
// them here (attach*); their HTTP_* members are thin callers of this class.
// Failed attempts (no answer, a status other than 200, a 200 with a
// transport error, a body that is not a JSON object, missing members) are
// sent again: the first at once, then backing off to 30 s; the three
// sign-in steps give up after 5 failures in a row.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>

#include "http_command/call_retry.h"
#include "http_command/cloud_call.h"
#include "http_command/cloud_records.h"
#include "http_command/cloud_reply.h"
#include "http_command/device_container.h"
#include "http_command/session_generation.h"
#include "http_command/signin.h"

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;
class SnapshotRequestThread;

class CloudClient : public QObject {
  Q_OBJECT

 public:
  // Interval of the login-other-place timer.
  static constexpr int kOtherPlaceIntervalMs = 300000;
  // The message of a sign-in whose reply says "not ok" without a message.
  static constexpr const char* kSigninRefusedText = "Please check your account number and password";
  // The message of a sign-in whose calls failed too often (the reasons are
  // in the log).
  static constexpr const char* kCloudUnreachableText =
      "The cloud cannot be reached. Please check the network connection and try again later.";

  // `entryUrl`: the configured cloud entry URL (cloud_config).
  explicit CloudClient(const QString& entryUrl, QObject* parent = nullptr);
  ~CloudClient() override;
  CloudClient(const CloudClient&) = delete;
  CloudClient& operator=(const CloudClient&) = delete;

  // ---- wiring (not owned; each may go away: the call then is not sent) --
  void attachManager(CloudCall call, QNetworkAccessManager* manager);
  void attachTokenTimers(QTimer* refreshTimer, QTimer* otherPlaceTimer);
  void attachSnapshotThread(SnapshotRequestThread* thread);

  // ---- sign-in -----------------------------------------------------------
  // A new sign-in with the dialog's record (username and password filled)
  // and MAC text: earlier attempts are forgotten, app startup is posted.
  void beginSignin(Challenge* challenge, const QString& macText);
  void requestAppStartup();
  // Posts a challenge; the record's macDigest becomes the MD5 of `macText`.
  void requestChallenge(const QString& username, const QString& macText);
  void requestSignin();
  // The dialog is gone: nothing of its sign-in runs on.
  void abandonSignin();

  // ---- the signed-in session --------------------------------------------
  void requestRefresh();
  void requestDeviceList();
  void requestDevConfig();
  // Ends the session (menu or 1011); a second call does nothing.
  void signOut();

  void refreshTimerStart();
  void refreshTimerStop();
  void otherPlaceTimerStart();
  void otherPlaceTimerStop();

  // ---- for other callers of the cloud (camera fetch-infos, tests) --------
  // Posts `call` through `via` with the current tokens and generation; null
  // (nothing sent) when there is no usable URL or no token store.
  QNetworkReply* post(QNetworkAccessManager& via, CloudCall call, const QString& base,
                      const QByteArray& body);
  // The cameras' own calls (fetch-infos, thumbnail downloads) all go
  // through this one manager, and so through one HTTP thread and one pool
  // of connections, whatever the number of cameras. Made at first use.
  QNetworkAccessManager& cameraNetwork();
  // Reads and releases `reply`; empty when it belongs to an ended session.
  std::optional<CloudReply> takeReply(QNetworkReply* reply, CloudCall call);
  bool isCurrent(quint64 generation) const { return generation_.isCurrent(generation); }
  quint64 generation() const { return generation_.current(); }

  App_config* appConfig() const { return appConfig_.get(); }
  Signin* tokens() const { return tokens_.get(); }
  std::shared_ptr<Signin> sharedTokens() const { return tokens_; }
  Device* device() const { return device_.get(); }
  const QString& entryUrl() const { return entryUrl_; }
  bool sessionActive() const { return sessionActive_; }
  bool firstRefreshDone() const { return firstRefreshDone_; }

 public slots:
  void appConfigReply(QNetworkReply* reply);
  void challengeReply(QNetworkReply* reply);
  void signinReply(QNetworkReply* reply);
  void refreshReply(QNetworkReply* reply);
  void deviceListReply(QNetworkReply* reply);
  void devConfigReply(QNetworkReply* reply);
  void signoutReply(QNetworkReply* reply);

 signals:
  void appConfigReady();
  void signedIn(Signin* tokens);
  void signinFailed(const QString& message);
  void deviceContainerReady(Device* device);
  void devConfigReady();
  void signedOutElsewhere();
  // The device list or the device configuration of the session failed:
  // `retrying` when it is sent again by itself (no answer, a status other
  // than 200, a reply of the wrong shape), false when the cloud refused it
  // ("status" not "ok"; nothing follows).
  void cameraListFailed(bool retrying);

 private:
  QNetworkReply* postCall(CloudCall call, const QString& base, const QByteArray& body,
                          CallRetry& retry);
  void attemptFailed(CloudCall call, CallRetry& retry, const QString& why);
  void failSignin(const QString& message);
  void resetSigninRetries();
  void startSession(std::shared_ptr<Signin> tokens);
  bool applyRefreshedTokens(const cJSON* result);
  void firstRefreshStep();
  void startSnapshots();
  QString uacUrl() const;
  static QString agentToken();

  QString entryUrl_;
  QPointer<QNetworkAccessManager> managers_[static_cast<int>(CloudCall::Signout) + 1];
  QNetworkAccessManager* cameraNetwork_ = nullptr;  // child
  QPointer<QTimer> refreshTimer_;
  QPointer<QTimer> otherPlaceTimer_;
  QPointer<SnapshotRequestThread> snapshotThread_;

  Challenge* challenge_ = nullptr;  // the dialog's record while a sign-in runs
  QString macText_;
  std::unique_ptr<App_config> appConfig_;
  std::shared_ptr<Signin> tokens_;
  std::unique_ptr<Device> device_;

  SessionGeneration generation_;
  bool sessionActive_ = false;
  bool firstRefreshDone_ = false;
  bool signOutAnnounced_ = false;
  bool devConfigDone_ = false;
  QPointer<QNetworkReply> refreshInFlight_;

  CallRetry appStartupRetry_;
  CallRetry challengeRetry_;
  CallRetry signinRetry_;
  CallRetry refreshRetry_;
  CallRetry deviceListRetry_;
  CallRetry devConfigRetry_;
};
