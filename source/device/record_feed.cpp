#include "device/record_feed.h"

void RecordFeed::begin() {
  state_ = State::WaitingKey;
  next_ = 0;
}

void RecordFeed::end() { state_ = State::Idle; }

RecordFeed::Decision RecordFeed::video(bool keyFrame, uint64_t bytes, Backlog backlog) {
  if (state_ == State::WaitingKey && keyFrame) state_ = State::Feeding;
  return take(bytes, backlog);
}

RecordFeed::Decision RecordFeed::audio(uint64_t bytes, Backlog backlog) { return take(bytes, backlog); }

RecordFeed::Decision RecordFeed::take(uint64_t bytes, Backlog backlog) {
  if (state_ != State::Feeding) return {Verdict::Skip, 0};
  if (backlog.packets + 1 > kMaxQueuedPackets || backlog.bytes + bytes > kMaxQueuedBytes) {
    state_ = State::Overflowed;
    return {Verdict::Overflow, 0};
  }
  return {Verdict::Take, next_++};
}
