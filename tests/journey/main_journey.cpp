// The main journey (journeys.h): what a new user does with the program,
// checked from outside as a person would see it, plus the program's own
// log, the cloud's request log, the cameras' logs and the files made.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "journey_context.h"
#include "journeys.h"
#include "media_verdicts.h"
#include "picture_checks.h"

namespace journey {

namespace {

constexpr const char* kVersion = "1.0.210718.2";
constexpr int kSoundRate = 16000;
const char* const kSignInOrder[] = {"/cloud/api/v1/app-startup", "/uac/v1/challenge",
                                    "/uac/v1/signin",            "/uac/v1/refresh-token",
                                    "/uac/v2/device-list",       "/cloud/api/v1/dev-config"};

// The last `count` 16-bit samples of a raw sound file still being written.
std::vector<int16_t> lastSamples(const std::string& path, size_t count) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? std::streamoff(in.tellg()) : 0;
  const std::streamoff wanted = std::min<std::streamoff>(size / 2, std::streamoff(count));
  std::vector<int16_t> out(size_t(wanted), 0);
  if (wanted <= 0) return {};
  in.seekg((size / 2 - wanted) * 2);
  in.read(reinterpret_cast<char*>(out.data()), wanted * 2);
  out.resize(size_t(in.gcount() / 2));
  return out;
}

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : " ") + p;
  return out;
}

// Start: a stale debug.txt is replaced by a fresh one that begins with the
// version; nothing reaches the cloud before the user signs in.
bool start(Journey& j) {
  {
    std::ofstream stale(j.stage().dataDir() + "/debug.txt");
    stale << "a line of an earlier run\n";
  }
  std::string why;
  if (!j.startProgram(&why)) return j.report().step("start", false, why);
  j.stage().shot("01_sign_in_dialog.png");
  const std::string log = j.stage().log();
  const bool fresh = log.find("a line of an earlier run") == std::string::npos;
  const size_t version = log.find("version number:");
  const bool versionLine =
      version != std::string::npos && log.find(kVersion, version) < log.find('\n', version);
  const size_t requests = j.stage().cloudRequests().size();
  return j.report().step("start: fresh debug.txt with the version, no request before sign-in",
                         fresh && versionLine && requests == 0,
                         std::string(fresh ? "fresh" : "stale lines kept") + ", version line " +
                             (versionLine ? "found" : "missing") + ", " +
                             std::to_string(requests) + " cloud requests");
}

bool secondCopy(Journey& j) {
  const int status = j.stage().runAnotherCopy(30000);
  const bool firstRuns = !j.stage().programEnded();
  return j.report().step("a second copy exits 1", status == 1 && firstRuns,
                         "second copy exit " + std::to_string(status) +
                             (firstRuns ? ", the first runs on" : ", the first ended"));
}

// Sign-in through the dialog: the requests in the program's order, the
// password box opened by the cloud (a strict cloud refuses any other).
bool firstSignIn(Journey& j) {
  long long ms = 0;
  std::string why;
  if (!j.signIn(1, &ms, &why)) return j.report().step("sign-in through the dialog", false, why);
  j.report().figure("time to sign in (click to camera list)", seconds(ms));
  const std::vector<CloudRequest> r = j.stage().cloudRequests();
  bool inOrder = r.size() >= 6;
  for (size_t i = 0; inOrder && i < 6; ++i) inOrder = r[i].path == kSignInOrder[i];
  bool clean = true;
  for (const CloudRequest& q : r) clean = clean && q.status == 200 && q.violations == 0;
  const int signin = findPath(r, "/uac/v1/signin");
  const bool boxOpened = signin >= 0 && r[size_t(signin)].status == 200;
  std::vector<std::string> first = pathsOf(r);
  if (first.size() > 6) first.resize(6);
  return j.report().step("sign-in through the dialog, requests in order, box opened by the cloud",
                         inOrder && clean && boxOpened,
                         joined(first) +
                             (clean ? "; every request accepted" : "; a request was refused"));
}

