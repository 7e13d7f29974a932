// The LAN search binds the fixed ports 8602 and 8603 and broadcasts, and
// ctest runs tests side by side in one namespace. So before any test runs,
// this program re-enters itself through scripts/netns.sh: every test process
// gets a private namespace of its own, set up like the suite's, and never
// sees another test's probes or replies.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {
constexpr const char* kMarker = "TESSAN_LAN_OWN_NETNS";
}

int main(int argc, char** argv) {
  if (std::getenv(kMarker) == nullptr) {
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) {
      std::perror("readlink /proc/self/exe");
      return 1;
    }
    self[n] = '\0';
    setenv(kMarker, "1", 1);
    std::vector<char*> args;
    args.push_back(const_cast<char*>("bash"));
    args.push_back(const_cast<char*>(TESSAN_LAN_NETNS_SCRIPT));
    args.push_back(self);
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("bash", args.data());
    std::fprintf(stderr, "cannot run %s: %s\n", TESSAN_LAN_NETNS_SCRIPT, std::strerror(errno));
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
