// Snapshot, thumbnail and record files of a camera's media session, checked
// with libjpeg and ffprobe. A private PulseAudio null sink gives the session
// a real sound output, so the audio decode thread runs and recordings carry
// sound as they do in a single-camera play.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "child_process.h"
#include "libjpeg_reference.h"
#include "media_assets.h"
#include "pulse_environment.h"
#include "session_fixture.h"

namespace pipelinetest {
namespace {

using camera::VideoCodec;

std::vector<uint8_t> fileBytes(const QString& path) { return media_assets::readFile(path.toStdString()); }

QStringList filesUnder(const QString& dir, const QString& pattern) {
  QStringList out;
  QDir d(dir);
  for (const QFileInfo& sub : d.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
    out += filesUnder(sub.filePath(), pattern);
  for (const QFileInfo& f : d.entryInfoList({pattern}, QDir::Files)) out << f.filePath();
  return out;
}

class FilesTest : public SessionTest {
 protected:
  // A single-camera play whose sound is up (audio decode thread running).
  void startSinglePlayWithSound(Feeder& feed) {
    feed.setStepped(true);
    media->avideo_start_play();
    feed.audio(480);  // the camera's sound is known before the record opens
    feed.video(500);  // the first video frame starts the play
    ASSERT_TRUE(pumpUntil([&] { return media->audioDecodeThread.gate.accepting(); }, 60000))
        << "no sound output: is the null sink up?";
  }
  // Waits until the record thread has written everything queued so far.
  bool recordDrained(uint64_t videoFrames) {
    return pumpUntil([&] {
      return media->counters.recordVideoWritten.load() >= videoFrames &&
             media->recordVideoQueue.empty() && media->recordAudioQueue.empty() &&
             media->videoPacketQueue.empty() && media->audioPacketQueue.empty();
    }, 30000);
  }
  // Opens a record file and fills it with one second from a key frame;
  // returns the time stamp after it.
  uint64_t recordOneSecond(Feeder& feed) {
    EXPECT_TRUE(media->record_start());
    feed.seekVideo(0);
    const uint64_t ts = feed.both(1.0, 1000);
    EXPECT_TRUE(recordDrained(25));
    return ts;
  }
  // The record clock on an injected time.
  void useTestClock() {
    media->setClock([this] { return now.load(); });
  }
  void expectKeyFrameFirst(const std::string& path) {
    const std::vector<ProbePacket> packets = probePackets(path);
    ASSERT_FALSE(packets.empty()) << path;
    for (const ProbePacket& p : packets) {
      if (p.type != "video") continue;
      EXPECT_TRUE(p.key) << path << " begins with no key frame";
      break;
    }
  }
  void expectPlayableRecording(const std::string& path, double seconds) {
    const std::vector<ProbePacket> packets = probePackets(path);
    ASSERT_FALSE(packets.empty()) << path;
    const ProbePacket* firstVideo = nullptr;
    size_t audio = 0;
    for (const ProbePacket& p : packets) {
      if (p.type == "video" && !firstVideo) firstVideo = &p;
      audio += p.type == "audio";
    }
    ASSERT_NE(firstVideo, nullptr) << path;
    EXPECT_TRUE(firstVideo->key) << path << ": the first video packet is no key frame";
    EXPECT_GT(audio, 0u) << path << ": no audio track";
    const double d = probeDuration(path);
    EXPECT_NEAR(d, seconds, 0.35) << path;
    EXPECT_GE(decodedVideoFrames(path), int(seconds * 25) - 2) << path;
  }

  std::atomic<qint64> now{1700000000};
};

TEST_F(FilesTest, ThreeSecondRecordingHasAKeyFrameFirstAndSound) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  ASSERT_TRUE(media->record_start());
  EXPECT_TRUE(media->isRecording.load());
  feed.seekVideo(0);
  feed.both(3.0, 1000);
  ASSERT_TRUE(recordDrained(75)) << media->counters.recordVideoWritten.load();
  const std::string path = media->recordFilePath().toStdString();
  ASSERT_TRUE(media->record_stop());
  EXPECT_FALSE(media->isRecording.load());
  EXPECT_EQ(media->mp4Writer, nullptr);
  expectPlayableRecording(path, 3.0);
  EXPECT_GT(media->counters.recordAudioWritten.load(), 10u);
  // The default record folder of the user.
  EXPECT_NE(path.find("/user/record/Door-record/Door-"), std::string::npos) << path;
  ASSERT_TRUE(pumpUntil([&] { return events.count("recordPictureState false") == 1; }, 60000));
}

TEST_F(FilesTest, StopThenRecordAgainGivesTwoValidFiles) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  std::vector<std::string> paths;
  uint64_t ts = 1000;
  for (int round = 0; round < 2; ++round) {
    // Names carry the second: the second file starts in a later one.
    const qint64 second = QDateTime::currentSecsSinceEpoch();
    ASSERT_TRUE(pumpUntil([&] { return round == 0 || QDateTime::currentSecsSinceEpoch() > second; }, 60000));
    const uint64_t before = media->counters.recordVideoWritten.load();
    ASSERT_TRUE(media->record_start());
    feed.seekVideo(0);
    ts = feed.both(2.0, ts);
    ASSERT_TRUE(recordDrained(before + 50));
    paths.push_back(media->recordFilePath().toStdString());
    ASSERT_TRUE(media->record_stop());
  }
  ASSERT_NE(paths[0], paths[1]);
  for (const std::string& p : paths) expectPlayableRecording(p, 2.0);
}

TEST_F(FilesTest, RecordingStartedInTheMiddleOfAGroupBeginsAtTheNextKeyFrame) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  feed.seekVideo(10);  // 15 pictures before the next key frame
  ASSERT_TRUE(media->record_start());
  feed.both(3.0, 1000);  // 75 pictures: 15 before the key frame, 60 from it
  ASSERT_TRUE(recordDrained(60));
  const std::string path = media->recordFilePath().toStdString();
  ASSERT_TRUE(media->record_stop());
  EXPECT_EQ(media->counters.recordVideoWritten.load(), 60u);
  const std::vector<ProbePacket> packets = probePackets(path);
  size_t video = 0;
  for (const ProbePacket& p : packets) {
    if (p.type != "video") continue;
    if (video++ == 0) {
      EXPECT_TRUE(p.key);
    }
  }
  EXPECT_EQ(video, 60u);
}

