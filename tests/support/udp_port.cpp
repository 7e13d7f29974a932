#include "udp_port.h"

#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

namespace testsupport {

namespace {

// Inodes of the sockets among this process's descriptors.
std::set<unsigned long> ownSocketInodes() {
  std::set<unsigned long> inodes;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return inodes;
  while (const dirent* e = readdir(dir)) {
    char link[64] = {};
    const std::string path = std::string("/proc/self/fd/") + e->d_name;
    const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    unsigned long inode = 0;
    if (n > 0 && std::sscanf(link, "socket:[%lu]", &inode) == 1) inodes.insert(inode);
  }
  closedir(dir);
  return inodes;
}

}  // namespace

bool ownUdpPortBound(uint16_t port) {
  const std::set<unsigned long> own = ownSocketInodes();
  // The thread's own view: a test may have entered a namespace of its own.
  std::ifstream udp("/proc/thread-self/net/udp");
  std::string line;
  std::getline(udp, line);  // column titles
  while (std::getline(udp, line)) {
    // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
    std::istringstream in(line);
    std::string sl, local, remote, st, queues, timer, retr, uid, timeout;
    unsigned long inode = 0;
    if (!(in >> sl >> local >> remote >> st >> queues >> timer >> retr >> uid >> timeout >> inode)) continue;
    const size_t colon = local.find(':');
    if (colon == std::string::npos) continue;
    if (std::stoul(local.substr(colon + 1), nullptr, 16) == port && own.count(inode) != 0) return true;
  }
  return false;
}

bool waitForOwnUdpPort(uint16_t port, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!ownUdpPortBound(port)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace testsupport
