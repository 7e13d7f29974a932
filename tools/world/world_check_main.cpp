// world_check: checks a running world without the client (see world_check.h).
// Usage: world_check [ENVFILE] [--timeout SECONDS]; ENVFILE defaults to
// $WORLD_ENV (world.py --then sets it). Exit status 0 when every camera
// passed, 1 when one did not, 2 for a bad call. Runs only inside a private
// network namespace.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "private_netns.h"
#include "world_check.h"

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit(argv[0]);
  const char* fromEnv = std::getenv("WORLD_ENV");
  std::string path = fromEnv ? fromEnv : "";
  int timeoutSeconds = 60;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutSeconds = std::atoi(argv[++i]);
    } else if (argv[i][0] != '-') {
      path = argv[i];
    } else {
      std::fprintf(stderr, "usage: %s [ENVFILE] [--timeout SECONDS]\n", argv[0]);
      return 2;
    }
  }
  if (path.empty() || timeoutSeconds < 1 || timeoutSeconds > 600) {
    std::fprintf(stderr, "%s: give the world's env file (or set WORLD_ENV) and a time-out of 1-600 s\n", argv[0]);
    return 2;
  }
  world::WorldEnv env;
  std::string error;
  if (!world::readWorldEnv(path, &env, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[0], error.c_str());
    return 2;
  }
  const world::Expectation expect = world::expectationOf(env);
  std::printf("world check: %zu cameras through the device link, as the cloud hands them out\n", env.cameras.size());
  std::fflush(stdout);
  int failed = 0;
  for (const world::CameraCheck& c : world::checkWorld(env, expect, timeoutSeconds * 1000)) {
    std::printf("  %s\n", world::describe(c, expect).c_str());
    failed += !c.passed;
  }
  std::printf("world check: %s\n", failed ? "FAILED" : "passed");
  return failed ? 1 : 0;
}
