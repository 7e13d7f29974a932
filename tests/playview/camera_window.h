// A main window (the global `mainwindow`) with one camera on the fake
// device link: the camera in its list, playState single-camera. The fake is
// reset first; online() reports the camera Online through it.
#pragma once

#include <QString>

#include <atomic>
#include <memory>
#include <utility>
#include <vector>

#include "device/OneWindowDevice.h"
#include "mainwindow.h"
#include "media_feed.h"

namespace playviewtest {

// Camera "CAM1", named "Door".
class CameraWindow {
 public:
  explicit CameraWindow(const QString& deviceId = QStringLiteral("CAM1"));
  ~CameraWindow();

  // Reports status 10 for the camera and waits until the camera has it.
  bool online();
  // The quality (270) and PTZ (272) requests sent so far: first payload
  // byte, and for PTZ the second.
  std::vector<int> qualityRequests() const;
  std::vector<std::pair<int, int>> ptzRequests() const;
  // Makes the camera Online and plays it in its own view, its files under
  // `userDir`, its record clock on `now`. The feeder hands it the simulated
  // camera's frames (H.264, 640 x 360) and waits until each is decoded.
  // Null, with a test failure, when the play did not start.
  std::unique_ptr<pipelinetest::Feeder> playWithFrames(const QString& userDir,
                                                       std::atomic<qint64>* now);

  std::unique_ptr<MainWindow> window;
  oneWindowDevice* camera = nullptr;  // in window->oneWindowDevice_list
  WholeRenderWindow& view() { return camera->ownPlayView(); }
};

}  // namespace playviewtest
