// live_bench: simulated cameras at 1080p25 H.264 (+ AAC) streaming over the
// real transport (Vornet, Tessan) into media sessions and SDL render widgets
// under a private X server, for 1 camera (single view, with sound into a
// null sink, and again with no sound server at all) and 4 cameras (a 2x2
// grid, video only as the group view plays), each for two kinds of camera:
//   project  our own camera's stream (x264's fastest preset, CAVLC; time
//            stamps from the camera's start-up);
//   field    a stream as cameras in the field send it (sim_camera
//            --field-stream: H.264 Main with CABAC at 1.5 Mbit/s, time
//            stamps in ms since the Unix epoch, RC4 on the A/V payload
//            starts, at most 96 packets unacknowledged).
// Prints per camera: received, decoded and presented pictures per second
// (and presented in each of the first three seconds after the first
// picture), decode failures, pictures dropped, the video decode thread's
// CPU, sound frames dropped as out of step with the picture, receive-to-present and camera-time-stamp-to-present delays
// (p50/p99); for the process: CPU cores used from 10 s to the end and RSS at
// 10 s and at the end. Baselines measured in the same run on the same
// streams: `ffmpeg -threads 1 -f null` (CPU, per stream beside the decode
// thread, and for all streams beside the process) and one `ffplay` per
// stream on the same X server (CPU); the ratios follow.
//
// Runs only inside a private network namespace (scripts/netns.sh).
// Usage: live_bench [--seconds S (60)] [--cameras 1,4] [--kinds project,field]
//                   [--sound on,off] [--baseline-seconds S (20)] [--smoke]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QGridLayout>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Tessan.h"
#include "bench_measures.h"
#include "camera_options.h"
#include "child_process.h"
#include "live_glue.h"
#include "media_clips.h"
#include "private_netns.h"
#include "pulse_null_sink.h"
#include "view/VideoPlayView.h"
#include "xvfb_server.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
  int seconds = 60;
  int baselineSeconds = 20;
  std::vector<int> cameras = {1, 4};
  std::vector<std::string> kinds = {"project", "field"};
  std::vector<bool> sound = {true, false};  // single view: with a sound server, without one
};

// A kind of camera: the simulated camera's switches for it.
struct Kind {
  std::string name;
  std::vector<std::string> switches;
  bool epochStamps = false;  // its time stamps: ms since the Unix epoch, else the steady clock's
  bool encipheredAv = false;
};

bool kindFor(const std::string& name, Kind* k) {
  k->name = name;
  if (name == "project") return true;
  if (name != "field") return false;
  k->switches = {"--field-stream"};
  k->epochStamps = k->encipheredAv = true;
  return true;
}

using livebench::childCpu;
using livebench::cpuSeconds;
using livebench::nowMs;
using livebench::percentile;
using livebench::rssMb;
using livebench::wallMs;

std::string longStream(const std::string& file, int seconds) { return livebench::longStream(file, seconds); }

// Runs the event loop for `ms` (blocking in it, as the program does).
void pumpFor(double ms) {
  QEventLoop loop;
  QTimer::singleShot(int(std::max(0.0, ms)), &loop, &QEventLoop::quit);
  loop.exec();
}

// Arrival and present times of one camera's pictures.
struct Timing {
  std::mutex mutex;
  std::map<uint64_t, double> arrivals;  // camera time stamp -> arrival (ms, steady clock)
  std::vector<double> receiveToPresent, stampToPresent;
  bool measuring = false;
  bool epochStamps = false;
  uint64_t received = 0;

  void arrived(uint64_t ts) {
    std::lock_guard<std::mutex> lock(mutex);
    arrivals[ts] = nowMs();
    if (measuring) ++received;
    while (arrivals.size() > 500) arrivals.erase(arrivals.begin());
  }
  void presented(uint64_t ts) {
    const double now = nowMs();
    const double stampClock = epochStamps ? wallMs() : now;  // the clock the camera stamps with
    std::lock_guard<std::mutex> lock(mutex);
    if (!measuring) return;
    auto it = arrivals.find(ts);
    if (it != arrivals.end()) receiveToPresent.push_back(now - it->second);
    stampToPresent.push_back(stampClock - double(ts));
  }
};

