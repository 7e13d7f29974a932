#include "journey_context.h"

#include <algorithm>
#include <thread>

#include "media_verdicts.h"
#include "picture_checks.h"
#include "poll_until.h"

namespace journey {

using testsupport::pollUntil;

namespace {

constexpr const char* kListLine = "oneWindowDevice_list num :";

}  // namespace

long long msSince(Clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::vector<std::string> journeyWorldArguments() {
  return {"--lifetime", "1800", "--cloud-arg=--access-expires=" + std::to_string(kAccessSeconds)};
}

bool showsHallBars(const QImage& shot, QRect area) {
  static const QStringList smpte = {"yellow", "cyan", "green", "magenta", "red", "blue"};
  return !shot.isNull() && testsupport::barsAlongRow(shot, area, 0.4) == smpte;
}

bool showsColourfulPicture(const QImage& shot, QRect area) {
  if (shot.isNull()) return false;
  const testsupport::AreaColours c = testsupport::areaColours(shot, area);
  return c.classes >= 6 && c.black < c.samples / 4;
}

bool Journey::startProgram(std::string* why) {
  if (!stage_.startProgram(why)) return false;
  if (screen_.signInDialogShows(60000)) return true;
  *why = "no sign-in dialog within 60 s";
  return false;
}

bool Journey::signIn(int pass, long long* ms, std::string* why) {
  const world::WorldEnv& env = stage_.env();
  if (!screen_.signIn(env.account, env.password, why)) return false;
  const auto clicked = Clock::now();
  if (!stage_.waitForLog(kListLine, pass, 90000)) {
    *why = "no camera list within 90 s";
    return false;
  }
  *ms = msSince(clicked);
  return true;
}

bool Journey::allOnline(int times, int timeoutMs) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (const world::WorldCamera& c : stage_.env().cameras) {
    const long long left = std::max<long long>(
        0, std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
    if (!stage_.waitForLog("update_device_state_Handler \"" + c.id + "\" 10", times, int(left)))
      return false;
  }
  return true;
}

int Journey::cameraIndex(const std::string& id) const {
  const auto& cams = stage_.env().cameras;
  for (size_t i = 0; i < cams.size(); ++i)
    if (cams[i].id == id) return int(i);
  return -1;
}

const world::WorldCamera& Journey::camera(const std::string& id) const {
  return stage_.env().cameras.at(size_t(std::max(0, cameraIndex(id))));
}

std::string Journey::cameraLog(const std::string& id) const {
  const int n = cameraIndex(id) + 1;
  return testsupport::readTextFile(stage_.env().values.at("WORLD_CAMERA_" + std::to_string(n) + "_LOG"));
}

bool Journey::waitCameraLog(const std::string& id, const std::string& needle, int count,
                            int timeoutMs) {
  return pollUntil([&] { return countOf(cameraLog(id), needle) >= count; }, timeoutMs);
}

bool Journey::worldCommand(const std::string& line, const std::string& answer, std::string* why) {
  if (!stage_.world().command(line)) {
    *why = "the world takes no command";
    return false;
  }
  if (stage_.world().waitFor(answer, 150000)) return true;
  *why = "the world did not answer \"" + line + "\" with \"" + answer + "\"";
  return false;
}

long long Journey::playUntil(const std::string& id,
                             const std::function<bool(const QImage&)>& shows, int timeoutMs) {
  std::string why;
  if (!screen_.clickInMain(where::tile(cameraIndex(id)), &why)) return -1;
  const auto clicked = Clock::now();
  if (!screenUntil(shows, timeoutMs, std::string())) return -1;
  return msSince(clicked);
}

bool Journey::screenUntil(const std::function<bool(const QImage&)>& shows, int timeoutMs,
                          const std::string& keepAs) {
  return pollUntil(
      [&] {
        const QImage shot = keepAs.empty() ? stage_.desk().screenshot() : stage_.shot(keepAs);
        return shows(shot);
      },
      timeoutMs, 50);
}

bool Journey::pictureMoves(const std::string& keepAs) {
  QImage first;
  const QRect clock = where::kPictureClock;
  return screenUntil(
      [&](const QImage& shot) {
        if (!showsColourfulPicture(shot, where::kPicture)) return false;
        if (first.isNull()) {
          first = shot;
          return false;
        }
        return testsupport::meanDifference(first, clock, shot, clock) > 1.0;
      },
      60000, keepAs);
}

std::string Journey::newFile(const std::vector<std::string>& before, const std::string& suffix,
                             const std::function<bool(const std::string&)>& ready,
                             int timeoutMs) {
  std::string found;
  pollUntil(
      [&] {
        for (const std::string& f : filesUnder(stage_.dataDir(), suffix)) {
          if (std::find(before.begin(), before.end(), f) == before.end() && ready(f)) {
            found = f;
            return true;
          }
        }
        return false;
      },
      timeoutMs, 250);
  return found;
}

}  // namespace journey
