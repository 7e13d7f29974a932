// dead_cameras_bench: the camera a user watches while the account also lists
// cameras that never come online. For each count N of dead cameras (default
// 0, 20, 60, 130, 200), in a network namespace of its own (inside
// scripts/netns.sh), with a fresh private X server, sound server, world
// (tools/world/world.py --dead N: the four demo cameras plus N cameras the
// cloud lists as online with nothing behind them) and camviewer, it signs
// in, waits until the four cameras are online, then plays Front door
// (1080p25 with sound) alone by a click on its tile (--view single) or in a
// 2x2 group of the four made through the group dialog (--view group), and
// over --seconds of play measures from outside:
//   - Front door's pictures presented per second (the program's present
//     log) and the distinct pictures on screen per second (x11grab over the
//     middle of its picture, an upper bound: screen_pictures.h);
//   - whether its sound plays (its tone in the null sink's monitor, second
//     by second; a group plays without sound);
//   - the longest time without a present of it (the GUI thread presents:
//     an outside view of its stalls while the camera plays);
//   - the program's CPU during the play, its threads by name and its RSS
//     at the end of it;
//   - debug.txt's growth per minute during the play (and since the sign-in)
//     and the source lines that wrote most of it;
//   - whether the camera dropped the program's link as stalled (its log).
// One table row per N as it is measured, then one summary line per N:
//   dead: 200 dead + 4 cameras, single view, Front door 0.3 pictures/s
//   presented, 0.2 on screen, sound silent (0 of 30 s), longest gap 12.30 s,
//   link stalled 2x, 1.60 cores, 673 threads, RSS 470 MiB, debug.txt
//   1080 KiB/min, load 2.10 1.80 1.50
// (n/a for a figure that could not be measured). The out folder (default a
// new /tmp/dead_cameras_bench_*) keeps per run, in K-dead-N/, the present
// log, the sound heard, the grabs' hashes, a screenshot of the play and
// debug.txt. Every child runs under `timeout -k`, the program too.
//   dead_cameras_bench [--dead LIST (0,20,60,130,200)] [--view single|group]
//                      [--seconds S (30)] [--no-grab] [--program PATH] [--out DIR]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_measures.h"
#include "journey_context.h"
#include "log_growth.h"
#include "present_records.h"
#include "private_netns.h"
#include "program_process.h"
#include "screen_pictures.h"
#include "thread_census.h"
#include "tone_seconds.h"

namespace fs = std::filesystem;

