// Where tests keep what a person should look at afterwards (screenshots,
// recorded sound, files the program made): <build folder>/artifacts/<name>/.
#pragma once

#include <string>

namespace testsupport {

// The folder for `name` (created, with its parents, when missing); the
// artifacts root itself for an empty name.
std::string artifactsDir(const std::string& name = std::string());

// The work folder the simulated cameras of the tests share (created when
// missing): a clip is encoded once per build tree and media switches, not
// once per test, so a camera starts in a moment however busy the machine is.
std::string cameraClipCache();

}  // namespace testsupport
