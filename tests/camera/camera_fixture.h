// Test fixture for the camera object against the fake device link: a main
// window (offscreen) with a scratch data folder and the build's pictures, a
// device container the test fills, and cameras that are deleted before the
// window. Callbacks come from the fake's own thread; deliver() waits until
// they ran and the GUI thread has handled what they queued.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

#include "../app/log_capture.h"
#include "device/OneWindowDevice.h"
#include "wait_until.h"
#include "fake_tessan.h"
#include "http_command/device_container.h"
#include "mainwindow.h"

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A new camera in the main window's list (deleted by TearDown).
  oneWindowDevice* addCamera(const QString& id, const QString& name = QStringLiteral("Door"));
  // Takes the camera out of the list and deletes it.
  void deleteCamera(oneWindowDevice* camera);

  // Collects the log from now until the fixture has deleted its cameras
  // (their workers and the fake's callbacks log from other threads).
  void captureLog() { log_ = std::make_unique<testsupport::LogCapture>(); }

  // Everything the fake was asked to fire has run, and what it queued for
  // the GUI thread has been handled.
  void deliver();
  // The fake reports `status` for the camera; delivered.
  void report(oneWindowDevice* camera, int status);

  static bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    return cameratest::waitUntil(done, ms);
  }

  QTemporaryDir data_;
  MainWindow* window_ = nullptr;
  std::unique_ptr<Device> device_;
  std::vector<oneWindowDevice*> cameras_;
  std::unique_ptr<testsupport::LogCapture> log_;  // goes after TearDown
};