TEST_F(FilesTest, TimeLimitClosesTheFileAndOpensTheNextOne) {
  useTestClock();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  uint64_t ts = recordOneSecond(feed);
  const QString first = media->recordFilePath();
  now += FFmpeg_Avideo_record_thread::kRecordLimitSeconds + 1;  // 500 hours later
  ASSERT_TRUE(pumpUntil([&] { return media->recordFilePath() != first && media->recordThread.gate.runActive(); }, 60000))
      << "no next file";
  EXPECT_TRUE(media->isRecording.load());
  EXPECT_EQ(events.count("recordPictureState"), 0u) << "the icon went idle while recording goes on";
  const uint64_t before = media->counters.recordVideoWritten.load();
  feed.seekVideo(10);  // the next file starts in the middle of a group too
  ts = feed.both(2.0, ts);
  ASSERT_TRUE(recordDrained(before + 35));
  const QString second = media->recordFilePath();
  ASSERT_TRUE(media->record_stop());
  expectPlayableRecording(first.toStdString(), 1.0);
  expectKeyFrameFirst(second.toStdString());
  ASSERT_TRUE(pumpUntil([&] { return events.count("recordPictureState false") == 1; }, 60000));
}

// The camera restarts under a recording play: its link is lost, then its
// new stream starts from time stamp zero with a key frame. The recording
// ends at the loss (one file never holds times going back), and the resumed
// play shows the new stream: its pictures decode and the sound follows
// their time stamps, not the old stream's.
TEST_F(FilesTest, ALinkLostWhileRecordingFinishesTheFileAndTheResumedPlayRecordsIntoANewOne) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  recordOneSecond(feed);
  const std::string path = media->recordFilePath().toStdString();
  drainDisplay();

  EXPECT_TRUE(media->linkLost());
  EXPECT_EQ(events.count("recordLinkLost"), 1u) << "the user is told at once";
  EXPECT_FALSE(media->isRecording.load());
  EXPECT_EQ(media->mp4Writer, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return events.count("recordPictureState false") == 1; }, 60000));
  EXPECT_FALSE(media->linkLost()) << "nothing records any more";

  events.clear();
  ASSERT_TRUE(media->resumePlay());
  EXPECT_EQ(events.all(), (std::vector<std::string>{"request VideoStart", "request AudioStart", "recordResumed"}));
  ASSERT_TRUE(media->isRecording.load()) << "the recording goes on with the play";
  const std::string next = media->recordFilePath().toStdString();
  EXPECT_NE(next, path);
  const uint64_t written = media->counters.recordVideoWritten.load();
  const uint64_t failed = media->counters.videoDecodeFailed.load();
  const int shown = target.presented.load();
  const uint64_t decoded = media->counters.videoDecoded.load();
  feed.seekVideo(0);
  feed.both(1.0, 0);
  ASSERT_TRUE(pumpUntil([&] { return events.count("videoTimerStart") == 1; }, 60000))
      << "the new stream's first frame starts no display";
  ASSERT_TRUE(pumpUntil([&] { return media->counters.videoDecoded.load() - decoded >= 20; }, 60000))
      << "the new stream does not decode";
  // A second of stream came at once: the display shows its newest picture.
  drainDisplay();
  EXPECT_GE(target.presented.load() - shown, 1);
  EXPECT_EQ(media->counters.videoDecodeFailed.load(), failed);
  EXPECT_LT(media->audioPlayThread.videoTimeStamp.load(), 1000u);
  ASSERT_TRUE(pumpUntil([&] { return media->counters.recordVideoWritten.load() - written >= 20; }, 60000))
      << "the new stream is not recorded";
  EXPECT_TRUE(media->record_stop());

  // Both files play; neither goes back in time (the new stream's stamps
  // start from zero again in a file of its own).
  for (const std::string& file : {path, next}) {
    expectPlayableRecording(file, 1.0);
    double last[2] = {-1, -1};
    for (const ProbePacket& p : probePackets(file)) {
      double& l = last[p.type == "audio"];
      EXPECT_GE(p.time, l) << file << ": " << p.type << " time goes back";
      l = p.time;
    }
  }
}

