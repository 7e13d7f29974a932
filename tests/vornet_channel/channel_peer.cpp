// channel_peer: the far end of the channel tests, a separate process that
// listens with our own KV_Listen and echoes every byte it reads on each of
// the four channels back on the same channel. It reports on standard
// output, one line each:
//   linked H          KV_Listen gave handle H
//   failed C          KV_Listen failed with C
//   peer-closed C received N
//                     the session ended from the other side (C: the code
//                     seen; N: the bytes read before)
//   closed            it closed the session itself (--close-after)
//   stopping          its lifetime ended
// Runs only inside a private network namespace.
//
// Usage: channel_peer --id ID [--close-after BYTES] [--lifetime S]
//   --close-after BYTES  after echoing that many bytes (and seeing them
//                        acknowledged), KV_Close the session
//   --lifetime S         stop after S seconds (default 30, at most 300)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Vornet.h"
#include "private_netns.h"

namespace {

struct Options {
  std::string id;
  long closeAfter = -1;
  long lifetimeSeconds = 30;
};

bool parse(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string sw = argv[i];
    const char* v = argv[i + 1];
    if (sw == "--id") {
      o->id = v;
    } else if (sw == "--close-after") {
      o->closeAfter = std::strtol(v, nullptr, 10);
    } else if (sw == "--lifetime") {
      o->lifetimeSeconds = std::strtol(v, nullptr, 10);
    } else {
      return false;
    }
  }
  return !o->id.empty() && o->lifetimeSeconds >= 1 && o->lifetimeSeconds <= 300 && argc % 2 == 1;
}

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// What is readable on a channel now, without waiting.
int read_now(int h, int channel, std::vector<char>& buf) {
  int len = static_cast<int>(buf.size());
  const int r = channel == 0 ? KV_Recv2(h, buf.data(), &len, 0)
                             : KV_RecvWithChannel(h, static_cast<uint8_t>(channel), buf.data(), &len, 0, nullptr);
  return r == 0 ? len : r;
}

int write_back(int h, int channel, const char* data, int len) {
  return channel == 0 ? KV_Send(h, data, len, 127) : KV_SendWithChannel(h, static_cast<uint8_t>(channel), data, len);
}

int unacknowledged(int h) {
  int total = 0;
  for (int ch = 0; ch < 4; ++ch) {
    const int n = ch == 0 ? KV_GetP2PBufSizeUsed(h, 0) : KV_GetP2PBufSizeUsedWithChannel(h, static_cast<uint8_t>(ch), 0);
    if (n < 0) return n;
    total += n;
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  Options o;
  if (!parse(argc, argv, &o)) {
    std::fprintf(stderr, "usage: %s --id ID [--close-after BYTES] [--lifetime S]\n", argv[0]);
    return 2;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.lifetimeSeconds);
  KV_Initialize();
  KV_SetServInfo(o.id.c_str(), "");
  const uint32_t wait = static_cast<uint32_t>(o.lifetimeSeconds) | KV_LISTEN_NO_DETECT;
  const int h = KV_Listen(o.id.c_str(), 0, wait);
  if (h < 0) {
    say("failed " + std::to_string(h));
    KV_DeInitialize();
    return 1;
  }
  say("linked " + std::to_string(h));

  std::vector<char> buf(64 * 1024);
  long echoed = 0;
  int status = 0;
  // Written bytes wait in the staging until the next send round: close only
  // a while after the last echo, once nothing is unacknowledged.
  auto lastEcho = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() < deadline) {
    bool idle = true;
    for (int ch = 0; ch < 4; ++ch) {
      const int n = read_now(h, ch, buf);
      if (n == KV_ERR_TIMEOUT) continue;
      if (n < 0) {
        say("peer-closed " + std::to_string(n) + " received " + std::to_string(echoed));
        KV_Close(h);
        KV_DeInitialize();
        return 0;
      }
      if (write_back(h, ch, buf.data(), n) != n) status = 1;
      echoed += n;
      idle = false;
      lastEcho = std::chrono::steady_clock::now();
    }
    const int state = KV_GetP2PBufSizeUsed(h, 1);
    if (state < 0) {
      // What arrived in order before the close is still there to read.
      for (bool more = true; more;) {
        more = false;
        for (int ch = 0; ch < 4; ++ch) {
          const int n = read_now(h, ch, buf);
          if (n > 0) {
            echoed += n;
            more = true;
          }
        }
      }
      say("peer-closed " + std::to_string(state) + " received " + std::to_string(echoed));
      KV_Close(h);
      KV_DeInitialize();
      return status;
    }
    const bool settled = std::chrono::steady_clock::now() - lastEcho > std::chrono::milliseconds(200);
    if (o.closeAfter >= 0 && echoed >= o.closeAfter && settled && unacknowledged(h) == 0) {
      KV_Close(h);
      say("closed");
      KV_DeInitialize();
      return status;
    }
    if (idle) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  say("stopping");
  KV_Close(h);
  KV_DeInitialize();
  return status;
}
