// Test fixture for the camera object in the simulated world, with the real
// device link: its own network namespace (the protocol's fixed ports), a
// rendezvous server, the simulated cloud (strict, logging every request)
// and simulated cameras; a main window whose cloud client is signed in and
// has loaded the device list and configuration. Cameras are made the way
// the main window makes them, from the device list.
#pragma once

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../app/log_capture.h"
#include "../cloud/sim_cloud_process.h"
#include "child_process.h"
#include "device/OneWindowDevice.h"
#include "wait_until.h"
#include "http_command/cloud_records.h"
#include "mainwindow.h"

class CameraWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Collects the log from now until the fixture has stopped every thread
  // (call it before startWorld: threads started later log into it).
  void captureLog() { log_ = std::make_unique<testsupport::LogCapture>(); }
  // The rendezvous server and the cloud with `cloudArgs` (--camera ...);
  // then a signed-in main window with the device list and configuration.
  void startWorld(const QStringList& cloudArgs);
  // A simulated camera for `id` taking `key` (extra switches after).
  void startCamera(const std::string& id, const std::string& key,
                   const std::vector<std::string>& extra = {});
  // A camera object for a listed device, in the main window's list.
  oneWindowDevice* addCamera(const QString& id);
  // The camera's fetch-infos record(s), once the answer was handled.
  bool waitForRecords(const QString& id, int count = 1, int limitMs = 20000);

  // The cloud's request log, and the logged requests whose path ends so.
  QJsonArray cloudLog() const;
  QList<QJsonObject> logged(const QString& pathSuffix) const;
  // GET of a cloud URL by the test itself (the bytes it serves).
  QByteArray fetch(const QString& url);

  static bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    return cameratest::waitUntil(done, ms);
  }

  // False for a program that entered a network namespace of its own
  // before anything else (camviewer_xvfb_fresh_netns_main).
  bool enterOwnNamespace_ = true;
  QTemporaryDir data_;
  SimCloudProcess cloud_;
  testworld::ChildProcess rendezvous_;
  std::vector<std::unique_ptr<testworld::ChildProcess>> simCameras_;
  MainWindow* window_ = nullptr;
  std::unique_ptr<QNetworkAccessManager> challengeManager_;
  std::unique_ptr<QNetworkAccessManager> signinManager_;
  Challenge challenge_;
  std::vector<oneWindowDevice*> cameras_;
  std::unique_ptr<testsupport::LogCapture> log_;  // goes after TearDown
};