TEST_F(FilesTest, AStopBeforeTheRestartOpensNoNextFile) {
  useTestClock();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  recordOneSecond(feed);
  now += FFmpeg_Avideo_record_thread::kRecordLimitSeconds + 1;
  // The thread ends for the time limit; the user stops before its end is handled.
  ASSERT_TRUE(media->recordThread.join(5000));
  EXPECT_TRUE(media->recordRestart.load());
  ASSERT_TRUE(media->record_stop());
  pumpUntil([] { return false; }, 300);  // the end of the thread is handled
  EXPECT_FALSE(media->isRecording.load());
  EXPECT_EQ(media->mp4Writer, nullptr);
  EXPECT_FALSE(media->recordThread.isRunning());
  EXPECT_EQ(filesUnder(QString::fromStdString(dir), "*.mp4").size(), 1);
}

TEST_F(FilesTest, StopPlayFinishesTheRecording) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  recordOneSecond(feed);
  const std::string path = media->recordFilePath().toStdString();
  media->avideo_stop_play();  // not the record button: the play ends
  EXPECT_FALSE(media->isRecording.load());
  EXPECT_EQ(media->mp4Writer, nullptr);
  expectPlayableRecording(path, 1.0);
}

TEST_F(FilesTest, RecordThatCannotOpenItsFileReportsFailure) {
  SaveFolders f = media->saveFolders();
  f.video = "/proc/no-such-folder";
  media->setSaveFolders(f);
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  media->video_start_play();
  feed.video(1000);
  EXPECT_FALSE(media->record_start());
  EXPECT_FALSE(media->isRecording.load());
  EXPECT_EQ(media->mp4Writer, nullptr);
  EXPECT_FALSE(media->recordThread.isRunning());
  EXPECT_FALSE(media->record_stop()) << "no file was open";
}

TEST_F(FilesTest, SnapshotComesFromTheNextSuccessfulDecodeAtTheStreamSize) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  media->video_start_play();
  media->requestSnapshot();
  // A damaged packet first: nothing decodes from it, so no snapshot either.
  media->avFrame([] {
    static const std::vector<uint8_t> junk(2000, 0x5A);
    AvFrame f;
    f.codec = 2, f.width = 640, f.height = 360, f.timeStamp = 900, f.fps = 25;
    f.payload = junk.data(), f.length = uint32_t(junk.size());
    return f;
  }(), PlayMode::Group);
  ASSERT_TRUE(pumpUntil([&] { return media->videoPacketQueue.empty(); }, 60000));
  pumpUntil([] { return false; }, 100);
  EXPECT_EQ(media->snapshotState(), SnapshotState::Pending);
  EXPECT_EQ(events.count("snapshotSaved"), 0u);
  // The display shows the pictures smaller (they are scaled for it): the
  // snapshot is of the whole picture all the same.
  media->setShownPictureSize(320, 180);
  for (int i = 0; i < 5; ++i) feed.video(1000 + 40 * uint64_t(i));
  ASSERT_TRUE(pumpUntil([&] { return events.count("snapshotSaved") == 1; }, 60000));
  EXPECT_EQ(events.count("snapshotSaved true"), 1u);
  EXPECT_EQ(media->snapshotState(), SnapshotState::Saved);
  const QString path = events.lastPath();
  EXPECT_TRUE(path.contains("/user/snapshot/Door-snapshot/Door-")) << path.toStdString();
  const libjpeg_reference::Decoded d = libjpeg_reference::decode(fileBytes(path));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.width, 640);
  EXPECT_EQ(d.height, 360);
  EXPECT_EQ(d.components, 3);
}