// Draws into a render widget and notes when each picture reached the screen.
class TimedTarget : public VideoRenderTarget {
 public:
  TimedTarget(SDLRenderWnd* wnd, Timing* timing) : wnd_(wnd), timing_(timing) {}
  void bind(CameraMedia* media) { media_ = media; }
  void PresentFrame(const unsigned char* yuv, int width, int height) override {
    const uint64_t ts = media_ ? media_->audioPlayThread.videoTimeStamp.load() : 0;
    wnd_->PresentFrame(yuv, width, height);
    timing_->presented(ts);
  }
  void shownPictureSize(int* width, int* height) const override { wnd_->shownPictureSize(width, height); }
  void start_render() override { wnd_->start_render(); }
  void stop_render() override { wnd_->stop_render(); }

 private:
  SDLRenderWnd* wnd_;
  Timing* timing_;
  CameraMedia* media_ = nullptr;
};

// A camera's counters at one moment.
struct Counts {
  uint64_t presented = 0, decoded = 0, failed = 0, dropped = 0, decodeCpuUs = 0, outOfStep = 0;
  explicit Counts(const MediaCounters& c)
      : presented(c.picturesPresented.load()),
        decoded(c.videoDecoded.load()),
        failed(c.videoDecodeFailed.load()),
        dropped(c.picturesDropped.load() + c.videoPacketsDropped.load() + c.picturesStale.load() +
                c.picturesSkipped.load()),
        decodeCpuUs(c.videoDecodeCpuUs.load()),
        outOfStep(c.audioOutOfStep.load()) {}
  Counts() = default;
};

struct Camera {
  std::string id;
  testworld::ChildProcess process;
  Timing timing;
  std::unique_ptr<TimedTarget> target;
  std::unique_ptr<livetest::LiveCamera> live;
  Counts start;
  double firstPictureMs = -1;      // when the first picture was presented
  std::vector<uint64_t> perSecond;  // presented at 1, 2, 3 s after the first picture
};

// Baseline 1: the same streams decoded by the ffmpeg CLI on one thread
// (video and sound, `streams` times).
double ffmpegCores(const camera::MediaClips& clips, size_t streams, int seconds) {
  double cpu = 0;
  for (size_t i = 0; i < streams; ++i) {
    const double t = childCpu({"ffmpeg", "-nostdin", "-v", "error", "-threads", "1", "-i",
                               longStream(clips.fhd.file, seconds), "-i", longStream(clips.audioFile, seconds),
                               "-map", "0:v", "-map", "1:a", "-f", "null", "-"});
    if (t < 0) return -1;
    cpu += t;
  }
  return cpu / seconds;
}

// Baseline 1 for one stream's video alone: what the decode thread is set against.
double ffmpegVideoCores(const camera::MediaClips& clips, int seconds) {
  const double t =
      childCpu({"ffmpeg", "-nostdin", "-v", "error", "-threads", "1", "-i", longStream(clips.fhd.file, seconds), "-f",
                "null", "-"});
  return t < 0 ? -1 : t / seconds;
}

// Baseline 2: one ffplay window per stream under the same X server.
double ffplayCores(const camera::MediaClips& clips, size_t streams, int seconds) {
  const double before = cpuSeconds(RUSAGE_CHILDREN);
  const std::string stream = longStream(clips.fhd.file, seconds + 4);
  std::vector<std::thread> players;
  for (size_t i = 0; i < streams; ++i) {
    players.emplace_back([&stream, seconds] {
      childCpu({"timeout", "-s", "TERM", "-k", "2", std::to_string(seconds), "env", "SDL_AUDIODRIVER=dummy", "ffplay",
                "-v", "error", "-an", "-x", "960", "-y", "540", stream});
    });
  }
  for (std::thread& t : players) t.join();
  return (cpuSeconds(RUSAGE_CHILDREN) - before) / seconds;
}

// The switches every camera of a kind gets (its clips are made from them too).
std::vector<std::string> cameraSwitches(const Kind& kind) {
  std::vector<std::string> a = {"--fhd", "1920x1080", "--fps", "25"};
  a.insert(a.end(), kind.switches.begin(), kind.switches.end());
  return a;
}

