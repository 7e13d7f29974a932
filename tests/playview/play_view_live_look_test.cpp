// A play whose camera keeps its link but sends no pictures (real camera
// frames handed to the camera the way the device link does, on the
// camera's injected clock): 5 s without a new picture and its view and tile
// show the "conecting" look and the log says the picture is not live, once;
// the next picture takes the look away. A play that never got a first
// picture counts the same way from its start.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "../app/log_capture.h"
#include "camera_window.h"
#include "device/WholeRenderWindow.h"
#include "device/connection_badge.h"
#include "playview_support.h"

namespace {

using namespace playviewtest;
using pipelinetest::Feeder;

struct LookCase {
  const char* name;
  bool firstPicture;  // a picture came before the camera went quiet
};

void PrintTo(const LookCase& c, std::ostream* os) { *os << c.name; }

class LiveLook : public ::testing::TestWithParam<LookCase> {
 protected:
  void SetUp() override {
    camera->setLiveClock([this] { return now.load(); });
    ASSERT_TRUE(w.online());
    camera->set_avideoParam(640, 360, 25, 2048, 1, 0, 8000, 16, 1);
    view.playButton.click();
    ASSERT_TRUE(camera->get_isPlaying());
    feed = std::make_unique<Feeder>(*camera, pipelinetest::clips(camera::VideoCodec::H264),
                                    PlayMode::Single);
    feed->setStepped(true);
  }
  void TearDown() override {
    if (camera->get_isPlaying()) camera->avideo_stop_play();
  }
  // One more picture, shown; then the camera looks at it at once.
  void onePicture() {
    const uint64_t before = camera->counters.picturesPresented.load();
    feed->video(ts);
    ts += 40;
    ASSERT_TRUE(pumpUntil([&] { return camera->counters.picturesPresented.load() > before; },
                          20000));
    camera->checkLive();
  }
  bool looksNotLive() const {
    return !view.labLinkState.isHidden() && view.labLinkState.text() == kBadgeTextConnecting &&
           camera->stateLabel.text() == kBadgeTextConnecting &&
           camera->stateLabel.styleSheet() == kBadgeStyleConnecting;
  }
  bool looksLive() const {
    return view.labLinkState.isHidden() && camera->stateLabel.text() == kBadgeTextOnline &&
           camera->stateLabel.styleSheet() == kBadgeStyleOnline;
  }

  CameraWindow w;
  WholeRenderWindow& view = w.view();
  oneWindowDevice* camera = w.camera;
  std::atomic<qint64> now{1000000};
  std::unique_ptr<Feeder> feed;
  uint64_t ts = 500;
};

TEST_P(LiveLook, FiveSecondsWithoutANewPictureUntilTheNextOne) {
  testsupport::LogCapture log;
  if (GetParam().firstPicture) {
    ASSERT_NO_FATAL_FAILURE(onePicture());
  }
  EXPECT_TRUE(looksLive());

  now += 4999;
  camera->checkLive();
  EXPECT_TRUE(looksLive()) << "not yet";
  now += 1;
  camera->checkLive();
  EXPECT_TRUE(looksNotLive());
  EXPECT_EQ(log.count("the picture is not live"), 1);
  // The camera's own check on its timer keeps it so, and says it once.
  now += 20000;
  pumpFor(1200);
  camera->checkLive();
  EXPECT_TRUE(looksNotLive());
  EXPECT_EQ(log.count("the picture is not live"), 1);

  ASSERT_NO_FATAL_FAILURE(onePicture());
  EXPECT_TRUE(looksLive()) << "the next picture is live again";
  EXPECT_EQ(log.count("pictures again: the picture is live"), 1);
  // ...and the rule starts afresh from it.
  now += 4999;
  camera->checkLive();
  EXPECT_TRUE(looksLive());
  now += 1;
  camera->checkLive();
  EXPECT_TRUE(looksNotLive());

  // A stop takes the look away.
  camera->avideo_stop_play();
  EXPECT_TRUE(view.labLinkState.isHidden());
  EXPECT_EQ(camera->stateLabel.text(), kBadgeTextOnline);
}

INSTANTIATE_TEST_SUITE_P(Cases, LiveLook,
                         ::testing::Values(LookCase{"AfterPictures", true},
                                           LookCase{"NoPictureYet", false}),
                         [](const ::testing::TestParamInfo<LookCase>& i) {
                           return std::string(i.param.name);
                         });

}  // namespace