namespace {

using livebench::figure;
using livebench::nowMs;

constexpr int kSoundRate = 16000;
constexpr int kOnlineMs = 180000;
constexpr int kFirstPictureMs = 60000;
constexpr int kSettleMs = 3000;  // after the first picture: the play's start is not measured

struct Options {
  std::string program = CAMVIEWER_PROGRAM_PATH;
  std::vector<int> dead = {0, 20, 60, 130, 200};
  bool group = false;
  int seconds = 30;
  bool grab = true;
  std::string out;
};

// What one run found; negative figures were not measured.
struct Run {
  int dead = 0;
  std::string failed;  // why the run stopped early
  std::vector<std::string> notes;
  double signInS = -1, onlineS = -1, firstPictureS = -1;
  double presented = -1;          // Front door's presents per second
  double othersPresented = -1;    // group view: the least of the other three
  livebench::ScreenPictures screen;
  livebench::ToneSeconds sound;
  double longestGapS = -1;
  int stalls = -1;                // "stalled" in the camera's log
  livebench::ThreadCensus threads;
  double rssMb = -1;
  double cores = -1;              // the program's CPU during the play
  double logPerMinute = -1, logSinceSignIn = -1;
  std::string logKinds;
  std::string loadBefore, loadAfter;
};

std::vector<std::string> worldArguments(int dead) {
  return {"--lifetime", "1800", "--cameras", "4", "--dead", std::to_string(dead)};
}

// The middle third of the picture Front door is shown in: the single view's
// picture, or the group's first cell (16:9 in the cell). testsrc2 moves
// there in every frame.
livebench::ScreenArea grabArea(bool group) {
  QRect picture = journey::where::kPicture;
  if (group) {
    const QRect cell = journey::where::gridCell(0);
    const int h = cell.width() * 9 / 16;
    picture = QRect(cell.x(), cell.y() + (cell.height() - h) / 2, cell.width(), h);
  }
  livebench::ScreenArea a;
  a.width = (picture.width() / 3) & ~1;
  a.height = (picture.height() / 3) & ~1;
  a.x = picture.x() + picture.width() / 3;
  a.y = picture.y() + picture.height() / 3;
  return a;
}

void sleepUntil(double atMs) {
  const double left = atMs - nowMs();
  if (left > 0) std::this_thread::sleep_for(std::chrono::milliseconds(long(left)));
}

// Clicks Front door's tile, or makes the group of the four and plays it.
// The group page is shown first and given time to settle; a "Create Group"
// click that opened no dialog is tried again (noted).
bool play(journey::Journey& j, bool group, Run* r, std::string* why) {
  if (!group) return j.screen().clickInMain(journey::where::tile(j.cameraIndex(journey::kFrontDoor)), why);
  if (!j.screen().clickInMain(journey::where::kGroupsPage, why)) return false;
  std::this_thread::sleep_for(std::chrono::seconds(3));
  bool made = false;
  for (int attempt = 1; attempt <= 3 && !made; ++attempt) {
    made = j.screen().createGroup("bench", {0, 1, 2, 3}, [] {}, why);
    if (!made) r->notes.push_back("group creation, attempt " + std::to_string(attempt) + ": " + *why);
  }
  return made && j.screen().clickInMain(journey::where::kFirstGroup, why);
}

// Waits (bounded) for the camera's first present after `since`: its time, -1 when none came.
double firstPresent(const std::string& log, const std::string& camera, double since) {
  while (nowMs() - since < kFirstPictureMs) {
    const auto first = livebench::firstPresents(livebench::readPresents(log), since);
    const auto it = first.find(camera);
    if (it != first.end()) return it->second;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return -1;
}

// The present log's figures over [from, to): Front door's rate and longest
// gap, and in the group view the least rate of the other cameras.
void presentFigures(const std::string& log, const world::WorldEnv& env, bool group, double from, double to,
                    Run* r) {
  const std::vector<livebench::Present> all = livebench::readPresents(log);
  const livebench::PresentWindow w = livebench::presentsIn(all, from, to);
  const auto rate = [&](const std::string& id) {
    const auto it = w.perCamera.find(id);
    return (it == w.perCamera.end() ? 0 : it->second) / ((to - from) / 1000);
  };
  r->presented = rate(journey::kFrontDoor);
  r->longestGapS = livebench::longestPresentGap(all, journey::kFrontDoor, from, to) / 1000;
  for (const world::WorldCamera& c : env.cameras)
    if (group && c.id != journey::kFrontDoor)
      r->othersPresented = r->othersPresented < 0 ? rate(c.id) : std::min(r->othersPresented, rate(c.id));
}

// Signs in, waits for the cameras, plays and measures: the run with N dead cameras.
Run measure(const Options& o, int index, int dead) {
  Run r;
  r.dead = dead;
  const std::string dir = o.out + "/" + std::to_string(index) + "-dead-" + std::to_string(dead);
  std::error_code ec;
  fs::create_directories(dir, ec);
  const std::string presentLog = dir + "/presents.txt";
  fs::remove(presentLog, ec);
  setenv("CAMVIEWER_PRESENT_LOG", presentLog.c_str(), 1);

  journey::Report report;
  journey::Stage stage(dir, o.program);
  stage.setProgramLifetime(o.seconds + 900);
  std::string why;
  if (!stage.start(worldArguments(dead), &why)) {
    r.failed = why;
    return r;
  }
  journey::Journey j(stage, report);
  const std::string debugTxt = stage.dataDir() + "/debug.txt";
  long long signInMs = 0;
  if (!j.startProgram(&why) || !j.signIn(1, &signInMs, &why)) {
    r.failed = why;
    return r;
  }
  r.signInS = signInMs / 1000.0;
  const livebench::LogSample signedIn = livebench::sampleLog(debugTxt);
  const double listed = nowMs();
  if (j.allOnline(1, kOnlineMs))
    r.onlineS = (nowMs() - listed) / 1000;
  else
    r.notes.push_back("the four cameras were not all online " + std::to_string(kOnlineMs / 1000) +
                      " s after the list; playing anyway");
  const pid_t program = livebench::programProcess();

  const double click = nowMs();
  if (!play(j, o.group, &r, &why)) {
    r.failed = why + " (the screen: failed.png)";
    stage.shot("failed.png");
    stage.keepFile(debugTxt);
    livebench::closeProgram(j);
    return r;
  }
  const double first = firstPresent(presentLog, journey::kFrontDoor, click);
  if (first >= 0)
    r.firstPictureS = (first - click) / 1000;
  else
    r.notes.push_back("no picture of Front door within " + std::to_string(kFirstPictureMs / 1000) + " s");
  sleepUntil(std::max(nowMs(), first) + kSettleMs);

  // The play measured: the sound recorded, the screen grabbed, the log sized.
  std::vector<int> others;
  for (const world::WorldCamera& c : stage.env().cameras)
    if (c.id != journey::kFrontDoor) others.push_back(c.toneHz);
  const bool recording = stage.sound().startRecording(dir + "/sound.raw", kSoundRate, 1, &why);
  if (!recording) r.notes.push_back("no sound recording: " + why);
  const int stallsBefore = journey::countOf(j.cameraLog(journey::kFrontDoor), "stalled");
  r.loadBefore = livebench::loadAverages();
  const double from = nowMs();
  const double cpuFrom = livebench::processCpuSeconds(program);
  const livebench::LogSample start = livebench::sampleLog(debugTxt);
  std::thread grab;
  const char* display = std::getenv("DISPLAY");
  if (o.grab && display)
    grab = std::thread([&] {
      r.screen = livebench::countScreenPictures(display, grabArea(o.group), o.seconds, dir + "/grab.framemd5");
    });
  sleepUntil(from + o.seconds * 1000.0);
  const double to = nowMs();
  const double cpuTo = livebench::processCpuSeconds(program);
  if (cpuFrom >= 0 && cpuTo >= 0) r.cores = (cpuTo - cpuFrom) / ((to - from) / 1000);
  const livebench::LogSample end = livebench::sampleLog(debugTxt);
  r.threads = livebench::threadCensus(program);
  r.rssMb = livebench::processRssMb(program);
  r.loadAfter = livebench::loadAverages();
  if (grab.joinable()) grab.join();
  stage.shot("playing.png");
  const std::vector<int16_t> sound = recording ? stage.sound().stopRecording() : std::vector<int16_t>();
  r.sound = livebench::toneSeconds(sound, kSoundRate, j.camera(journey::kFrontDoor).toneHz, others);
  r.stalls = journey::countOf(j.cameraLog(journey::kFrontDoor), "stalled") - stallsBefore;
  livebench::closeProgram(j);

  presentFigures(presentLog, stage.env(), o.group, from, to, &r);
  r.logPerMinute = livebench::kibPerMinute(start, end);
  r.logSinceSignIn = livebench::kibPerMinute(signedIn, end);
  r.logKinds = livebench::describeLogKinds(livebench::logKinds(debugTxt, start.bytes, end.bytes));
  stage.keepFile(debugTxt);
  return r;
}

std::string linkText(int stalls) {
  if (stalls < 0) return "n/a";
  return stalls == 0 ? "clean" : "stalled " + std::to_string(stalls) + "x";
}

std::string threadsShort(const livebench::ThreadCensus& c) {
  return c.total ? std::to_string(c.total) : "n/a";
}

void printHeader() {
  std::printf("| dead | cameras | view | presented/s | on screen/s | sound | longest gap s | link | threads | "
              "RSS MiB | debug.txt KiB/min | load before / after |\n");
  std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|\n");
  std::fflush(stdout);
}

void printRun(const Options& o, const Run& r) {
  const char* view = o.group ? "group" : "single";
  for (const std::string& n : r.notes) std::printf("  note (%d dead): %s\n", r.dead, n.c_str());
  if (!r.failed.empty()) {
    std::printf("| %d | %d | %s | failed: %s |\n", r.dead, r.dead + 4, view, r.failed.c_str());
    std::fflush(stdout);
    return;
  }
  std::printf("| %d | %d | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s / %s |\n", r.dead, r.dead + 4, view,
              figure(r.presented, 1).c_str(), figure(r.screen.perSecond(), 1).c_str(), r.sound.text().c_str(),
              figure(r.longestGapS, 2).c_str(), linkText(r.stalls).c_str(), threadsShort(r.threads).c_str(),
              figure(r.rssMb, 0).c_str(), figure(r.logPerMinute, 0).c_str(), r.loadBefore.c_str(),
              r.loadAfter.c_str());
  std::printf("  %d dead: signed in in %s s, cameras online %s s after the list, first picture %s s after the "
              "click; camviewer %s cores during the play; screen grabs %s/s%s\n",
              r.dead, figure(r.signInS, 1).c_str(), figure(r.onlineS, 1).c_str(), figure(r.firstPictureS, 1).c_str(),
              figure(r.cores, 2).c_str(), figure(r.screen.grabsPerSecond(), 1).c_str(),
              o.group ? (", the other three cameras at least " + figure(r.othersPresented, 1) + " presented/s").c_str()
                      : "");
  std::printf("  %d dead: %s\n", r.dead, livebench::describeThreads(r.threads, 5).c_str());
  std::printf("  %d dead: debug.txt %s KiB/min during the play, %s KiB/min since the sign-in; most written by %s\n",
              r.dead, figure(r.logPerMinute, 0).c_str(), figure(r.logSinceSignIn, 0).c_str(), r.logKinds.c_str());
  std::fflush(stdout);
}

std::string summary(const Options& o, const Run& r) {
  std::ostringstream s;
  s << "dead: " << r.dead << " dead + 4 cameras, " << (o.group ? "group" : "single") << " view, ";
  if (!r.failed.empty()) return s.str() + "failed: " + r.failed;
  s << "Front door " << figure(r.presented, 1) << " pictures/s presented, " << figure(r.screen.perSecond(), 1)
    << " on screen, sound " << r.sound.text() << ", longest gap " << figure(r.longestGapS, 2) << " s, link "
    << linkText(r.stalls) << ", " << figure(r.cores, 2) << " cores, " << threadsShort(r.threads)
    << " threads, RSS " << figure(r.rssMb, 0)
    << " MiB, debug.txt " << figure(r.logPerMinute, 0) << " KiB/min, load " << r.loadAfter;
  return s.str();
}

bool parseList(const std::string& text, std::vector<int>* out) {
  out->clear();
  std::istringstream in(text);
  for (std::string item; std::getline(in, item, ',');) {
    char* end = nullptr;
    const long n = std::strtol(item.c_str(), &end, 10);
    if (item.empty() || *end || n < 0 || n > 1000) return false;
    out->push_back(int(n));
  }
  return !out->empty() && out->size() <= 20;
}

// The options; an empty text, or the argument that is wrong.
std::string parse(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (a == "--no-grab") {
      o->grab = false;
      continue;
    }
    if (!value) return a + " (without its value)";
    ++i;
    if (a == "--program")
      o->program = value;
    else if (a == "--out")
      o->out = value;
    else if (a == "--seconds")
      o->seconds = std::clamp(std::atoi(value), 10, 300);
    else if (a == "--dead" && parseList(value, &o->dead))
      continue;
    else if (a == "--view" && (!std::strcmp(value, "single") || !std::strcmp(value, "group")))
      o->group = !std::strcmp(value, "group");
    else
      return a + " " + value;
  }
  return std::string();
}

}  // namespace

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit("dead_cameras_bench");
  Options o;
  const std::string wrong = parse(argc, argv, &o);
  if (!wrong.empty()) {
    std::fprintf(stderr,
                 "dead_cameras_bench: %s\nusage: dead_cameras_bench [--dead LIST (0,20,60,130,200, each at most "
                 "1000)] [--view single|group] [--seconds S (30)] [--no-grab] [--program PATH] [--out DIR]\n",
                 wrong.c_str());
    return 2;
  }
  if (o.out.empty()) {
    char scratch[] = "/tmp/dead_cameras_bench_XXXXXX";
    if (!mkdtemp(scratch)) return 1;
    o.out = scratch;
  }
  std::printf("dead_cameras_bench: %s, %s view, %d s of play per run, out %s\n", o.program.c_str(),
              o.group ? "group" : "single", o.seconds, o.out.c_str());
  std::printf("presented/s: Front door's presents (the program's present log); on screen/s: distinct pictures "
              "in the middle of its picture (x11grab at 50/s, an upper bound)\n");
  if (o.group) std::printf("a group plays its cameras without sound: the sound column is expected silent\n");
  printHeader();
  std::vector<Run> runs;
  for (size_t i = 0; i < o.dead.size(); ++i) {
    runs.push_back(measure(o, int(i) + 1, o.dead[i]));
    printRun(o, runs.back());
  }
  bool allDone = true;
  for (const Run& r : runs) {
    std::printf("%s\n", summary(o, r).c_str());
    allDone = allDone && r.failed.empty();
  }
  std::fflush(stdout);
  return allDone ? 0 : 1;
}
