// What of a camera's stream goes into its record file, decided where the
// packets arrive (the A/V callback), apart from decoding, drawing, the sound
// output and the speaker. Thread-free: the camera calls it under its own
// lock, on the device-link thread for packets and on the GUI thread for the
// start and end of a file.
//
// A file begins at a key frame: after begin() packets are skipped until the
// first key frame; from it on every video and sound packet is taken, in
// arrival order, numbered 0, 1, 2 ... so the record thread writes them in
// that order. What waits for the record thread is bounded (kMaxQueuedBytes,
// kMaxQueuedPackets): a writer that falls that far behind ends the
// recording as a failure, reported once (Overflow), never as silent loss.
#pragma once

#include <cstdint>

class RecordFeed {
 public:
  // About two minutes of a 1080p camera, five minutes of pictures at 25 fps.
  static constexpr uint64_t kMaxQueuedBytes = 64ull << 20;
  static constexpr uint64_t kMaxQueuedPackets = 7500;

  enum class Verdict { Skip, Take, Overflow };
  struct Decision {
    Verdict verdict;
    uint64_t seq;  // the packet's place in the file (Take only)
  };
  // What waits for the record thread now, before this packet.
  struct Backlog {
    uint64_t bytes = 0;
    uint64_t packets = 0;
  };

  // A new file: nothing is taken until a key frame arrives; numbering starts at 0.
  void begin();
  // The file is ending: nothing more is taken.
  void end();
  // Between begin() and end(), and not overflowed.
  bool open() const { return state_ == State::WaitingKey || state_ == State::Feeding; }

  Decision video(bool keyFrame, uint64_t bytes, Backlog backlog);
  Decision audio(uint64_t bytes, Backlog backlog);

 private:
  enum class State { Idle, WaitingKey, Feeding, Overflowed };
  Decision take(uint64_t bytes, Backlog backlog);

  State state_ = State::Idle;
  uint64_t next_ = 0;
};
