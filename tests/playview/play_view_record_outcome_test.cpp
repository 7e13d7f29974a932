// What the record and snapshot buttons of a camera's own play view say
// when things go wrong, and where their files go: a disk that fills up
// under a recording, a stop before any key frame came, a snapshot that
// cannot be written whole, and save folders changed in the settings while
// the camera plays. Real camera frames (the simulated camera's clips) are
// handed to the camera the way the device link does; files are checked
// with ffprobe.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "playing_camera_fixture.h"
#include "device/WholeRenderWindow.h"
#include "device/media_paths.h"
#include "log_capture.h"
#include "media_assets.h"
#include "playview_support.h"
#include "small_disk.h"

namespace {

using namespace playviewtest;
using pipelinetest::Feeder;

class RecordOutcome : public PlayingCamera {
 protected:
  void SetUp() override {
    dir = testScratchDir("record_outcome_");
    ASSERT_NO_FATAL_FAILURE(beforePlay());
    ASSERT_NO_FATAL_FAILURE(startPlay());
    picture();  // the first picture starts the play
  }
  // Runs before the play starts (so before its worker threads).
  virtual void beforePlay() {}

  // The next picture of the clip, and the camera's sound every 128 ms.
  void picture() {
    feed->video(ts);
    if (ts % 128 < 40) feed->audio(ts);
    ts += 40;
  }
  // The save folders as the settings dialog leaves them for a chosen folder.
  void chooseFolder(const QString& root) {
    w.window->rootSavePath = root;
    w.window->pictureSavePath = root + "/Photo";
    w.window->videoSavePath = root + "/Video";
  }
  bool showsIcon(const QPushButton& b, const char* name) {
    return iconImage(b.icon()) == programIconImage(QString::fromLatin1(name));
  }
  // The record button's state as the user sees it: badge, its clock, icon.
  void expectRecordIdle() {
    EXPECT_FALSE(camera->isRecording.load());
    EXPECT_TRUE(view.labRecordTime.isHidden());
    EXPECT_FALSE(view.recordTimeTimer.isActive());
    EXPECT_TRUE(showsIcon(view.recordButton, "ic_record_dark.png"));
  }
};

// The save folders on a small disk of their own. Mounted before the play
// starts: its worker threads see the mounts of the thread that started them.
class RecordOutcomeOnASmallDisk : public RecordOutcome {
 protected:
  void beforePlay() override {
    disk = dir + "/disk";
    ASSERT_EQ(testsupport::mountSmallDisk(disk.toStdString(), 3u << 20), "");
    chooseFolder(disk);
  }
  QString disk;
};

// The recording runs into a disk that fills up: the first write that fails
// ends it as a stop does, the user is told, the log says why, and what was
// written plays. A snapshot on the full disk leaves no file behind.
TEST_F(RecordOutcomeOnASmallDisk, ADiskThatFillsUpEndsTheRecordingAndSaysSo) {
  ASSERT_EQ(testsupport::fillDisk(disk.toStdString(), "filler", 400u << 10), "");
  testsupport::LogCapture log;
  view.recordButton.click();
  ASSERT_TRUE(camera->isRecording.load());
  EXPECT_TRUE(showsIcon(view.recordButton, "ic_record_color.png"));
  const QString path = camera->recordFilePath();
  EXPECT_TRUE(path.startsWith(disk + "/Video/Door-record/Door-")) << path.toStdString();

  using Clock = std::chrono::steady_clock;
  Clock::time_point failed{};
  // Bounded: 400 KiB of room take a few hundred pictures of the clip.
  for (int i = 0; i < 5000 && toastTexts().empty(); ++i) {
    picture();
    if (failed == Clock::time_point{} && log.count("record write failed") > 0) failed = Clock::now();
  }
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000)) << "nothing told the user";
  if (failed == Clock::time_point{} && log.count("record write failed") > 0) failed = Clock::now();
  if (failed != Clock::time_point{})
    std::printf("[ figure ] from the first failed write to \"Record failed!\": %.3f s\n",
                std::chrono::duration<double>(Clock::now() - failed).count());
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record failed!"}));
  ASSERT_EQ(log.count("record write failed"), 1) << log.lines().join('\n').toStdString();
  for (const QString& line : log.lines()) {
    if (line.contains("record write failed")) {
      EXPECT_TRUE(line.contains("No space left on device")) << line.toStdString();
    }
  }
  pumpFor(100);  // the record thread's end reaches the main window
  expectRecordIdle();
  EXPECT_EQ(camera->mp4Writer, nullptr);
  const media_assets::CommandResult probe = media_assets::run(
      "ffprobe -v warning -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
      "-of csv=p=0 " + media_assets::quoted(path.toStdString()));
  EXPECT_EQ(probe.exitCode, 0) << probe.output;
  EXPECT_EQ(probe.output.find("partial file"), std::string::npos) << probe.output;
  EXPECT_GE(std::atoi(probe.output.c_str()), 25) << "the part written does not play: " << probe.output;

  // The disk is full now: a snapshot cannot be written whole.
  dropToasts();
  ASSERT_EQ(testsupport::fillDisk(disk.toStdString(), "filler2", 0), "");
  view.snapshotButton.click();
  for (int i = 0; i < 5; ++i) picture();
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 10000));
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Snapshot failed!"}));
  EXPECT_EQ(log.count("save image"), 1);
  // The log says what the file system said, and no empty word of the
  // image writer's.
  EXPECT_EQ(log.count("Bogus message"), 0) << log.lines().join('\n').toStdString();
  EXPECT_EQ(log.count("(file:, line:0)"), 0) << log.lines().join('\n').toStdString();
  const QStringList notSaved = log.lines().filter("jpeg not saved");
  ASSERT_EQ(notSaved.size(), 1) << log.lines().join('\n').toStdString();
  EXPECT_TRUE(notSaved[0].contains("No space left on device")) << notSaved[0].toStdString();
  EXPECT_TRUE(filesUnder(disk + "/Photo", "*").isEmpty()) << filesUnder(disk + "/Photo", "*").join(' ').toStdString();
}