// Tiles: built first (offline), each camera online afterwards.
bool tilesOnline(Journey& j) {
  const auto t = Clock::now();
  const bool online = j.allOnline(1, 90000);
  j.report().figure("cameras online after the list", seconds(msSince(t)));
  const std::string log = j.stage().log();
  const size_t list = log.find("oneWindowDevice_list num :");
  const size_t firstOnline = log.find("update_device_state_Handler");
  j.stage().shot("02_tiles_online.png");
  return j.report().step("tiles go offline -> Online", online && firstOnline > list,
                         std::to_string(j.stage().env().cameras.size()) + " cameras " +
                             (online ? "online" : "not all online") +
                             (firstOnline > list ? ", after the tiles were built" : ""));
}

// A tile click plays the Hall camera: its colour bars on screen, its own
// tone in what reached the sound server.
bool playHall(Journey& j) {
  testsupport::PulseNullSink& sound = j.stage().sound();
  std::string why;
  const bool recording =
      sound.startRecording(j.stage().outDir() + "/hall_sound.raw", kSoundRate, 1, &why);
  const long long ms =
      j.playUntil(kHall, [](const QImage& s) { return showsHallBars(s, where::kPicture); }, 60000);
  j.stage().shot("03_hall_playing.png");
  if (ms >= 0) j.report().figure("time to first picture (tile click to bars on screen)", seconds(ms));
  const bool asked = j.waitCameraLog(kHall, "event video start", 1, 60000) &&
                     j.waitCameraLog(kHall, "event audio start", 1, 60000);
  const bool shows = j.report().step("a tile click shows the camera's picture", ms >= 0 && asked,
                                     ms >= 0 ? "Hall's SMPTE bars in the play area"
                                             : "no bars within 60 s");
  // The camera's own tone in a two-second window of what was played after
  // the picture came; the sound may start well after the picture on a
  // loaded machine, so windows are looked at for up to a minute.
  std::vector<int> others;
  for (const world::WorldCamera& c : j.stage().env().cameras)
    if (c.id != kHall) others.push_back(c.toneHz);
  const int own = j.camera(kHall).toneHz;
  const size_t window = size_t(kSoundRate) * 2;
  ToneVerdict tone;
  size_t heard = 0;
  const auto lookedFrom = Clock::now();
  for (int w = 0; !tone.found() && (w < 5 || msSince(lookedFrom) < 60000); ++w) {
    sound.waitForBytes(sound.recordedBytes() + long(window) * 2, 10000);
    const std::vector<int16_t> last = lastSamples(j.stage().outDir() + "/hall_sound.raw", window);
    heard = last.size();
    tone = toneOf(last, kSoundRate, own, others);
  }
  sound.stopRecording();
  std::ostringstream d;
  d << own << " Hz power " << tone.own << ", strongest other camera tone " << tone.strongestOther
    << " (" << heard << " samples" << (recording ? "" : ", recorder: " + why) << ")";
  if (tone.found()) d << ", within " << seconds(msSince(lookedFrom)) << " after the picture";
  j.report().figure("sound tone found", d.str());
  j.report().step("its sound reaches the null sink (the camera's own tone)", tone.found(), d.str());
  return shows;
}

bool snapshot(Journey& j, const std::string& label, int width, int height, int attempts) {
  SnapshotVerdict v;
  std::string file;
  for (int i = 0; i < attempts && !(v.ok && v.width == width); ++i) {
    const std::vector<std::string> before = filesUnder(j.stage().dataDir(), ".jpg");
    std::string why;
    if (!j.screen().clickInMain(where::kSnapshotButton, &why)) break;
    file = j.newFile(before, ".jpg", [](const std::string& f) { return checkSnapshot(f).ok; },
                     60000);
    if (!file.empty()) v = checkSnapshot(file);
  }
  if (!file.empty()) j.report().keep(j.stage().keepFile(file));
  const bool ok = v.ok && v.width == width && v.height == height;
  return j.report().step(label, ok, file.empty() ? "no snapshot file" : v.text);
}

