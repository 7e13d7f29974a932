// A camera's record thread: writes what the A/V callback queued for the
// record file (recordVideoQueue, recordAudioQueue) into the open MP4 writer
// (every call under the writer's lock, see record_writer_access.h), in the
// order the packets arrived. One run per file. A stop lets the run write
// what is queued first; a write that fails ends the recording at once (the
// host finishes the file and tells the user). When the file has run for
// the time limit the run ends saying so (recordRestartDue), and the camera
// opens the next file.
#pragma once

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

#include "ffmpeg/media_worker_thread.h"
#include "p2p/frame_nodes.h"

class FFmpeg_Avideo_record_thread : public MediaWorkerThread {
 public:
  using MediaWorkerThread::MediaWorkerThread;

  // Seconds one file may run (500 hours), on the record clock.
  static constexpr qint64 kRecordLimitSeconds = 1800000;

  // What the record queues hold, in bytes: the intake (device-link thread)
  // adds what it queues, the start of a file sets 0, this thread takes off
  // what it takes out and sets 0 when its run ends.
  std::atomic<uint64_t> queuedBytes{0};

 protected:
  void run() override;

 private:
  enum class Step { Written, NothingDue, Failed };
  // Writes the packet that comes next in arrival order, when it is queued.
  Step writeNext();
  Step write_videoFrame(std::unique_ptr<P2P_VideoNode_noDecode> node);
  Step write_audioFrame(std::unique_ptr<P2P_AudioNode_noDecode> node);
  // A writer result: a refusal of one packet goes on, a file that cannot
  // be written is a failure (`failure_` says why).
  Step judge(int result, const char* what);
  bool nothingToTake();

  uint64_t expected_ = 0;  // the next packet's place in the file
  std::unique_ptr<P2P_VideoNode_noDecode> heldVideo_;
  std::unique_ptr<P2P_AudioNode_noDecode> heldAudio_;
  QString failure_;
  int refusedLogged_ = 0;
};
