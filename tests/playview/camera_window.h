// A main window (the global `mainwindow`) with one camera on the fake
// device link: the camera in its list, playState single-camera. The fake is
// reset first; online() reports the camera Online through it.
#pragma once

#include <QString>

#include <memory>
#include <utility>
#include <vector>

#include "device/OneWindowDevice.h"
#include "mainwindow.h"

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

  std::unique_ptr<MainWindow> window;
  oneWindowDevice* camera = nullptr;  // in window->oneWindowDevice_list
  WholeRenderWindow& view() { return camera->wholeRenderWindow; }
};

}  // namespace playviewtest
