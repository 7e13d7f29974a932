// live_bench: simulated cameras at 1080p25 H.264 (+ AAC) streaming over the
// real transport (Vornet, Tessan) into media sessions and SDL render widgets
// under a private X server, for 1 camera (single view, with sound into a
// null sink) and 4 cameras (a 2x2 grid, video only as the group view plays).
// Prints per camera: received and presented pictures per second, pictures
// dropped, receive-to-present and camera-time-stamp-to-present delays
// (p50/p99); for the process: CPU cores used from 10 s to the end and RSS at
// 10 s and at the end. Baselines measured in the same run on the same
// streams: `ffmpeg -threads 1 -f null` (CPU) and one `ffplay` per stream on
// the same X server (CPU); the ratios follow.
//
// Runs only inside a private network namespace (scripts/netns.sh).
// Usage: live_bench [--seconds S (60)] [--cameras 1,4] [--baseline-seconds S (20)] [--smoke]
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
};

double nowMs() {
  return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

double cpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double rssMb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
}

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
  uint64_t received = 0;

  void arrived(uint64_t ts) {
    std::lock_guard<std::mutex> lock(mutex);
    arrivals[ts] = nowMs();
    if (measuring) ++received;
    while (arrivals.size() > 500) arrivals.erase(arrivals.begin());
  }
  void presented(uint64_t ts) {
    const double now = nowMs();
    std::lock_guard<std::mutex> lock(mutex);
    if (!measuring) return;
    auto it = arrivals.find(ts);
    if (it != arrivals.end()) receiveToPresent.push_back(now - it->second);
    // The simulated camera stamps with the same monotonic clock.
    stampToPresent.push_back(now - double(ts));
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
  void start_render() override { wnd_->start_render(); }
  void stop_render() override { wnd_->stop_render(); }

 private:
  SDLRenderWnd* wnd_;
  Timing* timing_;
  CameraMedia* media_ = nullptr;
};

struct Camera {
  std::string id;
  testworld::ChildProcess process;
  Timing timing;
  std::unique_ptr<TimedTarget> target;
  std::unique_ptr<livetest::LiveCamera> live;
  uint64_t presented0 = 0, dropped0 = 0;
};

uint64_t dropped(const MediaCounters& c) {
  return c.picturesDropped.load() + c.videoPacketsDropped.load() + c.picturesStale.load();
}

// CPU seconds of a command run to its end (its waited-for children included).
double childCpu(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 1);
    dup2(devnull, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage u{};
  if (pid < 0 || wait4(pid, &status, 0, &u) < 0) return -1;
  // timeout ends a player with 124: that is the normal end here.
  if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 124)) return -1;
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The camera's 2-second clip repeated to `seconds` (raw streams cannot be
// looped by seeking; elementary streams simply concatenate).
std::string longStream(const std::string& file, int seconds) {
  const std::string out = file + ".long-" + std::to_string(seconds);
  std::ifstream in(file, std::ios::binary);
  const std::string clip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream o(out, std::ios::binary | std::ios::trunc);
  for (int i = 0; i < std::max(1, seconds / 2); ++i) o << clip;
  return out;
}

// Baseline 1: the same streams decoded by the ffmpeg CLI on one thread.
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

// Baseline 2: one ffplay window per stream under the same X server.
double ffplayCores(const camera::MediaClips& clips, size_t streams, int seconds) {
  const double before = cpuSeconds(RUSAGE_CHILDREN);
  const std::string stream = longStream(clips.fhd.file, seconds + 4);
  std::vector<std::thread> players;
  for (size_t i = 0; i < streams; ++i) {
    players.emplace_back([&stream, seconds] {
      childCpu({"timeout", "-s", "TERM", std::to_string(seconds), "env", "SDL_AUDIODRIVER=dummy", "ffplay",
                "-v", "error", "-an", "-x", "960", "-y", "540", stream});
    });
  }
  for (std::thread& t : players) t.join();
  return (cpuSeconds(RUSAGE_CHILDREN) - before) / seconds;
}

