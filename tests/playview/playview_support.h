// Shared pieces of the play-view tests: pumping the event loop (bounded),
// and a main window with one camera on the fake device link, shown alone in
// the play area and Online.
#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "device/OneWindowDevice.h"
#include "media_feed.h"
#include "mainwindow.h"

class CToast;

namespace playviewtest {

using pipelinetest::pumpUntil;
// Runs the event loop for `ms`.
void pumpFor(int ms);

// The texts of the toasts on screen now.
std::vector<QString> toastTexts();
// Hides and deletes every toast (so the next test starts without one).
void dropToasts();

// The picture a button shows, to compare with a program picture.
QImage iconImage(const QIcon& icon);
QImage programIconImage(const QString& name);

// The main window (the global `mainwindow`) with one camera "CAM1" (named
// "Door") in its list, playState single-camera. The fake device link is
// reset first; online() reports the camera Online through it.
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
