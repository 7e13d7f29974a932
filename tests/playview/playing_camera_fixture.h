// A camera's own play view, playing the simulated camera's clips handed to
// the camera the way the device link does: the fixture of the file and
// record-outcome tests. The play is stopped at the end of each test.
#pragma once

#include <gtest/gtest.h>

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

#include "camera_window.h"
#include "device/WholeRenderWindow.h"
#include "playview_support.h"

namespace playviewtest {

class PlayingCamera : public ::testing::Test {
 protected:
  // Starts the play, its user folder under `dir` (set by the test first).
  void startPlay() {
    feed = w.playWithFrames(dir + "/user/", &now);
    ASSERT_TRUE(feed);
  }
  void TearDown() override {
    if (camera->get_isPlaying()) camera->avideo_stop_play();
  }

  CameraWindow w;
  WholeRenderWindow& view = w.view();
  oneWindowDevice* camera = w.camera;
  QString dir;
  std::atomic<qint64> now{1700000000};
  std::unique_ptr<pipelinetest::Feeder> feed;
  uint64_t ts = 500;
};

}  // namespace playviewtest
