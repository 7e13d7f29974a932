// Opening the search socket: its options, its port, and what a failure
// leaves behind.
#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "lan_search_socket.h"
#include "netns_test.h"
#include "search_recorder.h"

namespace {

int intOption(int fd, int name) {
  int value = -1;
  socklen_t len = sizeof value;
  EXPECT_EQ(getsockopt(fd, SOL_SOCKET, name, &value, &len), 0);
  return value;
}

uint16_t boundPort(int fd) {
  sockaddr_in local{};
  socklen_t len = sizeof local;
  EXPECT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len), 0);
  EXPECT_EQ(local.sin_addr.s_addr, htonl(INADDR_ANY));
  return ntohs(local.sin_port);
}

int openDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

TEST(TessanLanSocket, OpensWithBroadcastReuseAndALargerReceiveBuffer) {
  REQUIRE_PRIVATE_NETNS();
  const int plain = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(plain, 0);
  const int defaultRcvBuf = intOption(plain, SO_RCVBUF);
  close(plain);

  const int fd = tessan::lan::openSearchSocket(8603);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(boundPort(fd), 8603);
  EXPECT_EQ(intOption(fd, SO_BROADCAST), 1);
  EXPECT_EQ(intOption(fd, SO_REUSEADDR), 1);
  EXPECT_GT(intOption(fd, SO_RCVBUF), defaultRcvBuf);
  tessan::lan::closeSocket(fd);
}

TEST(TessanLanSocket, WithoutAPortTakesAndReportsAFallbackPort) {
  REQUIRE_PRIVATE_NETNS();
  uint16_t chosen = 0;
  const int fd = tessan::lan::openSearchSocket(0, &chosen);
  ASSERT_GE(fd, 0);
  EXPECT_GE(chosen, 64000);
  EXPECT_LE(chosen, 64189);
  EXPECT_EQ(boundPort(fd), chosen);
  tessan::lan::closeSocket(fd);
}

TEST(TessanLanSocket, HeldPortFailsTheBindAndLeavesNothingOpen) {
  REQUIRE_PRIVATE_NETNS();
  const int holder = holdPort(8603);
  ASSERT_GE(holder, 0);
  const int before = openDescriptors();
  EXPECT_EQ(tessan::lan::openSearchSocket(8603), tessan::lan::kOpenBindFailed);
  EXPECT_EQ(openDescriptors(), before);
  close(holder);
}

}  // namespace
