#include "camera_window.h"

#include "fake_tessan.h"
#include "playview_support.h"

namespace playviewtest {

CameraWindow::CameraWindow(const QString& deviceId) {
  fake_tessan::reset();
  window = std::make_unique<MainWindow>();
  mainwindow = window.get();
  camera = new oneWindowDevice(deviceId, QStringLiteral("Door"), 1);
  window->oneWindowDevice_list.append(camera);
  window->playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
}

CameraWindow::~CameraWindow() {
  dropToasts();
  window->oneWindowDevice_list.removeAll(camera);
  delete camera;
  mainwindow = nullptr;
  window.reset();
  fake_tessan::reset();
}

bool CameraWindow::online() {
  fake_tessan::postStatus(camera->deviceId.toStdString(), E_CONN_STATUS_ONLINE);
  return fake_tessan::flush() &&
         pumpUntil([&] { return camera->get_p2pState() == E_CONN_STATUS_ONLINE; }, 5000);
}

std::vector<int> CameraWindow::qualityRequests() const {
  std::vector<int> out;
  for (const fake_tessan::Call& c : fake_tessan::calls("APP_send")) {
    if (c.msgType == 270) out.push_back(c.payload.empty() ? -1 : c.payload[0]);
  }
  return out;
}

std::vector<std::pair<int, int>> CameraWindow::ptzRequests() const {
  std::vector<std::pair<int, int>> out;
  for (const fake_tessan::Call& c : fake_tessan::calls("APP_send")) {
    if (c.msgType == 272 && c.payload.size() >= 2) out.emplace_back(c.payload[0], c.payload[1]);
  }
  return out;
}

}  // namespace playviewtest
