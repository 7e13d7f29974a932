// link_crowd_bench: a live camera watched over the device link (libTessan
// over libVornet) while the same process keeps connecting to many cameras
// that never come online, as a client with a long camera list does: every
// offline camera gets APP_setServInfo + APP_connect every 5 s, and each
// connect runs the transport's whole attempt loop against servers that do
// not know the id. The live camera is the simulated camera (1080p25 by
// default) on the LAN path; the offline ids are asked of the simulated
// rendezvous server. In the same run, over windows of the camera's own
// pictures:
//   alone         the video frames the client received against those the
//                 camera sent (its manifest) in the window, and the longest
//                 gap between two received frames;
//   beside crowd  the same with the offline cameras connecting;
// plus the longest and the total time of the offline cameras' APP_connect
// calls on the calling thread, and whether the camera saw its link stall.
// Runs only inside a private network namespace (scripts/netns.sh); the
// camera and the rendezvous program stop by themselves.
//
// Usage: link_crowd_bench [--offline N (150)] [--seconds S (10)] [--fhd WxH (1920x1080)]
// Ends with the line
//   link crowd: N offline, frames X of sent (alone Y), longest gap G ms (alone H ms), camera stalled: no|yes
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Tessan.h"
#include "bench_support.h"
#include "child_process.h"
#include "private_netns.h"

namespace {

struct Options {
  int offline = 150;
  int seconds = 10;
  std::string fhd = "1920x1080";
};

bool parse(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string sw = argv[i];
    const std::string v = argv[i + 1];
    if (sw == "--offline") o->offline = std::atoi(v.c_str());
    else if (sw == "--seconds") o->seconds = std::atoi(v.c_str());
    else if (sw == "--fhd") o->fhd = v;
    else return false;
  }
  return argc % 2 == 1 && o->offline >= 0 && o->offline <= 1000 && o->seconds > 0 && o->seconds <= 300;
}

const char kLiveId[] = "CROWDCAM";
const char kKey[] = "crowd-camera-key";

// What the callbacks saw of the live camera.
struct LiveView {
  std::atomic<int> status{0};
  std::atomic<uint64_t> videoFrames{0};
  std::atomic<int64_t> lastFrameNs{0};
  std::atomic<int64_t> longestGapNs{0};

  void frame() {
    const int64_t now = bench::mono_ns();
    const int64_t last = lastFrameNs.exchange(now);
    if (last != 0 && now - last > longestGapNs.load()) longestGapNs = now - last;
    ++videoFrames;
  }
};

LiveView g_live;

int onMessage(const HCHAR* sn, HUINT32 type, HCHAR* data, HUINT32 len, HCHAR*, HINT32, void*) {
  if (type == E_MSG_CONN_STATUS && len >= 4 && std::strcmp(sn, kLiveId) == 0) {
    int32_t status = 0;
    std::memcpy(&status, data, 4);
    g_live.status = status;
  }
  return 0;
}

int onAv(const HCHAR* sn, HCHAR* frame, HUINT32 len, void*, HUCHAR) {
  if (len < 48 || std::strcmp(sn, kLiveId) != 0) return 0;
  const uint16_t codec = uint16_t(uint8_t(frame[6]) | uint8_t(frame[7]) << 8);
  if (codec != E_CODECID_AUDIO_AAC) g_live.frame();
  return 0;
}

// The token as the client builds it: MD5 of "T:T:key", T twice, the flag.
MSG_AUTH_REQ token() {
  MSG_AUTH_REQ t{};
  const uint32_t now = uint32_t(std::time(nullptr)) & 0x7FFFFFFFu;
  const std::string text = std::to_string(now) + ":" + std::to_string(now) + ":" + kKey;
  UTI_md5(text.data(), int(text.size()), t.digest);
  t.nTime = t.nTime2 = now;
  t.nAuthFlag = 1;
  return t;
}

int connectCamera(const std::string& id, const char* servers) {
  const MSG_AUTH_REQ t = token();
  APP_setServInfo(id.c_str(), servers);
  return APP_connect(id.c_str(), kKey, int(std::strlen(kKey)), &t, 7, "127.0.0.1");
}

size_t manifestVideoFrames(const std::string& path) {
  std::ifstream in(path);
  size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.rfind("video ", 0) == 0;
  return n;
}

// The offline cameras' connect round every 5 s, as the client's retry
// timers make it, on one thread; each call's time on that thread is noted.
class OfflineCameras {
 public:
  explicit OfflineCameras(int count) {
    for (int i = 0; i < count; ++i) ids_.push_back("NOCAM" + std::to_string(i));
    thread_ = std::thread([this] { run(); });
  }
  ~OfflineCameras() { stop(); }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  double longestCallMs() const { return longestNs_ / 1e6; }
  double firstRoundMs() const { return firstRoundNs_ / 1e6; }

