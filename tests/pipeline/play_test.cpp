// A camera's media session fed real camera frames, without a window: every
// frame decoded, the display interval from the first video frame, bounded
// queues, no picture of one play shown in the next, and many plays in a row.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <vector>

#include "Tessan.h"
#include "session_fixture.h"

namespace pipelinetest {
namespace {

using camera::VideoCodec;

class DecodeEveryFrame : public SessionTest, public ::testing::WithParamInterface<VideoCodec> {};

TEST_P(DecodeEveryFrame, EachFrameSentBecomesOnePictureAtTheStreamSize) {
  const camera::MediaClips& c = clips(GetParam());
  ASSERT_FALSE(c.fhd.units.empty());
  media->video_start_play();
  Feeder feed(*media, c, PlayMode::Group);
  feed.setStepped(true);  // more than a second at once would be flushed as a backlog
  const size_t n = c.fhd.units.size();
  for (size_t i = 0; i < n; ++i) feed.video(1000 + 40 * i);
  ASSERT_TRUE(pumpUntil([&] { return media->counters.videoDecoded.load() >= n; }, 60000))
      << "decoded " << media->counters.videoDecoded.load() << " of " << n;
  EXPECT_EQ(media->counters.videoDecoded.load(), n);
  EXPECT_EQ(media->counters.videoDecodeFailed.load(), 0u);
  EXPECT_EQ(media->videoCodecType.load(), int(c.fhd.codec));
  tick();
  EXPECT_EQ(target.lastWidth, 640);
  EXPECT_EQ(target.lastHeight, 360);
  EXPECT_EQ(target.presented.load(), 1);
}

INSTANTIATE_TEST_SUITE_P(Codecs, DecodeEveryFrame, ::testing::Values(VideoCodec::H264, VideoCodec::H265),
                         [](const ::testing::TestParamInfo<VideoCodec>& i) {
                           return i.param == VideoCodec::H264 ? "H264" : "H265";
                         });

TEST_F(SessionTest, CodecChangeInAPlayMakesANewDecoder) {
  media->video_start_play();
  Feeder h264(*media, clips(VideoCodec::H264), PlayMode::Group);
  Feeder h265(*media, clips(VideoCodec::H265), PlayMode::Group);
  h264.setStepped(true);  // more than a second at once would be flushed as a backlog
  h265.setStepped(true);
  for (int i = 0; i < 30; ++i) h264.video(1000 + 40 * uint64_t(i));
  for (int i = 0; i < 30; ++i) h265.video(3000 + 40 * uint64_t(i));
  h264.seekVideo(0);  // the camera switches back at a key frame
  for (int i = 0; i < 30; ++i) h264.video(5000 + 40 * uint64_t(i));
  ASSERT_TRUE(pumpUntil([&] { return media->counters.videoDecoded.load() >= 90; }, 60000))
      << "decoded " << media->counters.videoDecoded.load();
  EXPECT_EQ(media->counters.videoDecodeFailed.load(), 0u);
}

TEST_F(SessionTest, DisplayIntervalComesFromTheFirstVideoFrameNotFromAudio) {
  media->avideo_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Single);
  for (int i = 0; i < 3; ++i) feed.audio(1000 + 128 * uint64_t(i), /*fps=*/0);
  EXPECT_EQ(events.count("videoTimerStart"), 0u) << "an audio frame started the display";
  EXPECT_FALSE(media->videoFirstFrame.load());
  EXPECT_FALSE(media->videoDecodeThread.isRunning());