bool runCameras(int n, const Options& o, const camera::ClipRequest& clipRequest,
                const camera::MediaClips& clips) {
  std::printf("\n== %d camera%s, 1920x1080 at 25 fps, %d s%s\n", n, n > 1 ? "s" : "", o.seconds,
              n == 1 ? " (single view, sound to a null sink)" : " (2x2 grid, video only)");
  std::vector<std::unique_ptr<Camera>> cams;
  for (int i = 0; i < n; ++i) {
    auto c = std::make_unique<Camera>();
    c->id = "CAMBENCH" + std::to_string(i + 1);
    std::string error;
    // The cameras find the clips made below in their work folder.
    if (!c->process.start(LIVE_BENCH_SIM_CAMERA,
                          {"--id", c->id, "--key", "bench-key", "--fhd",
                           std::to_string(clipRequest.fhdWidth) + "x" + std::to_string(clipRequest.fhdHeight),
                           "--fps", std::to_string(clipRequest.fps), "--lifetime", std::to_string(o.seconds + 90),
                           "--work-dir", clipRequest.workDir},
                          &error)) {
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

  livetest::initDeviceLink();
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
  QElapsedTimer wait;
  wait.start();
  auto allPresenting = [&] {
    for (auto& c : cams)
      if (c->live->media.counters.picturesPresented.load() < 25) return false;
    return true;
  };
  while (!allPresenting() && wait.elapsed() < 60000) pumpFor(50);
  if (!allPresenting()) {
    for (auto& c : cams)
      std::fprintf(stderr, "%s: status %d, presented %llu\n", c->id.c_str(), c->live->status.load(),
                   (unsigned long long)c->live->media.counters.picturesPresented.load());
    return false;
  }

  // Measuring window.
  for (auto& c : cams) {
    std::lock_guard<std::mutex> lock(c->timing.mutex);
    c->timing.measuring = true;
    c->presented0 = c->live->media.counters.picturesPresented.load();
    c->dropped0 = dropped(c->live->media.counters);
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

  for (auto& c : cams) {
    std::lock_guard<std::mutex> lock(c->timing.mutex);
    c->timing.measuring = false;
    const MediaCounters& k = c->live->media.counters;
    std::printf("%s: received %.1f fps, presented %.1f fps, dropped %llu, receive->present p50 %.1f ms "
                "p99 %.1f ms, camera stamp->present p50 %.1f ms p99 %.1f ms\n",
                c->id.c_str(), double(c->timing.received) / secs,
                double(k.picturesPresented.load() - c->presented0) / secs,
                (unsigned long long)(dropped(k) - c->dropped0), percentile(c->timing.receiveToPresent, 0.5),
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

  const double ffmpeg = ffmpegCores(clips, cams.size(), std::max(2, o.seconds));
  std::printf("baseline ffmpeg -threads 1 -f null, same streams: %.3f cores -> ours / ffmpeg %.2f\n", ffmpeg,
              ffmpeg > 0 ? cores / ffmpeg : 0.0);
  const double ffplay = ffplayCores(clips, cams.size(), o.baselineSeconds);
  std::printf("baseline ffplay, one 960x540 window per stream: %.3f cores -> ours / ffplay %.2f\n", ffplay,
              ffplay > 0 ? cores / ffplay : 0.0);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit("live_bench");
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--smoke") {
      o.seconds = 6;
      o.baselineSeconds = 2;
      o.cameras = {1};
    } else if (a == "--seconds" && i + 1 < argc) {
      o.seconds = std::clamp(std::atoi(argv[++i]), 3, 600);
    } else if (a == "--baseline-seconds" && i + 1 < argc) {
      o.baselineSeconds = std::clamp(std::atoi(argv[++i]), 1, 600);
    } else if (a == "--cameras" && i + 1 < argc) {
      o.cameras.clear();
      std::stringstream in(argv[++i]);
      for (std::string n; std::getline(in, n, ',');) o.cameras.push_back(std::clamp(std::atoi(n.c_str()), 1, 4));
    } else {
      std::fprintf(stderr, "usage: live_bench [--seconds S] [--cameras 1,4] [--baseline-seconds S] [--smoke]\n");
      return 2;
    }
  }
  QTemporaryDir scratch;
  const std::string base = scratch.path().toStdString();
  testsupport::XvfbServer x;
  std::string error;
  if (!x.start(1920, 1080, &error, o.seconds * 3 + 600)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  x.exportDisplay();
  testsupport::PulseNullSink pulse;
  if (!pulse.start(base + "/pulse", &error, o.seconds * 3 + 600)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  pulse.exportServer();
  setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
  QApplication app(argc, argv);
  // The program's own log lines are not what is measured.
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  // The streams every camera sends and the baselines decode: made once here.
  camera::ClipRequest clipRequest;
  clipRequest.fhdWidth = 1920;
  clipRequest.fhdHeight = 1080;
  clipRequest.fps = 25;
  clipRequest.workDir = base + "/clips";
  std::system(("mkdir -p '" + clipRequest.workDir + "'").c_str());
  const camera::MediaClips clips = camera::makeClips(clipRequest, &error);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  for (int n : o.cameras)
    if (!runCameras(n, o, clipRequest, clips)) return 1;
  return 0;
}