// A record file never goes where something has its name already: a
// symbolic link there (to someone else's file) stays, and so does the file
// it points at; the recording takes the next name and plays. So does a
// recording started again within the same second.
TEST_F(RecordOutcome, ATakenRecordNameIsNeverWrittenThrough) {
  const QString named = media_paths::defaultPath(media_paths::MediaKind::Record, dir + "/user/", "Door",
                                                 camera->deviceId, QDateTime::fromSecsSinceEpoch(now));
  ASSERT_TRUE(media_paths::makeFolderFor(named));
  const QString target = dir + "/not-a-recording.txt";
  {
    QFile other(target);
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("someone else's file");
  }
  ASSERT_TRUE(QFile::link(target, named));

  const QString expected[] = {media_paths::numberedPath(named, 2), media_paths::numberedPath(named, 3)};
  for (const QString& path : expected) {
    feed->seekVideo(0);
    view.recordButton.click();
    ASSERT_TRUE(camera->isRecording.load());
    EXPECT_EQ(camera->recordFilePath(), path);
    for (int i = 0; i < 30; ++i) picture();
    view.recordButton.click();
    pumpFor(50);
    EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record Success!"}));
    dropToasts();
    expectRecordIdle();
    expectPlayableVideo(path.toStdString(), 1.2);
  }
  EXPECT_TRUE(QFileInfo(named).isSymLink());
  EXPECT_EQ(QFileInfo(named).symLinkTarget(), target);
  QFile other(target);
  ASSERT_TRUE(other.open(QIODevice::ReadOnly));
  EXPECT_EQ(other.readAll(), QByteArray("someone else's file"));
}

// The next file of a running recording (after the time limit) that cannot
// be opened ends the recording, and the user is told, as for a failed
// write: the file before it is finished and plays.
TEST_F(RecordOutcome, ANextFileThatCannotBeOpenedEndsTheRecordingAndSaysSo) {
  view.recordButton.click();
  ASSERT_TRUE(camera->isRecording.load());
  const QString first = camera->recordFilePath();
  feed->seekVideo(0);
  for (int i = 0; i < 30; ++i) picture();
  // A file where the next file's folder would be.
  const QString blocked = dir + "/blocked";
  {
    QFile blocker(blocked);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  }
  chooseFolder(blocked);
  now += FFmpeg_Avideo_record_thread::kRecordLimitSeconds + 1;
  for (int i = 0; i < 5000 && toastTexts().empty(); ++i) {
    picture();
    if (i % 25 == 0) pumpFor(10);
  }
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000)) << "nothing told the user";
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record failed!"}));
  pumpFor(100);
  expectRecordIdle();
  EXPECT_EQ(camera->mp4Writer, nullptr);
  expectPlayableVideo(first.toStdString(), 1.2);
}

// The camera's link is lost under a recording and comes back under the same
// play: the user is told at once that the recording paused, and it goes on
// into a new file when the link is back (badge, clock and icon with it), so
// what the camera sent around the gap is kept in two files that both play.
TEST_F(RecordOutcome, ALinkLostUnderARecordingIsToldAndTheRecordingGoesOnWhenItIsBack) {
  camera->update_p2pState(E_CONN_STATUS_ONLINE);
  view.recordButton.click();
  ASSERT_TRUE(camera->isRecording.load());
  const QString first = camera->recordFilePath();
  feed->seekVideo(0);
  for (int i = 0; i < 30; ++i) picture();

  camera->update_p2pState(E_CONN_STATUS_DISCONNECTED);  // the transport gave the link up
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000)) << "nothing told the user";
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Link lost! Record paused"}));
  pumpFor(100);
  expectRecordIdle();
  expectPlayableVideo(first.toStdString(), 1.0);
  dropToasts();

  now += 3;  // a new file's name: a later second
  camera->update_p2pState(E_CONN_STATUS_ONLINE);  // linked again: the play asks for its streams
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000));
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record resumed"}));
  ASSERT_TRUE(camera->isRecording.load());
  const QString second = camera->recordFilePath();
  EXPECT_NE(second, first);
  EXPECT_FALSE(view.labRecordTime.isHidden());
  EXPECT_TRUE(view.recordTimeTimer.isActive());
  EXPECT_TRUE(showsIcon(view.recordButton, "ic_record_color.png"));
  // The camera's new stream starts its time stamps again, at a key frame.
  ts = 0;
  feed->seekVideo(0);
  for (int i = 0; i < 30; ++i) picture();
  view.recordButton.click();  // stop
  pumpFor(100);
  expectRecordIdle();
  expectPlayableVideo(first.toStdString(), 1.0);
  expectPlayableVideo(second.toStdString(), 1.0);
}

