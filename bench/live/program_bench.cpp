// live_program_bench: the real program's 2x2 group view. In a network
// namespace of its own (inside scripts/netns.sh) it starts a private X
// server, the simulated world with four 1080p25 cameras sending a
// camera-like stream (H.264 High, CABAC and deblocking, a key frame every
// second, about 4 Mbit/s) and camviewer; signs in, makes a group of the four
// cameras through its dialog, plays it, and measures from outside:
//   - the cores of camviewer and of the X server (from 10 s after the click
//     to the competitor's start);
//   - receive-to-present p50/p99 and pictures presented per second, from
//     the program's present log (CAMVIEWER_PRESENT_LOG), quiet and while a
//     CPU competitor runs (one busy process pinned to each core);
//   - the client's cores by kind of thread (decode, GUI, render, transport,
//     other) and its GUI thread's wake-ups per second, over the quiet part;
//   - RSS at 10 s and at 60 s, and the time from the click until every
//     cell has shown a picture.
// Then, on the same X server with the program gone, the baselines on the
// same stream: 4 x `ffmpeg -threads 1` decode + one swscale pass to the
// cell size (CPU per second of stream), and four ffplay windows of the cell
// size (their CPU plus the X server's). The limit is the first plus the X
// server's part of the second. Every child runs under `timeout -k`, the
// program too.
//   live_program_bench [--program PATH] [--seconds S (60)] [--competitor S (20)]
//                      [--baseline-seconds S (20)] [--out DIR]
// Ends with the summary line
//   live: 4 cameras, client+X/limit R, /ffplay F, presented N pictures/s per
//   camera, p99 P ms, p99 with competitor Q ms, RSS M MiB, first picture S s
// (n/a for a figure that could not be measured).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bench_measures.h"
#include "camera_options.h"
#include "journey_context.h"
#include "media_clips.h"
#include "present_records.h"
#include "private_netns.h"
#include "program_process.h"
#include "thread_cpu.h"

