// The whole road on a private X server: a camera object made from the
// cloud's data connects to the simulated camera over the real libraries,
// plays it into its own play view in the main window's play area (the
// picture read back from the screen), then stops and is deleted.
#include <QApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>

#include <algorithm>
#include <set>
#include <vector>

#include "camera_world.h"
#include "test_artifacts.h"
#include "xvfb_server.h"

namespace {

bool isBlack(QColor c) { return c.red() < 24 && c.green() < 24 && c.blue() < 24; }

// The program runs in a network namespace of its own, entered before its
// X server started (camviewer_xvfb_fresh_netns_main): SDL reaches that
// server through its abstract socket, which belongs to the namespace.
class CameraWorldOnScreen : public CameraWorld {
 protected:
  CameraWorldOnScreen() { enterOwnNamespace_ = false; }
};

TEST_F(CameraWorldOnScreen, PlaysTheSimulatedCameraIntoItsPlayViewThenStopsAndIsDeleted) {
  ASSERT_NO_FATAL_FAILURE(startWorld({"--camera", "CAM0001:Front door:1:play-key"}));
  ASSERT_NO_FATAL_FAILURE(startCamera("CAM0001", "play-key"));
  window_->resize(3000, 1600);
  window_->show();
  oneWindowDevice* camera = addCamera(QStringLiteral("CAM0001"));
  window_->deviceListLayout->addWidget(camera);
  camera->send_fetchInfo_instruct();
  ASSERT_TRUE(waitUntil([&] { return camera->get_p2pState() == E_CONN_STATUS_ONLINE; }, 120000))
      << "state " << camera->get_p2pState();

  // What the main window's single-camera play does.
  window_->playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
  camera->avideo_start_play();
  ASSERT_TRUE(waitUntil([&] { return camera->counters.picturesPresented.load() >= 50; }, 60000))
      << "presented " << camera->counters.picturesPresented.load();
  SDLRenderWnd& view = camera->ownPlayView().renderWnd;
  EXPECT_EQ(window_->centralGrid->indexOf(&camera->ownPlayView()) >= 0, true);
  EXPECT_TRUE(view.isVisible());
  ASSERT_TRUE(view.sdlReady());
  ASSERT_GT(view.width(), 100);

  // The picture is on the screen: the 16:9 area of the view shows the
  // camera's colourful test pattern, not a black or a flat window.
  const QRect area = view.targetRect();
  QImage shot;
  std::set<int> colours;
  int black = 0, samples = 0;
  waitUntil(
      [&] {
        shot = QGuiApplication::primaryScreen()->grabWindow(view.winId()).toImage();
        colours.clear();
        black = samples = 0;
        for (int i = 1; i < 12; ++i) {
          for (int j = 1; j < 12; ++j) {
            const QPoint p(area.left() + area.width() * i / 12, area.top() + area.height() * j / 12);
            if (!shot.rect().contains(p)) continue;
            const QColor c = shot.pixelColor(p);
            ++samples;
            black += isBlack(c);
            colours.insert((c.red() / 64) << 4 | (c.green() / 64) << 2 | (c.blue() / 64));
          }
        }
        return samples > 100 && colours.size() >= 6 && black < samples / 4;
      },
      10000);
  const std::string dir = testsupport::artifactsDir("camera_play");
  shot.save(QString::fromStdString(dir + "/play_view.png"));
  std::string error;
  if (testsupport::xvfbServer) testsupport::xvfbServer->screenshot(dir + "/main_window.png", &error);
  EXPECT_GT(samples, 100);
  EXPECT_GE(colours.size(), 6u) << "a flat picture";
  EXPECT_LT(black, samples / 4) << "a black picture";
  EXPECT_EQ(camera->videoWidth.load(), 640);
  EXPECT_EQ(camera->videoHeight.load(), 360);

  // Stop: the tick ends, no picture follows, the view stops drawing.
  camera->avideo_stop_play();
  EXPECT_FALSE(camera->get_isPlaying());
  EXPECT_FALSE(camera->videoTimer.isActive());
  const uint64_t shown = camera->counters.picturesPresented.load();
  waitUntil([] { return false; }, 500);
  EXPECT_EQ(camera->counters.picturesPresented.load(), shown);

  // Deleted while its link is still up: unregistered, disconnected, workers
  // joined, and its view gone from the play area's grid (the other items
  // stay as they were).
  const auto gridWidgets = [&] {
    std::vector<const QWidget*> widgets;
    for (int i = 0; i < window_->centralGrid->count(); ++i)
      widgets.push_back(window_->centralGrid->itemAt(i)->widget());
    return widgets;
  };
  const QWidget* viewInGrid = &camera->ownPlayView();
  std::vector<const QWidget*> expected = gridWidgets();
  ASSERT_EQ(std::count(expected.begin(), expected.end(), viewInGrid), 1);
  expected.erase(std::find(expected.begin(), expected.end(), viewInGrid));
  window_->oneWindowDevice_list.removeAll(camera);
  cameras_.erase(std::remove(cameras_.begin(), cameras_.end(), camera), cameras_.end());
  delete camera;
  EXPECT_EQ(gridWidgets(), expected) << "the deleted camera's view is still in the grid";
  QApplication::processEvents();  // the deferred deletions of the teardown
  EXPECT_EQ(gridWidgets(), expected);
}

}  // namespace