// A 3 s recording: the record button twice, three seconds apart. The file
// is judged against the time the program itself recorded (its own log's
// start and stop lines), not against the clicks' wall-clock distance: it
// covers that time less the wait for the camera's next key frame (one
// second of pictures), every picture of it is there and decodes.
bool record(Journey& j) {
  const std::vector<std::string> before = filesUnder(j.stage().dataDir(), ".mp4");
  std::string why;
  if (!j.screen().clickInMain(where::kRecordButton, &why))
    return j.report().step("a 3 s recording", false, why);
  const auto started = Clock::now();
  j.stage().shot("04_recording.png");
  std::this_thread::sleep_until(started + std::chrono::seconds(3));  // the user's three seconds
  if (!j.screen().clickInMain(where::kRecordButton, &why))
    return j.report().step("a 3 s recording", false, why);
  const std::string file = j.newFile(
      before, ".mp4", [](const std::string& f) { return checkRecording(f).ok; }, 60000);
  if (file.empty()) return j.report().step("a 3 s recording", false, "no playable .mp4");
  j.report().keep(j.stage().keepFile(file));
  const std::string name = file.substr(file.find_last_of('/') + 1);
  j.stage().waitForLog(name + "\" stop record", 1, 60000);
  const double span = recordSpanInLog(j.stage().log(), file);
  const RecordingVerdict v = checkRecording(file);
  const world::WorldEnv& env = j.stage().env();
  const auto fpsValue = env.values.find("WORLD_FPS");
  const int fps = fpsValue != env.values.end() ? std::atoi(fpsValue->second.c_str()) : 25;
  const double video = v.videoPackets > 0 ? v.lastVideo - v.firstVideo + 1.0 / fps : 0;
  std::ostringstream figures;
  figures.precision(3);
  figures << v.fps() << " (" << v.pictures << " pictures in " << v.seconds << " s of recording)";
  j.report().figure("fps seen", figures.str());
  std::ostringstream covered;
  covered.precision(3);
  covered << video << " s of pictures (" << v.videoPackets << ") for " << span
          << " s recorded by the program's log";
  j.report().figure("recording", covered.str());
  // Nothing from beyond the recorded time (a second of slack: pictures in
  // flight when the record button was pressed). How much of that time the
  // pictures span is the camera's pace (a busy camera process sends fewer
  // in three seconds); what came, the file holds whole: a picture for
  // every frame interval of its span, each one decoded.
  const bool covers = span > 0 && video > 0 && video <= span + 1.0;
  const bool whole = v.videoPackets >= int(video * fps + 0.5) - 2 && v.pictures == v.videoPackets;
  const bool ok = v.ok && v.width == env.fhdWidth && v.height == env.fhdHeight && covers &&
                  whole && v.soundPackets > 0;
  return j.report().step("a 3 s recording checked with ffprobe", ok,
                         v.text + "; " + covered.str() +
                             (covers ? "" : ": not the recorded time") +
                             (whole ? "" : ": pictures missing"));
}

// HD/FHD: the camera is asked for the other quality, the decoded pictures
// change size (as the next snapshot shows).
bool quality(Journey& j) {
  std::string why;
  if (!j.screen().clickInMain(where::kQualityButton, &why))
    return j.report().step("HD/FHD switch", false, why);
  const bool asked = j.waitCameraLog(kHall, "event quality", 1, 60000);
  if (!j.report().step("the HD/FHD switch reaches the camera", asked, asked ? "quality request" : "none"))
    return false;
  const world::WorldEnv& env = j.stage().env();
  return snapshot(j, "after HD/FHD the decoded size changes (snapshot)", env.hdWidth,
                  env.hdHeight, 8);
}