namespace {

using livebench::figure;
using livebench::nowMs;
using livebench::Present;

struct Options {
  std::string program = CAMVIEWER_PROGRAM_PATH;
  int seconds = 60;
  int competitorSeconds = 20;
  int baselineSeconds = 20;
  std::string out;
};

// The stream every camera sends and the baselines decode.
const std::vector<std::string> kStreamSwitches = {"--fhd", "1920x1080", "--fps", "25", "--profile", "high",
                                                  "--bitrate", "4000", "--gop", "25"};

std::vector<std::string> worldArguments() {
  std::vector<std::string> a = journey::journeyWorldArguments();
  a.insert(a.end(), {"--cameras", "4", "--fhd", "1920x1080", "--fps", "25"});
  for (size_t i = 4; i < kStreamSwitches.size(); ++i) a.push_back("--camera-arg=" + kStreamSwitches[i]);
  return a;
}

// One busy process per core, each pinned to its core, for `seconds`.
std::vector<std::thread> startCompetitor(int seconds) {
  std::vector<std::thread> busy;
  if (seconds <= 0) return busy;  // none asked for (timeout 0 would never end it)
  const long cores = sysconf(_SC_NPROCESSORS_ONLN);
  for (long c = 0; c < cores; ++c)
    busy.emplace_back([c, seconds] {
      livebench::childCpu({"timeout", "-k", "2", std::to_string(seconds), "taskset", "-c", std::to_string(c), "sh",
                           "-c", "while :; do :; done"});
    });
  return busy;
}

// CPU of `pids` (summed) between two calls.
double cpuOf(const std::vector<pid_t>& pids) {
  double sum = 0;
  for (pid_t p : pids) sum += std::max(0.0, livebench::processCpuSeconds(p));
  return sum;
}

struct Baselines {
  double decodeScale = -1;  // 4 x ffmpeg decode + scale, cores
  double ffplay = -1;       // 4 ffplays, cores
  double ffplayX = -1;      // the X server while they play, cores
};

Baselines measureBaselines(const std::string& clip, int clipSeconds, int seconds, int cellW, int cellH,
                           const std::vector<pid_t>& xServer) {
  Baselines b;
  const std::string stream = livebench::longStream(clip, seconds, clipSeconds);
  const int streamSeconds = std::max(1, seconds / clipSeconds) * clipSeconds;
  const std::string scale = "scale=" + std::to_string(cellW) + ":" + std::to_string(cellH) + ":flags=bilinear";
  std::vector<double> cpu(4, -1);
  {
    std::vector<std::thread> runs;
    for (int i = 0; i < 4; ++i)
      runs.emplace_back([&, i] {
        cpu[size_t(i)] = livebench::childCpu({"timeout", "-k", "5", std::to_string(seconds * 10 + 60), "ffmpeg",
                                              "-nostdin", "-v", "error", "-threads", "1", "-i", stream, "-vf", scale,
                                              "-f", "null", "-"});
      });
    for (std::thread& t : runs) t.join();
  }
  if (std::all_of(cpu.begin(), cpu.end(), [](double c) { return c >= 0; })) {
    double sum = 0;
    for (double c : cpu) sum += c;
    b.decodeScale = sum / streamSeconds;
  }
  const double x0 = cpuOf(xServer), t0 = nowMs();
  std::vector<double> play(4, -1);
  {
    std::vector<std::thread> players;
    for (int i = 0; i < 4; ++i)
      players.emplace_back([&, i] {
        play[size_t(i)] = livebench::childCpu(
            {"timeout", "-k", "2", std::to_string(seconds), "env", "SDL_AUDIODRIVER=dummy", "ffplay", "-v", "error",
             "-an", "-x", std::to_string(cellW), "-y", std::to_string(cellH), "-left", std::to_string((i % 2) * cellW),
             "-top", std::to_string((i / 2) * cellH), stream});
      });
    for (std::thread& t : players) t.join();
  }
  const double secs = (nowMs() - t0) / 1000;
  if (std::all_of(play.begin(), play.end(), [](double c) { return c >= 0; }) && secs > 0) {
    double sum = 0;
    for (double c : play) sum += c;
    b.ffplay = sum / secs;
    b.ffplayX = (cpuOf(xServer) - x0) / secs;
  }
  return b;
}

bool parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--program" && more)
      o->program = argv[++i];
    else if (a == "--seconds" && more)
      o->seconds = std::clamp(std::atoi(argv[++i]), 20, 600);
    else if (a == "--competitor" && more)
      o->competitorSeconds = std::clamp(std::atoi(argv[++i]), 0, 300);
    else if (a == "--baseline-seconds" && more)
      o->baselineSeconds = std::clamp(std::atoi(argv[++i]), 2, 300);
    else if (a == "--out" && more)
      o->out = argv[++i];
    else
      return false;
  }
  o->competitorSeconds = std::min(o->competitorSeconds, o->seconds - 15);
  return true;
}