// A link that is lost and back while no recording runs starts none, and a
// stop during the pause leaves it stopped.
TEST_F(RecordOutcome, APausedRecordingStoppedDuringThePauseDoesNotComeBack) {
  camera->update_p2pState(E_CONN_STATUS_ONLINE);
  camera->update_p2pState(E_CONN_STATUS_DISCONNECTED);
  camera->update_p2pState(E_CONN_STATUS_ONLINE);
  pumpFor(50);
  EXPECT_FALSE(camera->isRecording.load());
  EXPECT_TRUE(toastTexts().empty());

  view.recordButton.click();
  ASSERT_TRUE(camera->isRecording.load());
  feed->seekVideo(0);
  for (int i = 0; i < 10; ++i) picture();
  camera->update_p2pState(E_CONN_STATUS_DISCONNECTED);
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 60000));
  dropToasts();
  camera->avideo_stop_play();  // the user stops the play meanwhile
  camera->update_p2pState(E_CONN_STATUS_ONLINE);
  pumpFor(100);
  EXPECT_FALSE(camera->isRecording.load());
  EXPECT_TRUE(toastTexts().empty()) << toastTexts().front().toStdString();
}

// A quick press and stop before the camera's next key frame: there is
// nothing to play, so there is no file, and the user is told it failed.
TEST_F(RecordOutcome, AStopBeforeTheFirstKeyFrameKeepsNoFileAndSaysSo) {
  feed->seekVideo(3);  // in the middle of a group of pictures
  picture();
  view.recordButton.click();
  ASSERT_TRUE(camera->isRecording.load());
  for (int i = 0; i < 10; ++i) picture();
  view.recordButton.click();
  pumpFor(50);
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record failed!"}));
  expectRecordIdle();
  EXPECT_TRUE(filesUnder(dir, "*.mp4").isEmpty()) << filesUnder(dir, "*.mp4").join(' ').toStdString();
}

// Folders chosen in the settings while the camera plays are where the next
// snapshot, the next recording and the next file of a running recording
// (after the time limit) go.
TEST_F(RecordOutcome, FoldersChangedWhileTheCameraPlaysTakeEffectAtTheNextPress) {
  view.snapshotButton.click();
  for (int i = 0; i < 3; ++i) picture();
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 5000));
  EXPECT_EQ(filesUnder(dir + "/user/snapshot", "*.jpg").size(), 1);
  dropToasts();

  chooseFolder(dir + "/first");
  now += 1;
  view.snapshotButton.click();
  for (int i = 0; i < 3; ++i) picture();
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().empty(); }, 5000));
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Snapshot Success!"}));
  EXPECT_EQ(filesUnder(dir + "/first/Photo/Door-snapshot", "*.jpg").size(), 1);
  dropToasts();

  view.recordButton.click();
  ASSERT_TRUE(camera->isRecording.load());
  const QString first = camera->recordFilePath();
  EXPECT_TRUE(first.startsWith(dir + "/first/Video/Door-record/")) << first.toStdString();
  feed->seekVideo(0);
  for (int i = 0; i < 25; ++i) picture();

  // Chosen again while recording: the file under way stays where it is,
  // the next one (500 hours later) goes to the new folder.
  chooseFolder(dir + "/second");
  now += FFmpeg_Avideo_record_thread::kRecordLimitSeconds + 1;
  ASSERT_TRUE(pumpUntil([&] { return camera->recordFilePath() != first; }, 30000)) << "no next file";
  const QString second = camera->recordFilePath();
  EXPECT_TRUE(second.startsWith(dir + "/second/Video/Door-record/")) << second.toStdString();
  feed->seekVideo(0);
  for (int i = 0; i < 30; ++i) picture();
  view.recordButton.click();
  pumpFor(50);
  EXPECT_EQ(toastTexts(), (std::vector<QString>{"Record Success!"}));
  EXPECT_EQ(filesUnder(dir + "/first/Video", "*.mp4"), QStringList{first});
  EXPECT_EQ(filesUnder(dir + "/second/Video", "*.mp4"), QStringList{second});
  expectPlayableVideo(second.toStdString(), 1.2);
}

}  // namespace