 private:
  void run() {
    for (int round = 0; !stop_ && round < 100; ++round) {
      const int64_t roundStart = bench::mono_ns();
      for (const std::string& id : ids_) {
        const int64_t start = bench::mono_ns();
        connectCamera(id, "127.0.0.1");
        longestNs_ = std::max<int64_t>(longestNs_, bench::mono_ns() - start);
      }
      if (round == 0) firstRoundNs_ = bench::mono_ns() - roundStart;
      for (int waited = 0; !stop_ && waited < 5000; waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

  std::vector<std::string> ids_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  int64_t longestNs_ = 0;
  int64_t firstRoundNs_ = 0;
};

struct Window {
  uint64_t received = 0;
  uint64_t sent = 0;
  double longestGapMs = 0;
  double share() const { return sent ? double(received) / double(sent) : 0; }
};

// `seconds` of the camera's pictures, counted on both ends.
Window measure(const std::string& manifest, int seconds) {
  const uint64_t r0 = g_live.videoFrames.load();
  const size_t s0 = manifestVideoFrames(manifest);
  g_live.longestGapNs = 0;
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  Window w;
  w.received = g_live.videoFrames.load() - r0;
  w.sent = manifestVideoFrames(manifest) - s0;
  w.longestGapMs = g_live.longestGapNs.load() / 1e6;
  return w;
}

void print(const char* what, const Window& w, int seconds) {
  std::printf("   %-13s received %6llu of %6llu video frames sent (%.3f), %.1f/s; longest gap %.0f ms\n", what,
              static_cast<unsigned long long>(w.received), static_cast<unsigned long long>(w.sent), w.share(),
              double(w.received) / seconds, w.longestGapMs);
  std::fflush(stdout);
}

bool waitUntil(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 20) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return done();
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Options o;
  if (!parse(argc, argv, &o)) {
    std::fprintf(stderr, "%s: bad switches (they are listed at the top of link_crowd_main.cpp)\n", argv[0]);
    return 2;
  }
  const std::string manifest = "/tmp/link_crowd_bench_" + std::to_string(getpid()) + ".manifest";
  const int lifetime = 4 * o.seconds + 120;
  testworld::ChildProcess servers;
  testworld::ChildProcess camera;
  std::string line;
  if (!servers.start(RENDEZVOUS_PROGRAM, {"--servers", "127.0.0.1", "--lifetime", std::to_string(lifetime)}) ||
      !servers.waitFor("ready", 5000, &line, true)) {
    std::printf("link_crowd_bench: the rendezvous program did not start\n");
    return 1;
  }
  if (!camera.start(SIM_CAMERA_PROGRAM, {"--id", kLiveId, "--key", kKey, "--fhd", o.fhd, "--fps", "25", "--lifetime",
                                         std::to_string(lifetime), "--manifest", manifest, "--work-dir",
                                         CLIP_CACHE_DIR}) ||
      !camera.waitFor("listening 1", 300000, &line, true)) {
    std::printf("link_crowd_bench: the camera did not start\n");
    return 1;
  }
  APP_INIT_PARAM param{};
  param.pfnRecvMsg = onMessage;
  param.pfnRecvAV = onAv;
  APP_init(&param);
  bool ok = false;
  if (connectCamera(kLiveId, "") != 0 || !waitUntil([] { return g_live.status.load() == E_CONN_STATUS_ONLINE; }, 60000)) {
    std::printf("link_crowd_bench: the camera did not come online (status %d)\n", g_live.status.load());
  } else {
    APP_send(kLiveId, nullptr, E_MSG_VIDEO_START_REQ, nullptr, 0, E_FRAME_TYPE_HH);
    waitUntil([] { return g_live.videoFrames.load() >= 25; }, 60000);
    std::printf("== link crowd: a %s camera alone and beside %d offline cameras, %d s each\n", o.fhd.c_str(),
                o.offline, o.seconds);
    const Window alone = measure(manifest, o.seconds);
    print("alone", alone, o.seconds);
    OfflineCameras crowd(o.offline);
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the first round is under way
    const Window crowded = measure(manifest, o.seconds);
    crowd.stop();
    print("beside crowd", crowded, o.seconds);
    const bool stalled = camera.waitFor("stalled", 200, nullptr, true);
    std::printf("   offline APP_connect on the calling thread: first round of %d %.1f ms, longest call %.2f ms\n",
                o.offline, crowd.firstRoundMs(), crowd.longestCallMs());
    std::printf("link crowd: %d offline, frames %.3f of sent (alone %.3f), longest gap %.0f ms (alone %.0f ms), "
                "camera stalled: %s\n",
                o.offline, crowded.share(), alone.share(), crowded.longestGapMs, alone.longestGapMs,
                stalled ? "yes" : "no");
    ok = alone.sent > 0 && crowded.sent > 0;
  }
  APP_uninit();
  camera.stop();
  servers.stop();
  unlink(manifest.c_str());
  return ok ? 0 : 1;
}
