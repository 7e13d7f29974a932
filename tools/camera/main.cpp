// sim_camera: the simulated camera of the test world. It listens for its
// device id with our own KV_Listen (the real transport), plays the device
// side of the device link (token check, answers, HH02 video and audio in
// real time) and reports on standard output, one line each:
//   ready <codec> <fhd WxH> <hd WxH> text on|off clips encoded|cached <ms>
//                                        clips made, before the first listen
//   listening <n>                        waiting for link n
//   idle                                 a wait ended without a link (--sessions 0)
//   linked <handle>
//   event <text>                         what the protocol did ("ptz 3 1", ...)
//   closed <code>                        the link ended (transport code)
//   dropped                              the link was dropped on purpose
//   stalled                              the client took nothing for 5 s: link dropped
//   stopping <why>                       lifetime | signal | done | failed
// Runs only inside a private network namespace; stops by itself after its
// lifetime. Switches: see kUsage in camera_options.cpp (--help).
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Vornet.h"
#include "camera_options.h"
#include "camera_protocol.h"
#include "link_stall.h"
#include "media_clips.h"
#include "private_netns.h"
#include "send_window.h"
#include "stop_watchdog.h"

namespace {

std::atomic<bool> stopping{false};
std::mutex outMutex;

void say(const std::string& line) {
  std::lock_guard<std::mutex> l(outMutex);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

uint64_t nowMs() {
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now().time_since_epoch())
                      .count());
}

class Manifest {
 public:
  explicit Manifest(const std::string& path) {
    if (!path.empty()) out_.open(path, std::ios::app);
  }
  void write(const std::vector<camera::SentFrame>& frames) {
    if (!out_.is_open()) return;
    for (; written_ < frames.size(); ++written_) {
      const camera::SentFrame& f = frames[written_];
      out_ << (f.video ? "video " : "audio ") << f.length << ' ' << f.md5 << '\n';
    }
    out_.flush();
  }

 private:
  std::ofstream out_;
  size_t written_ = 0;
};

// Serves one link until it ends, is dropped on purpose or the camera stops.
void serve(int handle, const camera::Options& o, const camera::MediaClips& clips) {
  camera::CameraProtocol proto(o.protocol, clips);
  Manifest manifest(o.manifest);
  camera::LinkStall stall;
  camera::SendWindow window(o.inFlightPackets);
  uint64_t sent = 0;
  std::vector<uint8_t> buf(64 * 1024);
  while (!stopping) {
    const int waiting = KV_GetP2PBufSizeUsed(handle, 1);
    if (waiting < 0) {
      say("closed " + std::to_string(waiting));
      KV_Close(handle);
      return;
    }
    if (waiting > 0) {
      int len = std::min(waiting, int(buf.size()));
      if (KV_Recv2(handle, buf.data(), &len, 0) == 0 && len > 0) proto.receive(buf.data(), size_t(len));
    }
    proto.tick(nowMs());
    window.add(proto.takeOutput());
    manifest.write(proto.sentFrames());
    for (const std::string& e : proto.takeEvents()) say("event " + e);
    const int held = KV_GetP2PBufSizeUsed(handle, 0);
    const std::vector<uint8_t> out = window.take(held > 0 ? uint64_t(held) : 0);
    if (!out.empty()) {
      const int r = KV_Send(handle, out.data(), int(out.size()), 127);
      if (r < 0) {
        say("closed " + std::to_string(r));
        KV_Close(handle);
        return;
      }
      sent += out.size();
    }
    // Bytes the window holds back wait for the client as much as those the
    // transport holds.
    const int unacknowledged = KV_GetP2PBufSizeUsed(handle, 0);
    if (unacknowledged >= 0 &&
        stall.stalled(nowMs(), sent + window.waiting(), uint64_t(unacknowledged) + window.waiting())) {
      KV_Close(handle);
      say("stalled");
      return;
    }
    if (proto.dropRequested()) {
      KV_Close(handle);
      say("dropped");
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(waiting > 0 || window.waiting() ? 1 : 5));
  }
  KV_Close(handle);
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  camera::Options o;
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::printf("%s", camera::kUsage);
    return 0;
  }
  const std::string problem = camera::parseOptions(argc, argv, &o);
  if (!problem.empty()) {
    std::fprintf(stderr, "%s: %s\n%s", argv[0], problem.c_str(), camera::kUsage);
    return 2;
  }
  // Ends the process when its lifetime is over or a signal comes, even if a
  // transport call hangs.
  testworld::startStopWatchdog(o.lifetimeSeconds, [](bool bySignal) {
    if (!stopping.exchange(true)) say(std::string("stopping ") + (bySignal ? "signal" : "lifetime"));
    KV_ListenBreak();
    return true;
  });

  if (o.epochStamps) {  // the stream clock shifted to the wall clock's milliseconds
    const uint64_t wall = uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::system_clock::now().time_since_epoch())
                                       .count());
    o.protocol.stampOffsetMs = wall - nowMs();
  }
  std::string madeDir;
  if (o.clips.workDir.empty()) {
    char tmpl[] = "/tmp/sim_camera.XXXXXX";
    if (!mkdtemp(tmpl)) {
      say("stopping failed");
      return 1;
    }
    madeDir = o.clips.workDir = tmpl;
  }
  std::string error;
  const uint64_t clipsBegan = nowMs();
  const camera::MediaClips clips = camera::makeClips(o.clips, &error);
  const uint64_t clipsMs = nowMs() - clipsBegan;
  if (error.empty() && !o.snapshot.empty()) camera::writeSnapshot(clips.fhd, o.snapshot, 640, &error);
  if (!madeDir.empty()) std::system(("rm -rf '" + madeDir + "'").c_str());
  if (!error.empty()) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    say("stopping failed");
    return 1;
  }
  say(std::string("ready ") + (clips.fhd.codec == 2 ? "h264 " : "h265 ") + std::to_string(clips.fhd.width) + "x" +
      std::to_string(clips.fhd.height) + " " + std::to_string(clips.hd.width) + "x" + std::to_string(clips.hd.height) +
      " text " + (clips.labelDrawn ? "on" : "off") + " clips " + (clips.encoded ? "encoded " : "cached ") +
      std::to_string(clipsMs));

  KV_Initialize();
  int status = 0;
  if (KV_SetServInfo(o.id.c_str(), o.servers.c_str()) != 0) status = 1;
  const uint32_t flags = uint32_t(o.waitSeconds) | KV_LISTEN_NO_DETECT;
  // Bounded by the number of links, or with --sessions 0 by the lifetime.
  const bool anyNumber = o.sessions == 0;
  int served = 0;
  while (status == 0 && !stopping && (anyNumber || served < o.sessions)) {
    say("listening " + std::to_string(served + 1));
    const uint64_t began = nowMs();
    const int h = KV_Listen(o.id.c_str(), 0, flags);
    if (h < 0) {
      if (anyNumber && h == KV_ERR_TIMEOUT && !stopping) {
        say("idle");
        if (nowMs() - began < 100) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        continue;
      }
      say("closed " + std::to_string(h));
      status = stopping ? 0 : 1;
      break;
    }
    ++served;
    say("linked " + std::to_string(h));
    serve(h, o, clips);
  }
  if (!stopping.exchange(true)) say(status ? "stopping failed" : "stopping done");
  KV_DeInitialize();
  return status;
}