// What the cameras of `kind` make of their switches: the bench makes the
// same clips first, so the cameras find them in their work folder and the
// baselines decode exactly what they send.
bool clipRequestFor(const Kind& kind, const std::string& workDir, camera::ClipRequest* r) {
  std::vector<std::string> args = {"sim_camera", "--id", "CAMBENCH"};
  for (const std::string& a : cameraSwitches(kind)) args.push_back(a);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  camera::Options o;
  if (!camera::parseOptions(int(argv.size()), argv.data(), &o).empty()) return false;
  *r = o.clips;
  r->workDir = workDir;
  return true;
}

bool runCameras(int n, bool sound, const Kind& kind, const Options& o, const camera::ClipRequest& clipRequest,
                const camera::MediaClips& clips) {
  std::printf("\n== %s cameras: %d camera%s, 1920x1080 at 25 fps, %d s%s\n", kind.name.c_str(), n, n > 1 ? "s" : "",
              o.seconds,
              n > 1 ? " (2x2 grid, video only)"
                    : sound ? " (single view, sound to a null sink)" : " (single view, no sound server)");
  std::vector<std::unique_ptr<Camera>> cams;
  for (int i = 0; i < n; ++i) {
    auto c = std::make_unique<Camera>();
    c->id = "CAMBENCH" + std::to_string(i + 1);
    c->timing.epochStamps = kind.epochStamps;
    std::vector<std::string> args = {"--id", c->id, "--key", "bench-key", "--lifetime", std::to_string(o.seconds + 90),
                                     "--work-dir", clipRequest.workDir};
    for (const std::string& a : cameraSwitches(kind)) args.push_back(a);
    std::string error;
    if (!c->process.start(LIVE_BENCH_SIM_CAMERA, args, &error)) {
      std::fprintf(stderr, "cannot start the camera: %s\n", error.c_str());
      return false;
    }
    cams.push_back(std::move(c));
  }
  for (auto& c : cams)
    if (!c->process.waitFor("listening 1", 120000, nullptr, true)) {
      std::fprintf(stderr, "%s did not start\n", c->id.c_str());
      return false;
    }

  QWidget window;
  auto* grid = new QGridLayout(&window);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  std::vector<SDLRenderWnd*> cells;
  for (int i = 0; i < n; ++i) {
    auto* cell = new SDLRenderWnd(&window);
    cell->setMinimumSize(960, 540);
    grid->addWidget(cell, i / 2, i % 2);
    cells.push_back(cell);
  }
  window.show();
  pumpFor(300);

  livetest::initDeviceLink(kind.encipheredAv);
  const PlayMode mode = n == 1 ? PlayMode::Single : PlayMode::Group;
  for (int i = 0; i < n; ++i) {
    Camera& c = *cams[size_t(i)];
    c.target = std::make_unique<TimedTarget>(cells[size_t(i)], &c.timing);
    c.live = std::make_unique<livetest::LiveCamera>(c.id, mode, c.target.get());
    c.target->bind(&c.live->media);
    Timing* timing = &c.timing;
    c.live->onFrame = [timing](const AvFrame& f) {
      if (f.codec != E_CODECID_AUDIO_AAC) timing->arrived(f.timeStamp);
    };
    // Several cameras share the namespace's LAN search port: ask by broadcast.
    c.live->connect("bench-key", n == 1 ? "127.0.0.1" : "255.255.255.255");
  }
  // Until every camera presents, noting each one's first picture and what
  // it presented in each of the next three seconds.
  QElapsedTimer wait;
  wait.start();
  auto follow = [&] {
    bool allSettled = true;
    for (auto& c : cams) {
      const uint64_t presented = c->live->media.counters.picturesPresented.load();
      if (c->firstPictureMs < 0 && presented > 0) c->firstPictureMs = nowMs();
      while (c->firstPictureMs >= 0 && c->perSecond.size() < 3 &&
             nowMs() >= c->firstPictureMs + 1000.0 * double(c->perSecond.size() + 1))
        c->perSecond.push_back(presented);
      if (c->perSecond.size() < 3) allSettled = false;
    }
    return allSettled;
  };
  while (!follow() && wait.elapsed() < 60000) pumpFor(10);
  if (!follow()) {
    for (auto& c : cams)
      std::fprintf(stderr, "%s: status %d, presented %llu\n", c->id.c_str(), c->live->status.load(),
                   (unsigned long long)c->live->media.counters.picturesPresented.load());
    return false;
  }

  // Measuring window.
  for (auto& c : cams) {
    std::lock_guard<std::mutex> lock(c->timing.mutex);
    c->timing.measuring = true;
    c->start = Counts(c->live->media.counters);
  }
  const double t0 = nowMs();
  double cpu10 = 0, rss10 = 0, t10 = 0;
  const double warm = std::min(10000.0, o.seconds * 1000.0 / 3);
  pumpFor(warm);
  cpu10 = cpuSeconds(RUSAGE_SELF);
  rss10 = rssMb();
  t10 = nowMs();
  pumpFor(o.seconds * 1000.0 - (t10 - t0));
  const double cpuEnd = cpuSeconds(RUSAGE_SELF);
  const double rssEnd = rssMb();
  const double tEnd = nowMs();
  const double secs = (tEnd - t0) / 1000;
  const double cores = (cpuEnd - cpu10) / ((tEnd - t10) / 1000);

  double decodeCores = 0;
  for (auto& c : cams) {
    std::lock_guard<std::mutex> lock(c->timing.mutex);
    c->timing.measuring = false;
    const Counts end(c->live->media.counters);
    const double threadCores = double(end.decodeCpuUs - c->start.decodeCpuUs) / 1e6 / secs;
    decodeCores += threadCores;
    std::printf("%s: received %.1f fps, decoded %.1f fps, presented %.1f fps (first seconds %llu, %llu, %llu), "
                "decode failures %llu, dropped %llu, decode thread %.3f cores, sound out of step %llu\n",
                c->id.c_str(), double(c->timing.received) / secs, double(end.decoded - c->start.decoded) / secs,
                double(end.presented - c->start.presented) / secs, (unsigned long long)c->perSecond[0],
                (unsigned long long)(c->perSecond[1] - c->perSecond[0]),
                (unsigned long long)(c->perSecond[2] - c->perSecond[1]),
                (unsigned long long)(end.failed - c->start.failed),
                (unsigned long long)(end.dropped - c->start.dropped), threadCores,
                (unsigned long long)(end.outOfStep - c->start.outOfStep));
    std::printf("%s: receive->present p50 %.1f ms p99 %.1f ms, camera stamp->present p50 %.1f ms p99 %.1f ms\n",
                c->id.c_str(), percentile(c->timing.receiveToPresent, 0.5),
                percentile(c->timing.receiveToPresent, 0.99), percentile(c->timing.stampToPresent, 0.5),
                percentile(c->timing.stampToPresent, 0.99));
  }
  std::printf("process: %.3f cores (from %.0f s to %.0f s), RSS %.1f MB at %.0f s, %.1f MB at %.0f s "
              "(%+.2f %%)\n",
              cores, (t10 - t0) / 1000, secs, rss10, (t10 - t0) / 1000, rssEnd, secs,
              rss10 > 0 ? 100 * (rssEnd - rss10) / rss10 : 0.0);

  for (auto& c : cams) c->live.reset();  // stop the plays, end the links
  APP_uninit();
  for (auto& c : cams) c->process.stop();

  const double video = ffmpegVideoCores(clips, std::max(2, o.seconds));
  const double perStream = decodeCores / double(cams.size());
  std::printf("baseline ffmpeg -threads 1 -f null, one stream's video: %.3f cores -> decode thread / ffmpeg %.2f\n",
              video, video > 0 ? perStream / video : 0.0);
  const double ffmpeg = ffmpegCores(clips, cams.size(), std::max(2, o.seconds));
  std::printf("baseline ffmpeg -threads 1 -f null, same streams: %.3f cores -> ours / ffmpeg %.2f\n", ffmpeg,
              ffmpeg > 0 ? cores / ffmpeg : 0.0);
  const double ffplay = ffplayCores(clips, cams.size(), o.baselineSeconds);
  std::printf("baseline ffplay, one 960x540 window per stream: %.3f cores -> ours / ffplay %.2f\n", ffplay,
              ffplay > 0 ? cores / ffplay : 0.0);
  return true;
}

