// Test helper: a CloudClient wired the way the main window and the sign-in
// dialog wire it (one manager per call whose finished signal reaches the
// call's reply slot, the two token timers feeding requestRefresh, the
// snapshot thread, a 1011 sign-out answered by signOut), with counters of
// what it told the windows. Managers come from a factory: real ones for the
// simulated cloud, FakeCloudManager for exact reply shapes.
#pragma once

#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "http_command/SnapshotRequestThread.h"
#include "http_command/cloud_client.h"

class ClientHarness {
 public:
  using ManagerFactory = std::function<std::unique_ptr<QNetworkAccessManager>()>;

  ClientHarness(const QString& entryUrl, const ManagerFactory& makeManager);
  ~ClientHarness();

  // beginSignin with these inputs; true once signed in, false when the
  // sign-in failed or `limitMs` passed.
  bool signIn(const QString& user, const QString& password, int limitMs = 20000);
  // Starts a sign-in without waiting.
  void startSignin(const QString& user, const QString& password);
  // The first refresh after a sign-in, as the program entry sends it; true
  // once the dev-config reply was handled (the camera tiles would be built).
  bool loadDevices(int limitMs = 20000);

  // Processes events until `done` or `limitMs` passed; returns done().
  static bool waitFor(const std::function<bool()>& done, int limitMs);

  CloudClient client;
  Challenge challenge;
  QTimer refreshTimer;
  QTimer otherPlaceTimer;
  SnapshotRequestThread snapshots;

  int signedInCount = 0;
  QStringList failures;  // signinFailed messages
  int deviceReadyCount = 0;
  int devConfigReadyCount = 0;
  int signedOutElsewhereCount = 0;
  // Replies that reached the slot of `call` (dropped ones included).
  int replies(CloudCall call) const { return replies_[static_cast<int>(call)]; }

 private:
  std::vector<std::unique_ptr<QNetworkAccessManager>> managers_;
  int replies_[static_cast<int>(CloudCall::Signout) + 1] = {};
};
