#include "private_netns.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace netns {

namespace {

// The interfaces of this process's own namespace, from /proc/self/net/dev
// (unlike /sys/class/net, which shows the namespace that mounted sysfs).
bool onlyTestInterfaces(const char* netDev, std::string* why) {
  std::ifstream in(netDev);
  if (!in) {
    if (why) *why = std::string("cannot read ") + netDev;
    return false;
  }
  std::string line;
  int seen = 0;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;  // the two header lines
    std::string name = line.substr(0, colon);
    name.erase(0, name.find_first_not_of(' '));
    ++seen;
    if (name == "lo" || name.compare(0, 2, "cv") == 0) continue;
    if (why) *why = "interface '" + name + "' is not one of the test namespace's own";
    return false;
  }
  if (seen == 0) {
    if (why) *why = std::string("no interfaces listed in ") + netDev;
    return false;
  }
  return true;
}

}  // namespace

bool inPrivateNamespace(std::string* why, const char* selfNs, const char* initNs,
                        const char* netDev) {
  struct stat self {}, init {};
  if (stat(selfNs, &self) != 0) {
    if (why) *why = std::string("cannot read ") + selfNs;
    return false;
  }
  if (stat(initNs, &init) != 0) {
    // Not allowed to look at PID 1 (user namespace): judge by the interfaces.
    return onlyTestInterfaces(netDev, why);
  }
  if (self.st_dev == init.st_dev && self.st_ino == init.st_ino) {
    if (why) *why = "this process shares the network namespace of PID 1 (the host's network)";
    return false;
  }
  return true;
}

void requirePrivateNamespaceOrExit(const char* program) {
  std::string why;
  if (inPrivateNamespace(&why)) return;
  std::fprintf(stderr,
               "%s: refusing to start outside a private network namespace (%s).\n"
               "Run it through scripts/netns.sh, which makes a fresh namespace.\n",
               program ? program : "program", why.c_str());
  std::exit(3);
}

}  // namespace netns