std::vector<std::string> splitList(const char* text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) out.push_back(item);
  return out;
}

// The runs without a sound server go to a copy of this program started
// without one (the sound library keeps the server it found first).
int runWithoutSoundServer(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--sound" || a == "--cameras") && i + 1 < argc) {
      ++i;
      continue;
    }
    args.push_back(a);
  }
  args.insert(args.end(), {"--sound", "off", "--cameras", "1"});
  std::fflush(stdout);
  testworld::ChildProcess copy;
  std::string error;
  if (!copy.start(testworld::selfPath(), args, &error)) {
    std::fprintf(stderr, "cannot start a copy without sound: %s\n", error.c_str());
    return 1;
  }
  for (std::string line; copy.readLine(&line, 1200000);) std::printf("%s\n", line.c_str());
  return copy.wait(60000);
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit("live_bench");
  Options o;
  bool usable = true;
  for (int i = 1; i < argc && usable; ++i) {
    const std::string a = argv[i];
    if (a == "--smoke") {
      // End to end once: the field camera's stream (the harder of the
      // two), one camera, with a sound server.
      o.seconds = 6;
      o.baselineSeconds = 2;
      o.cameras = {1};
      o.kinds = {"field"};
      o.sound = {true};
    } else if (a == "--seconds" && i + 1 < argc) {
      o.seconds = std::clamp(std::atoi(argv[++i]), 3, 600);
    } else if (a == "--baseline-seconds" && i + 1 < argc) {
      o.baselineSeconds = std::clamp(std::atoi(argv[++i]), 1, 600);
    } else if (a == "--cameras" && i + 1 < argc) {
      o.cameras.clear();
      for (const std::string& n : splitList(argv[++i])) o.cameras.push_back(std::clamp(std::atoi(n.c_str()), 1, 4));
    } else if (a == "--kinds" && i + 1 < argc) {
      o.kinds = splitList(argv[++i]);
    } else if (a == "--sound" && i + 1 < argc) {
      o.sound.clear();
      for (const std::string& v : splitList(argv[++i])) {
        usable = usable && (v == "on" || v == "off");
        o.sound.push_back(v == "on");
      }
      usable = usable && !o.sound.empty();
    } else {
      usable = false;
    }
  }
  std::vector<Kind> kinds;
  for (const std::string& name : o.kinds) {
    Kind k;
    if (kindFor(name, &k)) kinds.push_back(k);
  }
  if (!usable || kinds.empty() || kinds.size() != o.kinds.size() || o.cameras.empty()) {
    std::fprintf(stderr,
                 "usage: live_bench [--seconds S] [--cameras 1,4] [--kinds project,field] [--sound on,off] "
                 "[--baseline-seconds S] [--smoke]\n");
    return 2;
  }
  const bool soundOn = std::find(o.sound.begin(), o.sound.end(), true) != o.sound.end();
  const bool soundOff = std::find(o.sound.begin(), o.sound.end(), false) != o.sound.end();
  const bool single = std::find(o.cameras.begin(), o.cameras.end(), 1) != o.cameras.end();
  // This process runs with a sound server unless only runs without one are asked for.
  const bool here = soundOn || !single;
  if (soundOff && single && here) {
    const int rc = runWithoutSoundServer(argc, argv);
    if (rc != 0) return rc;
  }
  if (!here && !soundOff) return 0;
  QTemporaryDir scratch;
  const std::string base = scratch.path().toStdString();
  testsupport::XvfbServer x;
  std::string error;
  if (!x.start(1920, 1080, &error, o.seconds * 6 + 600)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  x.exportDisplay();
  testsupport::PulseNullSink pulse;
  const bool withSound = here && soundOn;
  if (withSound) {
    if (!pulse.start(base + "/pulse", &error, o.seconds * 6 + 600)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    pulse.exportServer();
  } else {
    setenv("PULSE_SERVER", ("unix:" + base + "/no-sound-server").c_str(), 1);  // nothing listens there
  }
  setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
  QApplication app(argc, argv);
  // The program's own log lines are not what is measured.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  for (const Kind& kind : kinds) {
    // The streams every camera of this kind sends and the baselines decode: made once here.
    camera::ClipRequest clipRequest;
    if (!clipRequestFor(kind, base + "/clips-" + kind.name, &clipRequest)) {
      std::fprintf(stderr, "bad camera switches for %s\n", kind.name.c_str());
      return 1;
    }
    std::system(("mkdir -p '" + clipRequest.workDir + "'").c_str());
    const camera::MediaClips clips = camera::makeClips(clipRequest, &error);
    if (!error.empty()) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    for (int n : o.cameras) {
      if (n == 1 && !(here ? withSound : true)) continue;
      if (n > 1 && !here) continue;
      if (!runCameras(n, withSound, kind, o, clipRequest, clips)) return 1;
    }
  }
  return 0;
}
