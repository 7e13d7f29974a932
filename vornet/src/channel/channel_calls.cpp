#include "channel/channel_calls.h"

#include <mutex>

#include "Vornet.h"
#include "channel/channel_reader.h"
#include "channel/drw_engine.h"
#include "channel/drw_session.h"
#include "core/library_state.h"
#include "platform/clock.h"
#include "session/session_info.h"

namespace vornet {
namespace channel {

namespace {

class SystemClock : public ReadClock {
 public:
  uint32_t now() override { return tick_ms(); }
  void sleep(uint32_t ms) override { sleep_ms(ms); }
};

// -1 or -11 when the session cannot be read at all.
int session_unusable(int session) {
  const int r = session_check(session);
  return r == -1 || r == -11 ? r : 0;
}

// What ends a read before it starts: those, and the caller's close or a
// broken session (a time-out or the peer's close still lets in-order data out).
int read_refusal(int session) {
  const int r = session_check(session);
  return r == -13 || r == -12 ? 0 : r;
}

ChannelReader reader_for(int session, SystemClock& clock) {
  return ChannelReader(session_at(session), mainMutex(), clock, [session] { return session_unusable(session); });
}

}  // namespace

int channel_write_message(int session, int channel, const uint8_t* head, int headLen, const void* data, int len) {
  if (!lib().initialized) return -1;
  if (channel < 0 || channel >= kChannelCount || data == nullptr || len <= 0) return -5;
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  const int error = session_check(session);
  if (error != 0) return error;
  DiscardSink none;
  DrwEngine engine(session_at(session), none);
  if (headLen > 0) {
    const int r = engine.write(channel, head, headLen);
    if (r < 0) return r;
  }
  return engine.write(channel, static_cast<const uint8_t*>(data), len);
}

int channel_write_framed(int session, int channel, uint8_t type, const void* data, int len) {
  if (!lib().initialized) return -1;
  if (channel < 0 || channel >= kChannelCount) return -5;
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  const int error = session_check(session);
  if (error != 0) return error;
  if (data == nullptr || len <= 0 || len > KV_FRAME_MAX_PAYLOAD) return -5;
  const uint32_t word = static_cast<uint32_t>(len);
  const uint8_t header[4] = {static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                             static_cast<uint8_t>(word >> 16), type};
  return channel_write_message(session, channel, header, 4, data, len);
}

int channel_write(int session, int channel, const void* data, int len) {
  return channel_write_message(session, channel, nullptr, 0, data, len);
}

int channel_buffer_used(int session, int channel, int* sendSide, int* readSide) {
  if (!lib().initialized) return -1;
  if (channel < 0 || channel >= kChannelCount) return -5;
  std::lock_guard<std::recursive_mutex> lock(mainMutex());
  const int error = session_check(session);
  if (error != 0) return error;
  DiscardSink none;
  DrwEngine engine(session_at(session), none);
  if (sendSide != nullptr) *sendSide = engine.sendSideBytes(channel);
  if (readSide != nullptr) *readSide = engine.heldBytes(channel) + engine.inOrderBytes(channel);
  return 0;
}

int channel_read(int channel, int session, void* buf, int* len, uint32_t timeoutMs) {
  if (!lib().initialized) return -1;
  if (channel < 0 || channel >= kChannelCount || buf == nullptr || len == nullptr || *len <= 0) return -5;
  int error;
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    error = read_refusal(session);
  }
  if (error != 0) {
    *len = 0;
    return error;
  }
  SystemClock clock;
  return reader_for(session, clock).read(channel, static_cast<uint8_t*>(buf), len, timeoutMs);
}

int channel_read_framed(int session, int channel, void* buf, int* len, int64_t timeoutMs, uint8_t* typeOut) {
  if (buf == nullptr || len == nullptr) return -5;
  int error = lib().initialized ? 0 : -1;
  if (error == 0 && (channel < 0 || channel >= kChannelCount)) error = -5;
  if (error == 0) {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    error = session_unusable(session);
  }
  if (error != 0) {
    *len = 0;
    if (typeOut != nullptr) *typeOut = 0;
    return error;
  }
  SystemClock clock;
  return reader_for(session, clock).readFramed(channel, static_cast<uint8_t*>(buf), len, timeoutMs, typeOut);
}

}  // namespace channel
}  // namespace vornet
