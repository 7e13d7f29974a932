// The two data threads of a linked session and the close path. The threads
// only drive the engine: they take the main mutex for each step and never
// sleep or wait on the socket while holding it.
#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>

#include "channel/drw_engine.h"
#include "channel/drw_session.h"
#include "core/library_state.h"
#include "net/zorp_socket.h"
#include "platform/clock.h"
#include "wire/zorp_send.h"

namespace vornet {
namespace channel {

namespace {

class SocketSink : public DatagramSink {
 public:
  explicit SocketSink(int sock) : sock_(sock) {}
  void send(const uint8_t* datagram, size_t length, const sockaddr_in& to) override {
    wire::send_datagram(sock_, datagram, length, to);
  }

 private:
  int sock_;
};

// Sleeps until the monotonic millisecond tick `ticks` ticks after the
// current one begins: a round that is due at a tick starts right at it,
// not a whole millisecond after the previous round has finished.
void sleep_ticks(uint32_t ticks) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const int64_t ms = static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000 + ticks;
  timespec until{};
  until.tv_sec = static_cast<time_t>(ms / 1000);
  until.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

constexpr size_t kReceiveCapacity = 1600;
constexpr uint32_t kDrainStepMs = 10;
// Close waits for queued data no longer than this: a peer that stops taking
// data, or answers keep-alives without ever acknowledging, would hold it
// forever.
constexpr uint32_t kDrainCapMs = 3000;

void join(std::thread& t) {
  if (t.joinable() && t.get_id() != std::this_thread::get_id()) t.join();
}

}  // namespace

int ZORP_thread_recv_DRW(int session) {
  pthread_setname_np(pthread_self(), "vornet drw rx");
  ZORP_Session& s = session_at(session);
  SocketSink sink(s.socket.load());
  uint8_t body[kReceiveCapacity];
  const int wait = s.drw.algorithm == 1 ? kReceiveWaitAlgorithm1 : kReceiveWaitAlgorithm0;
  while (!s.drwStop) {
    net::Received got;
    const int r = net::recv_one(s.socket.load(), wait, body, sizeof body, &got);
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    DrwEngine engine(s, sink);
    if (r == net::kRecvOk) engine.onDatagram(got.type, body, got.copied, got.from, tick_ms());
    engine.endPass(r == net::kRecvOk, r == net::kRecvSocketError, tick_ms());
  }
  return 0;
}

int ZORP_thread_send_DRW(int session) {
  pthread_setname_np(pthread_self(), "vornet drw tx");
  ZORP_Session& s = session_at(session);
  SocketSink sink(s.socket.load());
  while (!s.drwStop) {
    uint32_t wait = kRoundPeriodAlgorithm0;
    bool adaptive = false;
    {
      std::lock_guard<std::recursive_mutex> lock(mainMutex());
      DrwEngine engine(s, sink);
      const uint32_t now = tick_ms();
      adaptive = s.drw.algorithm == 1;
      if (!adaptive) {
        engine.sendRound(now);
      } else {
        if (engine.roundDue(now)) engine.sendRound(now);
        const uint32_t since = now - s.drw.lastRound;
        wait = since < s.drw.roundPeriod ? s.drw.roundPeriod - since : 1;
      }
    }
    if (adaptive) {
      sleep_ticks(wait);
    } else {
      sleep_ms(wait);
    }
  }
  return 0;
}

int drw_start_threads(int session) {
  ZORP_Session& s = session_at(session);
  try {
    s.drw.recvThread = std::thread(ZORP_thread_recv_DRW, session);
    s.drw.sendThread = std::thread(ZORP_thread_send_DRW, session);
  } catch (const std::system_error&) {
    {
      std::lock_guard<std::recursive_mutex> lock(mainMutex());
      s.broken = 1;
      s.drwStop = 1;
    }
    join(s.drw.recvThread);
    return -1;
  }
  return 0;
}

void drw_drain(int session) {
  ZORP_Session& s = session_at(session);
  DiscardSink none;
  const uint32_t start = tick_ms();
  for (int ch = 0; ch < kChannelCount; ++ch) {
    while (!s.drwStop) {
      int pending = 0;
      {
        std::lock_guard<std::recursive_mutex> lock(mainMutex());
        DrwEngine engine(s, none);
        pending = s.drw.channels[ch].writeFill + engine.sendSideBytes(ch);
      }
      if (pending == 0) break;
      if (tick_ms() - start >= kDrainCapMs) {
        // At the cap drwStop is set, which ends the data threads as well.
        std::lock_guard<std::recursive_mutex> lock(mainMutex());
        s.drwStop = 1;
        return;
      }
      sleep_ms(kDrainStepMs);
    }
  }
}

void drw_stop_threads(int session) {
  ZORP_Session& s = session_at(session);
  {
    std::lock_guard<std::recursive_mutex> lock(mainMutex());
    s.drwStop = 1;
  }
  join(s.drw.recvThread);
  join(s.drw.sendThread);
}

}  // namespace channel
}  // namespace vornet