  feed.video(1400, 25);
  EXPECT_EQ(events.count("videoTimerStart"), 1u);
  EXPECT_EQ(events.count("videoTimerStart 35"), 1u);
  EXPECT_EQ(events.count("gifPlayStart"), 1u);
  // A change of rate later in the play is noted, the interval stays.
  feed.video(1440, 15);
  feed.video(1480, 15);
  EXPECT_EQ(events.count("videoTimerStart"), 1u);
  EXPECT_EQ(media->lastVideoFps.load(), 15u);
}

TEST_F(SessionTest, RefreshTimeTable) {
  const int table[][2] = {{25, 35}, {15, 55}, {0, 333}, {255, 3}, {30, 30}};
  for (const auto& row : table) EXPECT_EQ(CameraMedia::get_sdlRefreshTime_formFPS(row[0]), row[1]) << row[0];
}

TEST_F(SessionTest, TimerStartArrivingAfterTheStopStartsNothing) {
  media->avideo_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  feed.video(1000);
  ASSERT_EQ(events.count("videoTimerStart"), 1u);
  media->avideo_stop_play();
  EXPECT_FALSE(media->videoTimer_start_play(35, &target));
  EXPECT_FALSE(media->videoTimer.isActive());
  EXPECT_EQ(target.started.load(), 0);
  // The stop asked the camera for no more video or sound.
  EXPECT_EQ(events.count("request VideoStop"), 1u);
  EXPECT_EQ(events.count("request AudioStop"), 1u);
}

TEST_F(SessionTest, FramesAreDroppedWhileNoPlayIsOpen) {
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  feed.video(1000);
  feed.audio(1000);
  EXPECT_TRUE(media->videoPacketQueue.empty());
  EXPECT_TRUE(media->audioPacketQueue.empty());
  media->video_start_play();
  feed.video(1040);
  media->video_stop_play();
  ASSERT_TRUE(pumpUntil([&] { return !media->videoDecodeThread.isRunning(); }, 60000));
  const uint64_t queued = media->counters.videoPacketsQueued.load();
  feed.video(1080);
  EXPECT_EQ(media->counters.videoPacketsQueued.load(), queued);
  EXPECT_TRUE(media->videoPacketQueue.empty());
  EXPECT_TRUE(media->videoFrameQueue.empty());
}

TEST_F(SessionTest, QueuesStayBoundedOverALongFeed) {
  media->avideo_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  size_t maxPictures = 0, maxPackets = 0, maxAudio = 0;
  uint64_t v = 1000, a = 1000;
  const uint64_t end = 1000 + 60 * 1000;  // a minute of stream, fed without pause
  while (v < end) {
    if (v <= a) {
      feed.video(v);
      v += 40;
    } else {
      feed.audio(a);
      a += 128;
    }
    maxPictures = std::max(maxPictures, media->videoFrameQueue.size());
    maxPackets = std::max(maxPackets, media->videoPacketQueue.size());
    maxAudio = std::max(maxAudio, media->audioPacketQueue.size());
  }
  ASSERT_TRUE(pumpUntil([&] { return media->videoPacketQueue.empty(); }, 60000));
  // About one second of decoded pictures at 25 fps; one second of packets;
  // 64 sound frames (about eight seconds of 8 kHz AAC).
  EXPECT_LE(maxPictures, 25u);
  EXPECT_LE(media->videoFrameQueue.size(), 25u);
  EXPECT_LE(maxPackets, 25u);   // one second at 25 fps
  EXPECT_LE(maxAudio, 64u);
  EXPECT_GT(media->counters.picturesDropped.load(), 0u) << "no display ran: the oldest must go";
  EXPECT_LE(media->picturePool->made(), CameraMedia::kKeptPictureBuffers)
      << "a picture buffer was made again for a later picture";
}

// What a stall (the start of a play, a busy GUI thread) leaves behind is
// never shown late: the decode thread keeps no more than the display would
// show, and the next tick shows the newest picture that is due, skipping
// (and counting) the older ones. Epoch stamps beyond 32 bits, as cameras in
// the field send them.
TEST_F(SessionTest, AfterAStallTheNewestDuePictureIsShownAndTheOthersSkipped) {
  media->video_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  feed.setStepped(true);  // each picture decoded before the next comes
  const uint64_t base = 1796950651343ULL;
  size_t most = 0;
  for (int i = 0; i < 30; ++i) {
    feed.video(base + 40 * uint64_t(i));
    most = std::max(most, media->videoFrameQueue.size());
  }
  EXPECT_LE(most, size_t(kBacklogFrames) + 1) << "the decode thread kept more than the display would show";
  ASSERT_TRUE(media->videoTimer_start_play(35, &target));
  const size_t waiting = media->videoFrameQueue.size();
  ASSERT_GE(waiting, 2u);
  const uint64_t newest = base + 40 * 29;
  tick();  // a second later: all of them are due
  ASSERT_EQ(target.presented.load(), 1);
  EXPECT_EQ(media->audioPlayThread.videoTimeStamp.load(), newest) << "the newest due picture is shown";
  EXPECT_EQ(media->counters.picturesSkipped.load(), waiting - 1);
  EXPECT_TRUE(media->videoFrameQueue.empty());
  EXPECT_EQ(media->videoTimer.interval(), kIdleLookMs) << "nothing to show: the display sleeps";
  EXPECT_EQ(media->counters.picturesPresented.load() + media->counters.picturesDropped.load() +
                media->counters.picturesSkipped.load(),
            30u);
}

// Pictures that come in a burst are shown each in its turn, not skipped: a
// picture is due half a frame interval after the least delayed one would
// be, and while one waits the display ticks when it is due.
TEST_F(SessionTest, APictureThatComesEarlyWaitsForItsTurn) {
  media->video_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  feed.setStepped(true);
  feed.video(1000);
  ASSERT_TRUE(media->videoTimer_start_play(35, &target));
  displayMs += 20;  // half a frame interval after it came
  media->videoTimerHandler();
  ASSERT_EQ(target.presented.load(), 1);
  // The next two come together, the second 40 ms early.
  displayMs += 20;
  feed.video(1040);
  feed.video(1080);
  media->videoTimerHandler();
  EXPECT_EQ(media->audioPlayThread.videoTimeStamp.load(), 1040u);
  EXPECT_EQ(media->videoTimer.interval(), 20) << "the display sleeps until the waiting picture is due";
  displayMs += 20;
  media->videoTimerHandler();
  EXPECT_EQ(media->audioPlayThread.videoTimeStamp.load(), 1080u);
  EXPECT_EQ(target.presented.load(), 3);
  EXPECT_EQ(media->counters.picturesSkipped.load(), 0u);
}

// The display wakes when it has something to do: a waiting picture is due,
// or a picture was just handed over to a display that had none; it never
// polls. Fifty pictures 40 ms apart on the display's clock wake it twice
// each at most (handed over, then due half a frame later), where a display
// that looked every 10 ms would have woken 200 times; every picture is
// shown, and between the pictures it sleeps.
TEST_F(SessionTest, TheDisplaySleepsUntilAPictureIsDueOrHandedOver) {
  constexpr int kPictures = 50;
  media->video_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  // The test is the display's event loop: Qt's own never runs here, so the
  // real timer never fires and only the wake-ups the test delivers count.
  const auto handOver = [&](uint64_t ts) {
    const uint64_t decoded = media->counters.videoDecoded.load();
    feed.video(ts);
    ASSERT_TRUE(waitWithoutEvents([&] { return media->counters.videoDecoded.load() > decoded; }, 60000));
    QCoreApplication::sendPostedEvents();  // a wake-up handed to the GUI thread
  };
  handOver(1000);
  ASSERT_TRUE(media->videoTimer_start_play(35, &target));
  int wakeUps = 0, sent = 1;
  int64_t timerAt = displayMs + media->videoTimer.interval();
  int64_t arriveAt = displayMs + 40;
  for (int step = 0; step < 10 * kPictures && (sent < kPictures || !media->videoFrameQueue.empty()); ++step) {
    if (sent < kPictures && arriveAt <= timerAt) {
      displayMs = arriveAt;
      handOver(1000 + 40 * uint64_t(sent++));
      arriveAt += 40;
      if (media->videoTimer.interval() == 0) timerAt = displayMs;
      continue;
    }
    displayMs = timerAt;
    media->videoTimerHandler();
    ++wakeUps;
    ASSERT_TRUE(media->videoTimer.isActive());
    timerAt = displayMs + media->videoTimer.interval();
  }
  EXPECT_EQ(target.presented.load(), kPictures);
  EXPECT_EQ(media->counters.picturesSkipped.load(), 0u);
  EXPECT_LE(wakeUps, 2 * kPictures + 2);
  EXPECT_EQ(media->videoTimer.interval(), kIdleLookMs) << "nothing left to show: the display sleeps";
}

// A picture's buffer serves the pictures after it: in a play no more are
// made than a play has at once, and a stopped play holds none.
TEST_F(SessionTest, PictureBuffersAreUsedAgainAndGoWithThePlay) {
  media->video_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  feed.setStepped(true);
  for (int i = 0; i < 150; ++i) {
    feed.video(1000 + 40 * uint64_t(i));
    if (i % 3 == 0) tick();  // a display slower than the camera
  }
  EXPECT_EQ(media->counters.videoDecoded.load(), 150u);
  EXPECT_GE(media->picturePool->made(), 1u) << "the pictures did not come from the pool";
  EXPECT_LE(media->picturePool->made(), CameraMedia::kKeptPictureBuffers);
  media->video_stop_play();
  ASSERT_TRUE(pumpUntil([&] { return !media->videoDecodeThread.isRunning(); }, 60000));
  EXPECT_EQ(media->picturePool->kept(), 0u) << "a camera that does not play holds no picture memory";
}

// Shown smaller than it comes, a picture is scaled once, on the decode
// thread, into a picture buffer of the shown size: the display gets the
// small picture, the buffers still serve the whole play, and what the
// picture shows stays (the clip's bars in the same places).
TEST_F(SessionTest, PicturesAreScaledOnceToTheSizeTheyAreShownAt) {
  media->video_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  feed.setStepped(true);
  target.shownWidth = 321;  // rounded down to even
  target.shownHeight = 180;
  feed.video(1000);
  tick();
  ASSERT_EQ(target.lastWidth, 640) << "the first picture comes before the shown size is known";
  const std::vector<uint8_t> full = target.last;
  uint64_t madeAfterFirst = 0;
  for (int i = 1; i < 300; ++i) {
    feed.video(1000 + 40 * uint64_t(i));
    if (i % 2 == 0) tick();
    if (i == 20) madeAfterFirst = media->picturePool->made();
  }
  tick();
  EXPECT_EQ(target.lastWidth, 320);
  EXPECT_EQ(target.lastHeight, 180);
  EXPECT_EQ(media->picturePool->made(), madeAfterFirst) << "a long feed made picture buffers again";
  EXPECT_LE(media->picturePool->made(), 2 * CameraMedia::kKeptPictureBuffers);
  // The scaled luma follows the full picture's (sampled on a coarse grid).
  feed.seekVideo(0);
  feed.video(20000);
  tick();
  ASSERT_EQ(target.lastWidth, 320);
  double difference = 0;
  int samples = 0;
  for (int y = 5; y < 180; y += 10)
    for (int x = 5; x < 320; x += 10, ++samples)
      difference += std::abs(double(full[size_t(2 * y) * 640 + size_t(2 * x)]) -
                             double(target.last[size_t(y) * 320 + size_t(x)]));
  EXPECT_LT(difference / samples, 12) << "the scaled picture does not show what the full one shows";
}

TEST_F(SessionTest, PacketBacklogIsFlushedUpToTheNextKeyFrame) {
  // The gates are open (the sound's as its output's set-up opens it) but no
  // decode thread runs (no play mode): packets pile up.
  media->video_start_play();
  media->audioDecodeThread.gate.open();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::None);
  size_t maxPackets = 0, maxAudio = 0;
  for (int i = 0; i < 400; ++i) {
    feed.video(1000 + 40 * uint64_t(i));
    if (i % 3 == 0) feed.audio(1000 + 40 * uint64_t(i));
    maxPackets = std::max(maxPackets, media->videoPacketQueue.size());
    maxAudio = std::max(maxAudio, media->audioPacketQueue.size());
  }
  EXPECT_LE(maxPackets, 25u);   // one second at 25 fps
  EXPECT_EQ(maxAudio, 64u);     // about eight seconds of sound, then the oldest go
  EXPECT_GT(media->counters.videoPacketsDropped.load(), 0u);
  auto head = media->videoPacketQueue.take();
  ASSERT_TRUE(head);
  EXPECT_EQ(head->nFlag, E_VIDEO_FRAME_FLAG_I) << "decoding must resume at a key frame";
}