// The pad over the PTZ camera's video moves it.
bool ptz(Journey& j) {
  const long long ms = j.playUntil(
      kFrontDoor, [](const QImage& s) { return showsColourfulPicture(s, where::kPicture); }, 60000);
  std::string why;
  const bool pressed = ms >= 0 && j.screen().pressPadUp(&why);
  j.stage().shot("05_ptz_pad.png");
  const bool reached = pressed && j.waitCameraLog(kFrontDoor, "event ptz", 1, 60000);
  return j.report().step("PTZ reaches the camera", reached,
                         reached ? "the camera logged a pan/tilt request"
                                 : (ms < 0 ? "Front door did not play" : why));
}

// A group of two made in its dialog plays in the grid: Hall in cell 0,
// Front door in cell 1, cells 2 and 3 empty.
bool group(Journey& j) {
  std::string why;
  const bool made = j.screen().createGroup(
      "pair", j.cameraIndex(kHall), j.cameraIndex(kFrontDoor),
      [&] { j.stage().shot("06_group_dialog.png"); }, &why);
  if (!made) return j.report().step("a group of two plays in the grid", false, why);
  j.screen().clickInMain(where::kFirstGroup, &why);
  const auto inside = [](int cell) { return where::gridCell(cell).adjusted(10, 120, -10, -120); };
  const bool plays = j.screenUntil(
      [&](const QImage& s) {
        return showsHallBars(s, inside(0)) && showsColourfulPicture(s, inside(1));
      },
      60000, "07_group_grid.png");
  // The two cells without a camera show no picture (nothing else shows through).
  const QImage grid = j.stage().shot("07_group_grid.png");
  int drawn = 0;
  for (int cell : {2, 3}) drawn += testsupport::areaColours(grid, inside(cell)).classes > 2;
  return j.report().step("a group of two plays in the grid", plays && drawn == 0,
                         std::string(plays ? "Hall's bars in cell 1, Front door's picture in cell 2"
                                           : "the grid does not show both cameras") +
                             ", " + std::to_string(drawn) + " of the empty cells show a picture");
}

