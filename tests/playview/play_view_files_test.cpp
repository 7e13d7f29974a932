// The snapshot and record buttons of a camera's own play view with real
// camera frames (the simulated camera's clips, handed to the camera the way
// the device link does): the files they leave are checked with libjpeg and
// ffprobe, and the notices must say what happened.
#include <gtest/gtest.h>

#include <QDateTime>

#include <atomic>
#include <memory>

#include "device/WholeRenderWindow.h"
#include "libjpeg_reference.h"
#include "media_assets.h"
#include "playing_camera_fixture.h"
#include "playview_support.h"

namespace {

using namespace playviewtest;
using pipelinetest::Feeder;

class PlayViewFiles : public PlayingCamera {
 protected:
  void SetUp() override {
    dir = testScratchDir("playview_");
    ASSERT_NO_FATAL_FAILURE(startPlay());
    feed->video(ts);  // the first picture starts the play
    ts += 40;
  }

  // The record button starts a recording: its flag, the badge and its timer.
  void startRecording() {
    view.recordButton.click();
    ASSERT_TRUE(camera->isRecording.load());
    EXPECT_FALSE(view.labRecordTime.isHidden());
    EXPECT_TRUE(view.recordTimeTimer.isActive());
  }

  // One second of pictures from a key frame; waits until the record thread
  // has written all of them.
  void recordOneSecond() {
    const uint64_t before = camera->counters.recordVideoWritten.load();
    feed->seekVideo(0);
    for (int i = 0; i < 25; ++i, ts += 40) feed->video(ts);
    ASSERT_TRUE(pumpUntil([&] {
      return camera->counters.recordVideoWritten.load() >= before + 25 && camera->recordVideoQueue.empty();
    }, 20000)) << camera->counters.recordVideoWritten.load();
  }
};

TEST_F(PlayViewFiles, SnapshotOfTheLivePictureIsAJpegAndSaysSo) {
  view.snapshotButton.click();
  for (int i = 0; i < 5; ++i, ts += 40) feed->video(ts);
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000));
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Snapshot Success!"}));
  const QStringList shots = filesUnder(dir + "/user/snapshot", "*.jpg");
  ASSERT_EQ(shots.size(), 1);
  EXPECT_TRUE(shots[0].endsWith("/Door-snapshot/Door-" +
                                QDateTime::fromSecsSinceEpoch(now.load()).toString("yyyy-MM-dd-hh-mm-ss") +
                                ".jpg"))
      << shots[0].toStdString();
  const libjpeg_reference::Decoded d =
      libjpeg_reference::decode(media_assets::readFile(shots[0].toStdString()));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.width, 640);
  EXPECT_EQ(d.height, 360);
}

TEST_F(PlayViewFiles, RecordButtonLeavesAPlayableFileAndSaysSo) {
  ASSERT_NO_FATAL_FAILURE(startRecording());
  ASSERT_NO_FATAL_FAILURE(recordOneSecond());
  const std::string path = camera->recordFilePath().toStdString();
  view.recordButton.click();
  EXPECT_FALSE(camera->isRecording.load());
  EXPECT_TRUE(view.labRecordTime.isHidden());
  EXPECT_FALSE(view.recordTimeTimer.isActive());
  pumpFor(50);
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record Success!"}));
  expectPlayableVideo(path, 1.0);
}

// A recording whose flag was cleared elsewhere while its file stayed open:
// the next start finishes that file first instead of losing it.
TEST_F(PlayViewFiles, StartWithAFileStillOpenFinishesItFirst) {
  ASSERT_NO_FATAL_FAILURE(startRecording());
  ASSERT_NO_FATAL_FAILURE(recordOneSecond());
  const std::string first = camera->recordFilePath().toStdString();
  camera->isRecording.store(false);  // the flag only; the writer is still open
  now += 5;
  view.recordButton.click();  // a start, by the flag
  ASSERT_TRUE(camera->isRecording.load()) << "the new recording did not start";
  const std::string second = camera->recordFilePath().toStdString();
  ASSERT_NE(first, second);
  expectPlayableVideo(first, 1.0);
  ASSERT_NO_FATAL_FAILURE(recordOneSecond());
  view.recordButton.click();
  expectPlayableVideo(second, 1.0);
  EXPECT_EQ(filesUnder(dir, "*.mp4").size(), 2);
}

// The end of an earlier run reported after a new recording started must
// not clear the new one's flag (its file would stay open and unfinished).
TEST_F(PlayViewFiles, StaleRecordEndReportKeepsTheRecordingGoing) {
  ASSERT_NO_FATAL_FAILURE(startRecording());
  w.window->device_change_record_picture_state_Handler("CAM1", false);
  EXPECT_TRUE(camera->isRecording.load());
  EXPECT_FALSE(view.labRecordTime.isHidden());
  EXPECT_TRUE(view.recordTimeTimer.isActive());
  ASSERT_NO_FATAL_FAILURE(recordOneSecond());
  const std::string path = camera->recordFilePath().toStdString();
  view.recordButton.click();
  expectPlayableVideo(path, 1.0);
}

}  // namespace