// A decoder behind by more than a quarter second when a key frame comes
// starts afresh from that key frame: what waited before it would only be
// shown late. Less behind, nothing is dropped. (The one-second bound of
// the backlog alone would keep every row but the last.)
class FreshStartAtAKeyFrame : public SessionTest, public ::testing::WithParamInterface<int> {};

TEST_P(FreshStartAtAKeyFrame, WhenTheDecoderIsAQuarterSecondBehind) {
  const int waiting = GetParam();  // packets queued before the next key frame, 40 ms apart
  const bool afresh = waiting * 40 > 250;
  media->video_start_play();
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::None);  // nothing decodes
  for (int i = 0; i < waiting; ++i) feed.video(1000 + 40 * uint64_t(i));  // a key frame, then P-frames
  ASSERT_EQ(media->videoPacketQueue.size(), size_t(waiting));
  feed.seekVideo(0);
  feed.video(1000 + 40 * uint64_t(waiting));  // the next key frame
  EXPECT_EQ(media->videoPacketQueue.size(), afresh ? 1u : size_t(waiting) + 1);
  EXPECT_EQ(media->counters.videoPacketsDropped.load(), afresh ? uint64_t(waiting) : 0u);
  auto head = media->videoPacketQueue.take();
  ASSERT_TRUE(head);
  EXPECT_EQ(head->nFlag, E_VIDEO_FRAME_FLAG_I);
  EXPECT_EQ(head->nTimeStamp, afresh ? 1000 + 40 * uint64_t(waiting) : 1000u);
}

