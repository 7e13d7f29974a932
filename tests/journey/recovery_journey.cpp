// The recovery journey (journeys.h): a camera that dies and comes back, and
// a program killed while it records.
#include <signal.h>

#include <sstream>
#include <thread>

#include "journey_context.h"
#include "journeys.h"
#include "media_verdicts.h"

namespace journey {

namespace {

std::string stateLine(const std::string& id) { return "update_device_state_Handler \"" + id + "\" "; }

// Lines of the program's log about `id`'s state from `from` on that are
// not Online (10).
int lostStates(const std::string& log, const std::string& id, size_t from) {
  int n = 0;
  const std::string line = stateLine(id);
  for (size_t at = log.find(line, from); at != std::string::npos; at = log.find(line, at + 1))
    n += log.compare(at + line.size(), 3, "10 ") != 0;
  return n;
}

bool signedInAndOnline(Journey& j) {
  std::string why;
  long long ms = 0;
  const bool ok = j.startProgram(&why) && j.signIn(1, &ms, &why) && j.allOnline(1, 90000);
  return j.report().step("signed in, every camera online", ok, ok ? seconds(ms) : why);
}

// Starts a recording of the camera that plays; the file once it holds a
// second of pictures (empty when none grew).
std::string startRecording(Journey& j) {
  const std::vector<std::string> before = filesUnder(j.stage().dataDir(), ".mp4");
  std::string why;
  if (!j.screen().clickInMain(where::kRecordButton, &why)) return std::string();
  return j.newFile(
      before, ".mp4", [](const std::string& f) { return checkRecording(f).pictures >= 25; }, 60000);
}

// The recording running when the link was lost ended there: its file is
// finished and its times never go back (the camera's new stream starts
// again from zero).
bool recordingEndedAtTheLoss(Journey& j, const std::string& file) {
  if (file.empty())
    return j.report().step("a recording across the restart is finished", false, "no recording grew");
  j.report().keep(j.stage().keepFile(file));
  const RecordingVerdict v = checkRecording(file);
  return j.report().step("a recording across the restart is finished and checked with ffprobe",
                         v.ok, v.text);
}

// Once the link is back the recording goes on into a new file by itself;
// the record button then stops it, and that file plays as well.
bool recordingWentOn(Journey& j, const std::vector<std::string>& before) {
  const std::string file = j.newFile(
      before, ".mp4", [](const std::string& f) { return checkRecording(f).pictures >= 25; }, 60000);
  if (file.empty())
    return j.report().step("the recording goes on into a new file once the link is back", false,
                           "no new recording grew");
  std::string why;
  if (!j.screen().clickInMain(where::kRecordButton, &why))
    return j.report().step("the recording goes on into a new file once the link is back", false, why);
  const std::string name = file.substr(file.find_last_of('/') + 1);
  if (!j.stage().waitForLog(name + "\" stop record", 1, 60000))
    return j.report().step("the recording goes on into a new file once the link is back", false,
                           "the record button did not stop it");
  j.report().keep(j.stage().keepFile(file));
  const RecordingVerdict v = checkRecording(file);
  return j.report().step("the recording goes on into a new file once the link is back, checked with ffprobe",
                         v.ok, v.text);
}

// The Garden camera is killed and started again while it plays and
// records: the transport notices the dead peer after its keep-alives, the
// recording ends there, the connect timer brings the camera back Online,
// its play goes on by itself, and so does the recording, in a new file.
bool cameraComesBack(Journey& j) {
  Stage& stage = j.stage();
  if (j.playUntil(kGarden, [](const QImage& s) { return showsColourfulPicture(s, where::kPicture); },
                  60000) < 0)
    return j.report().step("a restarted camera comes back", false, "Garden did not play");
  const std::string recording = startRecording(j);
  const std::vector<std::string> filesBefore = filesUnder(stage.dataDir(), ".mp4");
  const size_t mark = stage.log().size();
  const std::string online = stateLine(kGarden) + "10";
  const int onlineBefore = countOf(stage.log(), online);
  std::string why;
  if (!j.worldCommand(std::string("restart ") + kGarden, "started", &why))
    return j.report().step("a restarted camera comes back", false, why);
  const auto restarted = Clock::now();
  long long lostMs = -1;
  const bool back = [&] {
    for (int i = 0; i < 600; ++i) {  // 60 s at most
      const std::string log = stage.log();
      if (lostMs < 0 && lostStates(log, kGarden, mark) > 0) lostMs = msSince(restarted);
      if (lostMs >= 0 && countOf(log, online) > onlineBefore) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }();
  const long long backMs = msSince(restarted);
  j.report().figure("restarted camera: the program noticed the loss after", seconds(lostMs));
  j.report().figure("restarted camera: Online again after the restart", seconds(backMs));
  std::ostringstream d;
  d << "loss noticed " << seconds(lostMs) << " after the restart, Online " << seconds(backMs)
    << " after it (" << (backMs <= 10000 ? "within" : "beyond") << " 10 s)";
  if (!j.report().step("a camera killed and started again comes back Online", back, d.str()))
    return false;
  // Plays again without a click: its play asks for the streams again.
  const bool plays = j.pictureMoves("r2_garden_again.png");
  const long long movingMs = msSince(restarted);
  if (plays)
    j.report().figure("restarted camera: picture moving again after the restart", seconds(movingMs));
  const bool playedOn = j.report().step(
      "the camera plays again without a click", plays,
      plays ? "picture moves " + seconds(movingMs) + " after the restart" : "no moving picture");
  const bool ended = recordingEndedAtTheLoss(j, recording);
  return recordingWentOn(j, filesBefore) && ended && playedOn;
}

// The program is killed (SIGKILL) while it records: the file it leaves plays.
bool recordingSurvivesKill(Journey& j) {
  Stage& stage = j.stage();
  const std::vector<std::string> before = filesUnder(stage.dataDir(), ".mp4");
  std::string why;
  if (!j.screen().clickInMain(where::kRecordButton, &why))
    return j.report().step("a recording survives a SIGKILL", false, why);
  // Kill once the recording holds a few seconds of pictures.
  const std::string file = j.newFile(
      before, ".mp4", [](const std::string& f) { return checkRecording(f).pictures >= 50; }, 60000);
  stage.shot("r3_recording_before_kill.png");
  kill(stage.program().pid(), SIGKILL);
  const int status = stage.waitProgramExit(60000);
  if (file.empty())
    return j.report().step("a recording survives a SIGKILL", false, "no recording grew");
  const RecordingVerdict v = checkRecording(file);
  j.report().keep(stage.keepFile(file));
  return j.report().step("a recording survives a SIGKILL of the program",
                         status == 128 + SIGKILL && v.ok,
                         "program status " + std::to_string(status) + "; " + v.text);
}

}  // namespace

void runRecoveryJourney(Stage& stage, Report& report) {
  Journey j(stage, report);
  if (!signedInAndOnline(j)) return;
  cameraComesBack(j);
  recordingSurvivesKill(j);
}

}  // namespace journey
