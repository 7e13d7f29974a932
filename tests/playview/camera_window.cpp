#include "camera_window.h"

#include <gtest/gtest.h>

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

std::unique_ptr<pipelinetest::Feeder> CameraWindow::playWithFrames(const QString& userDir,
                                                                   std::atomic<qint64>* now) {
  window->userName_private_dir = userDir;
  camera->setClock([now] { return now->load(); });
  EXPECT_TRUE(online());
  camera->set_avideoParam(640, 360, 25, 2048, 1, 0, 8000, 16, 1);
  view().playButton.click();
  EXPECT_TRUE(camera->get_isPlaying());
  if (!camera->get_isPlaying()) return nullptr;
  auto feed = std::make_unique<pipelinetest::Feeder>(
      *camera, pipelinetest::clips(camera::VideoCodec::H264), PlayMode::Single);
  feed->setStepped(true);
  return feed;
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