INSTANTIATE_TEST_SUITE_P(Behind, FreshStartAtAKeyFrame, ::testing::Values(3, 6, 7, 10, 24),
                         [](const ::testing::TestParamInfo<int>& p) {
                           return std::to_string(p.param) + "_waiting";
                         });

TEST_F(SessionTest, APictureOfTheLastPlayIsNeverShownInTheNext) {
  media->video_start_play();
  const uint32_t firstPlay = media->playSerial();
  media->video_stop_play();
  media->video_start_play();
  // A decode thread of the first play that pushes its last picture late.
  std::vector<uint8_t> grey(640 * 360 * 3 / 2, 128);
  auto late = std::make_unique<P2P_VideoNode_Decode>(1000, 640, 360, 25, grey.data(), uint32_t(grey.size()));
  late->serial = firstPlay;
  media->videoFrameQueue.push(std::move(late));
  tick();
  EXPECT_EQ(target.presented.load(), 0);
  EXPECT_EQ(media->counters.picturesStale.load(), 1u);
  // A picture of this play is shown.
  Feeder feed(*media, clips(VideoCodec::H264), PlayMode::Group);
  feed.video(5000);
  ASSERT_TRUE(pumpUntil([&] { return !media->videoFrameQueue.empty(); }, 60000));
  tick();
  EXPECT_EQ(target.presented.load(), 1);
  EXPECT_EQ(media->audioPlayThread.videoTimeStamp.load(), 5000u);
}

