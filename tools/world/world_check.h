// The world check: every camera of a running world, connected through the
// real device link with what the cloud handed out, all at once as the
// client connects its tiles; each must come online (status 10), stream
// video of the first quality and sound, switch to the second quality and,
// with PTZ, answer a pan step.
#pragma once

#include <string>
#include <vector>

#include "camera_link.h"
#include "world_env.h"

namespace world {

struct CameraCheck {
  WorldCamera camera;
  LinkResult result;
  bool passed = false;
};

// Expectations from the env file (picture sizes, codec).
Expectation expectationOf(const WorldEnv& env);

// Runs the check within timeoutMs (APP_init to APP_uninit).
std::vector<CameraCheck> checkWorld(const WorldEnv& env, const Expectation& expect, int timeoutMs);

// One line for a camera: what it did, with its timings.
std::string describe(const CameraCheck& c, const Expectation& expect);

}  // namespace world
