// camviewer_journey: the demo's headless run. In a network namespace of its
// own (inside scripts/netns.sh) it starts a private X server, a private
// sound server, the simulated world and camviewer, walks a new user's
// journey through the program (journeys.h), keeps the screenshots and the
// files made in the out folder and prints what happened with its figures.
//   camviewer_journey --out DIR [--recovery]
// Exit status 0 when every step passed, 1 when one failed, 2 on bad use,
// 3 outside a private network namespace.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "journey_context.h"
#include "journeys.h"
#include "private_netns.h"

int main(int argc, char** argv) {
  netns::requirePrivateNamespaceOrExit("camviewer_journey");
  std::string out;
  bool recovery = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
      out = argv[++i];
    } else if (!std::strcmp(argv[i], "--recovery")) {
      recovery = true;
    } else {
      std::fprintf(stderr, "usage: %s --out DIR [--recovery]\n", argv[0]);
      return 2;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: %s --out DIR [--recovery]\n", argv[0]);
    return 2;
  }
  journey::Report report;
  {
    journey::Stage stage(out, CAMVIEWER_PROGRAM_PATH);
    std::string error;
    std::printf("journey: starting the X server, the sound server and the world\n");
    std::fflush(stdout);
    if (!stage.start(journey::journeyWorldArguments(), &error)) {
      std::fprintf(stderr, "journey: %s\n", error.c_str());
      return 1;
    }
    std::printf("journey: account %s / %s, %zu cameras; driving camviewer\n",
                stage.env().account.c_str(), stage.env().password.c_str(),
                stage.env().cameras.size());
    std::fflush(stdout);
    journey::runMainJourney(stage, report);
    if (recovery) journey::runRecoveryJourney(stage, report);
    std::ofstream(out + "/debug.txt") << stage.log();
  }
  const std::string summary = report.summary();
  std::ofstream(out + "/summary.txt") << summary;
  std::printf("%s", summary.c_str());
  return report.allPassed() ? 0 : 1;
}