TEST_F(SessionTest, TwoHundredPlaysAndStopsLeaveNothingRunning) {
  Feeder single(*media, clips(VideoCodec::H264), PlayMode::Single);
  for (int cycle = 0; cycle < 200; ++cycle) {
    const uint64_t base = 100000 * uint64_t(cycle + 1);
    media->avideo_start_play();
    single.seekVideo(0);
    for (int i = 0; i < 4; ++i) {
      single.video(base + 40 * uint64_t(i));
      single.audio(base + 40 * uint64_t(i));
    }
    QCoreApplication::processEvents();  // the queued sound set-up
    pumpUntil([&] { return !media->videoFrameQueue.empty(); }, 60000);
    const int presentedBefore = target.presented.load();
    tick();
    const uint64_t shown = media->audioPlayThread.videoTimeStamp.load();
    if (target.presented.load() > presentedBefore) {
      ASSERT_GE(shown, base) << "cycle " << cycle << " showed a picture of an earlier play";
    }
    if (cycle % 2) media->avideo_stop_play();
    else media->video_stop_play();
  }
  media->avideo_stop_play();
  ASSERT_TRUE(pumpUntil([&] {
    return !media->videoDecodeThread.isRunning() && !media->audioDecodeThread.isRunning() &&
           !media->audioPlayThread.isRunning() && !media->recordThread.isRunning();
  }, 10000));
  EXPECT_TRUE(media->videoPacketQueue.empty());
  EXPECT_EQ(media->audioOutput, nullptr);
  EXPECT_GT(target.presented.load(), 100);
}

}  // namespace
}  // namespace pipelinetest
