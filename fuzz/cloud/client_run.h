// One run of the cloud client fuzz target: the cloud protocol object wired
// as the windows wire it (ClientHarness, one FakeCloudManager per call,
// answered by a ScriptedCloud), and the snapshot thread's reply handler fed
// on this thread. Around every reply it checks what must hold:
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
//  - a reply posts at most one request; each snapshot reply is handled once.
#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "cloud_client_harness.h"
#include "fake_cloud_manager.h"
#include "fuzz_bytes.h"
#include "http_command/signin.h"
#include "scripted_cloud.h"

class CallRetry;
class Device;

namespace fuzzcloud {

// What the windows see of the client at one moment.
struct RetryState {
  int failures;
  bool pending;
  bool operator==(const RetryState& o) const { return failures == o.failures && pending == o.pending; }
};

struct Seen {
  int signedIn, failures, deviceReady, devConfigReady, elsewhere, appConfigReady;
  int requests;
  std::vector<RetryState> retries;  // each of the client's call retries
  const Signin* store;
  QString access, refresh, sign;
  int accessExpires, refreshExpires;
  const Device* device;
  int devConfigs;  // cameras of the device container's dev-config list
  bool operator==(const Seen& o) const;
  bool sameTokens(const Seen& o) const;
};

class ClientRun {
 public:
  ClientRun(const QString& entryUrl, fuzzsupport::FuzzBytes& in);

  CloudClient& client() { return harness_->client; }
  void startSignin();
  void abandonSignin();
  // A request of the snapshot thread, answered like the others.
  void snapshotRequest();
  // Requests the client has posted so far.
  int requests() const { return log_.size(); }
  // The cloud stops answering.
  void stopAnswering() { cloud_.stop(); }

 private:
  std::unique_ptr<QNetworkAccessManager> makeManager();
  Seen seen() const;
  void beforeReply(QNetworkReply* reply);
  void afterReply();
  void checkAccepted(const Seen& b, const Seen& a) const;
  void checkCounted(const Seen& b, const Seen& a);
  bool resendBooked(const Seen& b) const;
  void learn(size_t retry);

  QString entryUrl_;
  ScriptedCloud cloud_;
  QList<FakeRequest> log_;
  std::vector<FakeCloudManager*> managers_;
  std::unique_ptr<ClientHarness> harness_;
  std::vector<CallRetry*> retries_;
  int retryOf_[static_cast<int>(CloudCall::Signout) + 1];  // learned: the retry of each call (-1: none yet)
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

}  // namespace fuzzcloud
