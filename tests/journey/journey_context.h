// The moves a journey is made of, shared by the main journey and the
// recovery journey: signing in and timing it, waiting for the cameras to be
// online, a tile's play until its picture shows, the play area's picture,
// files the program made, the camera logs and the world's commands.
#pragma once

#include <QImage>
#include <QRect>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "journey_report.h"
#include "journey_stage.h"
#include "program_screen.h"

namespace journey {

using Clock = std::chrono::steady_clock;
long long msSince(Clock::time_point t);

// The demo's cameras by what they show.
constexpr const char* kFrontDoor = "CAM0001";  // testsrc2, pan/tilt
constexpr const char* kGarden = "CAM0002";     // mandelbrot
constexpr const char* kHall = "CAM0003";       // SMPTE colour bars
// The access tokens live this long in the journeys' world, so the program
// refreshes every three quarters of it (9 s) and the steps that need a
// refresh do not wait long.
constexpr int kAccessSeconds = 12;
constexpr int kRefreshMs = kAccessSeconds * 1000 * 3 / 4;

// The world the journeys run in.
std::vector<std::string> journeyWorldArguments();

class Journey {
 public:
  Journey(Stage& stage, Report& report) : stage_(stage), report_(report), screen_(stage.desk()) {}

  Stage& stage() { return stage_; }
  Report& report() { return report_; }
  ProgramScreen& screen() { return screen_; }

  // Starts the program and waits for its sign-in dialog.
  bool startProgram(std::string* why);
  // Signs in through the dialog and waits for the camera list (the
  // `pass`-th list of this program); the time from the click to the list.
  bool signIn(int pass, long long* ms, std::string* why);
  // Every camera reported online `times` times so far (bounded).
  bool allOnline(int times, int timeoutMs);

  int cameraIndex(const std::string& id) const;
  const world::WorldCamera& camera(const std::string& id) const;
  std::string cameraLog(const std::string& id) const;
  // Waits (bounded) until the camera's log holds `needle` `count` times.
  bool waitCameraLog(const std::string& id, const std::string& needle, int count, int timeoutMs);
  // A world command and (bounded) its answer line starting with `answer`.
  bool worldCommand(const std::string& line, const std::string& answer, std::string* why);

  // Clicks the camera's tile and waits (bounded) until `shows` holds for a
  // screenshot of the play area; the time it took, -1 when it never did.
  long long playUntil(const std::string& id, const std::function<bool(const QImage&)>& shows,
                      int timeoutMs);
  // Screenshots (bounded) until `shows` holds; kept as `keepAs`.
  bool screenUntil(const std::function<bool(const QImage&)>& shows, int timeoutMs,
                   const std::string& keepAs);
  // The play area shows a colourful picture that moves: its clock (drawn
  // into the picture by the camera) differs between two shots.
  bool pictureMoves(const std::string& keepAs);
  // Waits (bounded) for a new file ending in `suffix` in the data folder
  // (one not in `before`) that `ready` accepts; empty when none came.
  std::string newFile(const std::vector<std::string>& before, const std::string& suffix,
                      const std::function<bool(const std::string&)>& ready, int timeoutMs);

 private:
  Stage& stage_;
  Report& report_;
  ProgramScreen screen_;
};

// The SMPTE bars of the Hall camera along a row of its picture.
bool showsHallBars(const QImage& shot, QRect area);
// A colourful picture (not flat, not mostly black).
bool showsColourfulPicture(const QImage& shot, QRect area);

}  // namespace journey