TEST_F(FilesTest, SnapshotThatCannotBeWrittenIsReportedAsFailed) {
  SaveFolders f = media->saveFolders();
  f.picture = "/proc/no-such-folder";
  media->setSaveFolders(f);
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  media->video_start_play();
  media->requestSnapshot();
  for (int i = 0; i < 3; ++i) feed.video(1000 + 40 * uint64_t(i));
  ASSERT_TRUE(pumpUntil([&] { return events.count("snapshotSaved") == 1; }, 60000));
  EXPECT_EQ(events.count("snapshotSaved false"), 1u);
  EXPECT_EQ(media->snapshotState(), SnapshotState::Failed);
}

TEST_F(FilesTest, StopTimeThumbnailIsSavedThenTheStopIsAskedForOnce) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  media->video_start_play();
  feed.video(1000);
  media->requestThumbnailAndStop(1500);
  for (int i = 1; i < 4; ++i) feed.video(1000 + 40 * uint64_t(i));
  // The fallback is a timer of this thread: it cannot fire before the
  // thumbnail, however long the decoding takes, while the loop does not run.
  ASSERT_TRUE(waitWithoutEvents([&] { return events.count("deviceStopPlay") == 1; }, 60000));
  EXPECT_EQ(events.count("thumbnailSaved true"), 1u);
  EXPECT_TRUE(events.lastPath().endsWith("/user/device_picture/Door.jpeg")) << events.lastPath().toStdString();
  const libjpeg_reference::Decoded d = libjpeg_reference::decode(fileBytes(events.lastPath()));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.width, 640);
  pumpUntil([] { return false; }, 1700);  // past the fallback: no second stop
  EXPECT_EQ(events.count("deviceStopPlay"), 1u);
  EXPECT_EQ(events.count("snapshotSaved"), 0u) << "the thumbnail is no snapshot";
}

TEST_F(FilesTest, StopWaitingForAThumbnailEndsWhenNothingDecodes) {
  media->video_start_play();
  media->requestThumbnailAndStop(200);
  ASSERT_TRUE(pumpUntil([&] { return events.count("deviceStopPlay") == 1; }, 60000));
  EXPECT_EQ(events.count("thumbnailSaved"), 0u);
  EXPECT_FALSE(media->snapshotRequest.load());
  EXPECT_FALSE(media->thumbnailRequest[0].load());
}

// ---- a recording process killed outright leaves a playable file ----

constexpr const char* kChildEnv = "CAMVIEWER_PIPELINE_RECORD_CHILD";

// Runs only inside the child started by the test below.
TEST_F(FilesTest, DISABLED_RecordsUntilKilled) {
  if (!getenv(kChildEnv)) GTEST_SKIP();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  ASSERT_NO_FATAL_FAILURE(startSinglePlayWithSound(feed));
  ASSERT_TRUE(media->record_start());
  feed.seekVideo(0);
  bool announced = false;
  feed.realTime(30, [&] {
    QCoreApplication::processEvents();
    if (!announced && media->counters.recordVideoWritten.load() >= 60) {
      std::printf("recording %s\n", media->recordFilePath().toUtf8().constData());
      std::fflush(stdout);
      announced = true;
    }
    return false;
  });
}

TEST_F(FilesTest, ARecorderKilledMidFileLeavesAPlayableFile) {
  setenv(kChildEnv, "1", 1);
  testworld::ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.start(testworld::selfPath(),
                          {"--gtest_also_run_disabled_tests",
                           "--gtest_filter=FilesTest.DISABLED_RecordsUntilKilled"},
                          &error))
      << error;
  unsetenv(kChildEnv);
  std::string line;
  ASSERT_TRUE(child.waitFor("recording ", 60000, &line, true)) << "the child never recorded";
  kill(child.pid(), SIGKILL);
  child.wait(5000);
  const std::string path = line.substr(std::string("recording ").size());
  const int frames = decodedVideoFrames(path);
  EXPECT_GE(frames, 25) << path << " is not playable after the kill";
  expectKeyFrameFirst(path);
}

}  // namespace
}  // namespace pipelinetest
