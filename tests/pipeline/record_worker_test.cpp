// The record thread alone against a stand-in host: how each end of its run
// reaches the camera. A stop writes everything queued before it, then the
// record icon goes idle; a file that ran for its time limit asks for the
// next file and leaves the icon as it is (recording goes on); a writer that
// fell behind, or a write that fails, is reported once and before the icon
// goes idle. Whatever the end, the run leaves the record queues and their
// byte count empty, so the next file starts from nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KV_MP4.h"
#include "Tessan.h"
#include "fake_media_host.h"
#include "ffmpeg/FFmpeg_Avideo_record_thread.h"
#include "ffmpeg/adts_header.h"
#include "media_feed.h"
#include "small_disk.h"

namespace pipelinetest {
namespace {

using camera::VideoCodec;

struct RunEnd {
  const char* name;
  bool fullDisk;        // the file is on a disk with room for its first bytes only
  bool timeUp;          // the file has run for its time limit
  bool overflowed;      // the record queues outgrew their bound
  std::vector<std::string> reports;  // what the host hears, in order
  bool allWritten;      // every queued packet went into the file
};

void PrintTo(const RunEnd& e, std::ostream* os) { *os << e.name; }

const RunEnd kEnds[] = {
    {"stop", false, false, false, {"idle"}, true},
    {"timeLimit", false, true, false, {"restart"}, false},
    {"writerBehind", false, false, true,
     {"failed the writer fell behind the camera by more than 64 MiB", "idle"}, false},
    {"fullDisk", true, false, false, {"failed No space left on device", "idle"}, false},
};

// Room left on the full disk: the file's head fits, its first fragment not.
constexpr size_t kRoomLeft = 16u << 10;

class RecordWorker : public ::testing::TestWithParam<RunEnd> {
 protected:
  // The clip's two seconds as the intake queues them: pictures every 40 ms
  // from a key frame on, ADTS sound every 128 ms, numbered in arrival order.
  void queueClip(const camera::MediaClips& c) {
    const camera::VideoClip& clip = c.fhd;
    uint64_t seq = 0;
    size_t a = 0;
    for (size_t v = 0; v < clip.units.size(); ++v) {
      const uint64_t ts = 1000 + 40 * v;
      const camera::VideoUnit& u = clip.units[v];
      auto picture = std::make_unique<P2P_VideoNode_noDecode>(
          u.key ? E_VIDEO_FRAME_FLAG_I : E_VIDEO_FRAME_FLAG_P, clip.width, clip.height, 25, ts,
          uint32_t(u.data.size()), u.data.data());
      picture->codec = clip.codec;
      picture->recordSeq = seq++;
      worker.queuedBytes += picture->size;
      world.queues.recordVideoQueue.push(std::move(picture));
      ++videoQueued;
      for (; a < c.audio.size() && 1000 + 128 * a <= ts; ++a) {
        const std::vector<uint8_t>& raw = c.audio[a];
        std::vector<uint8_t> adts(raw.size() + kAdtsHeaderBytes);
        ASSERT_TRUE(write_adts_header(int(raw.size()), adts.data()));
        std::copy(raw.begin(), raw.end(), adts.begin() + kAdtsHeaderBytes);
        auto sound = std::make_unique<P2P_AudioNode_noDecode>(0, 1000 + 128 * a, adts.data(),
                                                              uint32_t(adts.size()));
        sound->recordSeq = seq++;
        worker.queuedBytes += sound->size;
        world.queues.recordAudioQueue.push(std::move(sound));
        ++audioQueued;
      }
    }
  }

  WorkerWorld world;
  FFmpeg_Avideo_record_thread worker{world.queues, world.counters, world.deviceId, world.host};
  uint64_t videoQueued = 0, audioQueued = 0;
};

TEST_P(RecordWorker, TellsTheCameraHowItsRunEnded) {
  const RunEnd& c = GetParam();
  const camera::MediaClips& media = clips(VideoCodec::H264);
  ASSERT_FALSE(media.fhd.units.empty());
  ASSERT_TRUE(media.fhd.units[0].key);
  FakeMediaHost& host = world.host;
  host.stream = StreamParams{media.fhd.width, media.fhd.height, 8000, 16, 1};
  std::string folder = scratchDir(std::string("record_worker_") + c.name);
  if (c.fullDisk) {
    // A disk of the test's own (a private mount namespace of this thread,
    // seen by the record thread started from it).
    folder += "/disk";
    ASSERT_EQ(testsupport::mountSmallDisk(folder, 1u << 20), "");
    ASSERT_EQ(testsupport::fillDisk(folder, "filler", kRoomLeft), "");
  }
  const std::string path = folder + "/r.mp4";
  ASSERT_EQ(KVMP4_Create(&host.writer), 0);
  ASSERT_GE(KVMP4_Open(host.writer, path.c_str(), media.fhd.width, media.fhd.height, media.fhd.codec,
                       8000, 1, E_CODECID_AUDIO_AAC, 0), 0) << path;
  ASSERT_NO_FATAL_FAILURE(queueClip(media));
  ASSERT_GT(worker.queuedBytes.load(), 4 * kRoomLeft) << "the clip would fit the full disk";
  if (c.timeUp) host.fileSeconds = FFmpeg_Avideo_record_thread::kRecordLimitSeconds + 1;
  host.overflowed = c.overflowed;

  worker.gate.open();
  ASSERT_TRUE(worker.launch());
  // A run that does not end by itself is stopped: it writes what is queued first.
  if (!c.timeUp && !c.overflowed) worker.gate.requestStop();
  ASSERT_TRUE(worker.join(60000)) << "the run did not end";

  EXPECT_EQ(host.reports(), c.reports);
  EXPECT_EQ(worker.gate.state(), WorkerGate::Ended);
  EXPECT_TRUE(world.queues.recordVideoQueue.empty());
  EXPECT_TRUE(world.queues.recordAudioQueue.empty());
  EXPECT_EQ(worker.queuedBytes.load(), 0u) << "the next file would start with a backlog";
  if (c.allWritten) {
    EXPECT_EQ(world.counters.recordVideoWritten.load(), videoQueued);
    EXPECT_EQ(world.counters.recordAudioWritten.load(), audioQueued);
    EXPECT_EQ(host.filePictures.load(), videoQueued);
  } else {
    EXPECT_LT(world.counters.recordVideoWritten.load(), videoQueued);
  }
  std::lock_guard<std::mutex> lock(host.writerMutex);
  const int closed = KVMP4_Close(host.writer);
  KVMP4_Destroy(&host.writer);
  if (c.allWritten) {
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(decodedVideoFrames(path), int(videoQueued)) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(Ends, RecordWorker, ::testing::ValuesIn(kEnds),
                         [](const ::testing::TestParamInfo<RunEnd>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace pipelinetest