// The camera's clip as the world's cameras make it, for the baselines.
bool baselineClip(const std::string& dir, std::string* file, int* clipSeconds, std::string* error) {
  std::vector<std::string> args = {"sim_camera", "--id", "CAMBENCH"};
  args.insert(args.end(), kStreamSwitches.begin(), kStreamSwitches.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  camera::Options co;
  *error = camera::parseOptions(int(argv.size()), argv.data(), &co);
  if (!error->empty()) return false;
  co.clips.workDir = dir;
  std::system(("mkdir -p '" + dir + "'").c_str());
  const camera::MediaClips clips = camera::makeClips(co.clips, error);
  if (!error->empty()) return false;
  *file = clips.fhd.file;
  *clipSeconds = std::max<int>(1, int(clips.fhd.units.size() / 25));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit("live_program_bench");
  Options o;
  if (!parse(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: live_program_bench [--program PATH] [--seconds S] [--competitor S] "
                 "[--baseline-seconds S] [--out DIR]\n");
    return 2;
  }
  char scratch[] = "/tmp/live_program_bench_XXXXXX";
  if (!mkdtemp(scratch)) return 1;
  const std::string base = scratch;
  if (o.out.empty()) o.out = base + "/out";
  const std::string presentLog = base + "/presents.txt";
  setenv("CAMVIEWER_PRESENT_LOG", presentLog.c_str(), 1);

  std::string error, clip;
  int clipSeconds = 2;
  if (!baselineClip(base + "/clips", &clip, &clipSeconds, &error)) {
    std::fprintf(stderr, "live_program_bench: %s\n", error.c_str());
    return 1;
  }
  journey::Report report;
  journey::Stage stage(o.out, o.program);
  stage.setProgramLifetime(o.seconds + 600);
  std::printf("live_program_bench: %s; starting the X server and the world\n", o.program.c_str());
  std::fflush(stdout);
  if (!stage.start(worldArguments(), &error)) {
    std::fprintf(stderr, "live_program_bench: %s\n", error.c_str());
    return 1;
  }
  journey::Journey j(stage, report);
  long long signInMs = 0;
  const std::vector<pid_t> xServer = livebench::descendantsNamed("Xvfb");
  if (!j.startProgram(&error) || !j.signIn(1, &signInMs, &error) || !j.allOnline(1, 120000) ||
      !j.screen().createGroup("bench", {0, 1, 2, 3}, [] {}, &error)) {
    std::fprintf(stderr, "live_program_bench: %s\n", error.c_str());
    return 1;
  }
  const pid_t program = livebench::programProcess();
  if (!j.screen().clickInMain(journey::where::kFirstGroup, &error)) {
    std::fprintf(stderr, "live_program_bench: %s\n", error.c_str());
    return 1;
  }
  const double click = nowMs();
  std::printf("live_program_bench: signed in in %lld ms; the group of four plays\n", signInMs);
  std::fflush(stdout);

  // Until every cell has shown a picture (bounded).
  double firstPicture = -1;
  while (nowMs() - click < 60000 && firstPicture < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::map<std::string, double> first = livebench::firstPresents(livebench::readPresents(presentLog), 0);
    if (first.size() >= 4) {
      double last = 0;
      for (const auto& f : first) last = std::max(last, f.second);
      firstPicture = (last - click) / 1000;
    }
  }
  const auto sleepUntil = [&](double sinceClickMs) {
    const double left = click + sinceClickMs - nowMs();
    if (left > 0) std::this_thread::sleep_for(std::chrono::milliseconds(long(left)));
  };
  sleepUntil(10000);
  const double rss10 = livebench::processRssMb(program);
  const double cpu10 = livebench::processCpuSeconds(program), x10 = cpuOf(xServer), t10 = nowMs();
  const livebench::ThreadCpuSample threads10 = livebench::sampleThreadCpu(program);
  const double competitorAt = 1000.0 * (o.seconds - o.competitorSeconds);
  sleepUntil(competitorAt);
  const double cpuQ = livebench::processCpuSeconds(program), xQ = cpuOf(xServer), tQ = nowMs();
  const livebench::ThreadCpuSample threadsQ = livebench::sampleThreadCpu(program);
  std::vector<std::thread> busy = startCompetitor(o.competitorSeconds);
  sleepUntil(1000.0 * o.seconds);
  const double rss60 = livebench::processRssMb(program), tEnd = nowMs();
  for (std::thread& t : busy) t.join();
  const bool alive = cpu10 >= 0 && cpuQ >= 0 && rss60 >= 0;
  livebench::closeProgram(j);

  const double quietSecs = (tQ - t10) / 1000;
  const double client = alive ? (cpuQ - cpu10) / quietSecs : -1;
  const double xCores = alive ? (xQ - x10) / quietSecs : -1;
  const std::vector<Present> presents = livebench::readPresents(presentLog);
  const livebench::PresentWindow quiet = livebench::presentsIn(presents, t10, tQ),
                                 loaded = livebench::presentsIn(presents, tQ + 2000, tEnd);
  double perCamera = -1;
  if (!quiet.perCamera.empty()) {
    int sum = 0;
    for (const auto& c : quiet.perCamera) sum += c.second;
    perCamera = double(sum) / 4 / quietSecs;
  }
  const double p50 = quiet.delays.empty() ? -1 : livebench::percentile(quiet.delays, 0.5);
  const double p99 = quiet.delays.empty() ? -1 : livebench::percentile(quiet.delays, 0.99);
  const double p50c = loaded.delays.empty() ? -1 : livebench::percentile(loaded.delays, 0.5);
  const double p99c = loaded.delays.empty() ? -1 : livebench::percentile(loaded.delays, 0.99);
  std::printf("client %s cores, X server %s cores (%.0f s quiet); RSS %s MiB at 10 s, %s MiB at %d s\n",
              figure(client, 3).c_str(), figure(xCores, 3).c_str(), quietSecs,
              figure(rss10, 1).c_str(), figure(rss60, 1).c_str(), o.seconds);
  std::printf("client by thread kind (quiet): %s\n", livebench::describeThreadCpu(threads10, threadsQ).c_str());
  std::printf("quiet: presented %s pictures/s per camera, skipped %d, receive->present p50 %s ms p99 %s ms\n",
              figure(perCamera, 1).c_str(), quiet.skipped, figure(p50, 1).c_str(),
              figure(p99, 1).c_str());
  std::printf("with competitor (%ld busy processes, one pinned to each core): skipped %d, presented %zu, "
              "receive->present p50 %s ms p99 %s ms\n",
              sysconf(_SC_NPROCESSORS_ONLN), loaded.skipped, loaded.delays.size(), figure(p50c, 1).c_str(),
              figure(p99c, 1).c_str());

  // The cell's picture size as the program shows it (16:9 in the cell).
  const QRect cell = journey::where::gridCell(0);
  const int cellW = cell.width() & ~1, cellH = (cell.width() * 9 / 16) & ~1;
  const Baselines b = measureBaselines(clip, clipSeconds, o.baselineSeconds, cellW, cellH, xServer);
  const double limit = b.decodeScale >= 0 && b.ffplayX >= 0 ? b.decodeScale + b.ffplayX : -1;
  const double ours = client >= 0 && xCores >= 0 ? client + xCores : -1;
  std::printf("baseline 4 x ffmpeg -threads 1 decode + %s: %s cores; 4 ffplay %dx%d: %s cores + X server %s "
              "cores; limit %s cores\n",
              ("scale to " + std::to_string(cellW) + "x" + std::to_string(cellH)).c_str(),
              figure(b.decodeScale, 3).c_str(), cellW, cellH, figure(b.ffplay, 3).c_str(),
              figure(b.ffplayX, 3).c_str(), figure(limit, 3).c_str());
  const double r = ours >= 0 && limit > 0 ? ours / limit : -1;
  const double f = ours >= 0 && b.ffplay > 0 ? ours / (b.ffplay + b.ffplayX) : -1;
  std::printf("live: 4 cameras, client+X/limit %s, /ffplay %s, presented %s pictures/s per camera, p99 %s ms, "
              "p99 with competitor %s ms, RSS %s MiB, first picture %s s\n",
              figure(r, 2).c_str(), figure(f, 2).c_str(), figure(perCamera, 1).c_str(),
              figure(p99, 0).c_str(), figure(p99c, 0).c_str(), figure(rss60, 0).c_str(),
              figure(firstPicture, 1).c_str());
  std::fflush(stdout);
  std::system(("rm -rf '" + base + "/clips'").c_str());
  return alive ? 0 : 1;
}