// After a sign-out (the `times`-th of this program): the program's event
// loop ended with 1, the sign-in dialog is back, the sign-out request
// reached the cloud, and no refresh follows (watched for one and a half
// refresh periods after it).
bool signedOut(Journey& j, size_t requestsBefore, int times, int timeoutMs,
               const std::string& label) {
  const bool ended = j.stage().waitForLog("exec_return : 1", times, timeoutMs);
  const bool dialog = ended && j.screen().signInDialogShows(60000);
  int signout = -1;
  const auto end = Clock::now() + std::chrono::seconds(60);
  while (ended && Clock::now() < end &&
         (signout = findPath(j.stage().cloudRequests(), "/uac/v1/signout", requestsBefore)) < 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (signout >= 0) {
    // An absence is watched for a while.
    std::this_thread::sleep_for(std::chrono::milliseconds(kRefreshMs * 3 / 2));
  }
  const std::vector<CloudRequest> r = j.stage().cloudRequests();
  const int refreshes = signout >= 0 ? countPath(r, "/uac/v1/refresh-token", size_t(signout)) : 0;
  return j.report().step(label, ended && dialog && signout >= 0 && refreshes == 0,
                         std::string(ended ? "" : "the session did not end, ") +
                             (signout >= 0 ? "sign-out request sent" : "no sign-out request") +
                             ", " + std::to_string(refreshes) + " refreshes after it" +
                             (dialog ? ", sign-in dialog back" : ", no sign-in dialog"));
}

// The user menu's sign-out.
bool signOut(Journey& j) {
  std::string why;
  const size_t before = j.stage().cloudRequests().size();
  if (!j.screen().signOut(&why)) return j.report().step("sign-out", false, why);
  return signedOut(j, before, 1, 60000, "sign-out sends the sign-out request and no refresh follows");
}

// Signing in again: each camera once, every camera online again.
bool signInAgain(Journey& j, int pass, const std::string& label) {
  long long ms = 0;
  std::string why;
  if (!j.signIn(pass, &ms, &why)) return j.report().step(label, false, why);
  const std::string cams = std::to_string(j.stage().env().cameras.size());
  const std::string log = j.stage().log();
  const int lists = countOf(log, "oneWindowDevice_list num : \"" + cams + " devices\"");
  const bool online = j.allOnline(pass, 90000);
  j.stage().shot("08_tiles_sign_in_" + std::to_string(pass) + ".png");
  return j.report().step(label, lists == pass && online &&
                                    countOf(log, "the lists are built already") == 0,
                         std::to_string(lists) + " lists of " + cams + " devices in " +
                             std::to_string(pass) + " sign-ins, took " + seconds(ms));
}

// The cloud answers a refresh with 1011 (signed in elsewhere): the program
// signs out the same way.
bool signedInElsewhere(Journey& j) {
  std::string why;
  const size_t before = j.stage().cloudRequests().size();
  if (!j.worldCommand("cloud-fail /uac/v1/refresh-token=error:1:1011", "cloud-fail", &why))
    return j.report().step("a 1011 from the cloud signs out", false, why);
  return signedOut(j, before, 2, 2 * kRefreshMs + 60000,
                   "a 1011 from the cloud signs out the same way");
}

// The cloud answers the sign-in with 500 three times: the program tries
// again and gets in.
bool signInThrough500(Journey& j) {
  std::string why;
  if (!j.worldCommand("cloud-fail /uac/v1/signin=status:3:500", "cloud-fail", &why))
    return j.report().step("sign-in while the cloud answers 500", false, why);
  const size_t before = j.stage().cloudRequests().size();
  if (!signInAgain(j, 3, "sign-in while the cloud answers 500 (no doubled tiles)")) return false;
  const std::vector<CloudRequest> r = j.stage().cloudRequests();
  int failed = 0, passed = 0;
  for (size_t i = before; i < r.size(); ++i) {
    if (r[i].path != "/uac/v1/signin") continue;
    failed += r[i].status == 500;
    passed += r[i].status == 200;
  }
  return j.report().step("the cloud's 500s delay but do not break the sign-in",
                         failed == 3 && passed == 1,
                         std::to_string(failed) + " sign-ins answered 500, then " +
                             std::to_string(passed) + " accepted");
}

// Closing asks; No keeps the camera playing, Yes ends the program with 0.
bool closeProgram(Journey& j) {
  if (j.playUntil(kHall, [](const QImage& s) { return showsHallBars(s, where::kPicture); },
                  60000) < 0)
    return j.report().step("close", false, "Hall did not play again");
  std::string why;
  const bool no = j.screen().closeAnswering(false, &why) &&
                  j.pictureMoves("09_after_no.png") && !j.stage().programEnded();
  j.report().step("close -> No keeps playing", no, no ? "picture moves on" : why);
  const bool yes = j.screen().closeAnswering(true, &why);
  const int status = yes ? j.stage().waitProgramExit(60000) : -1;
  const bool logged = countOf(j.stage().log(), "exec_return : 0") == 1;
  return j.report().step("close -> Yes exits 0", yes && status == 0 && logged,
                         "exit status " + std::to_string(status));
}

}  // namespace

void runMainJourney(Stage& stage, Report& report) {
  Journey j(stage, report);
  if (!start(j)) return;
  secondCopy(j);
  if (!firstSignIn(j) || !tilesOnline(j) || !playHall(j)) return;
  const world::WorldEnv& env = stage.env();
  snapshot(j, "a snapshot checked with libjpeg", env.fhdWidth, env.fhdHeight, 1);
  record(j);
  quality(j);
  ptz(j);
  group(j);
  if (!signOut(j) || !signInAgain(j, 2, "a second sign-in shows no doubled tiles")) return;
  if (!signedInElsewhere(j) || !signInThrough500(j)) return;
  closeProgram(j);
}

}  // namespace journey
