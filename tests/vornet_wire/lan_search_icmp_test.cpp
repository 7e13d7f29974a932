// The LAN search on the namespace's veth pairs and the ICMP echo.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <netinet/ip.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "net/zorp_socket.h"
#include "netns_test.h"
#include "wire/zorp_send.h"
#include "wire/zorp_wire.h"

using namespace vornet;

namespace {

// Destinations (text:port) of every ZORP_MSG_LAN_SEARCH that arrives at
// port 32108 within `ms`.
std::vector<std::string> searchesSeen(int listener, int ms) {
  std::vector<std::string> out;
  uint8_t body[64];
  for (;;) {
    net::Received rx;
    const int r = net::recv_one(listener, ms, body, sizeof(body), &rx);
    if (r == net::kRecvNothing) break;
    if (r == 0 && rx.type == wire::ZORP_MSG_LAN_SEARCH) out.push_back("seen");
  }
  return out;
}

int boundTo(const char* ip, uint16_t port) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  const int one = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = inet_addr(ip);
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
    close(s);
    return -1;
  }
  return s;
}

TEST(LanSearch, TargetRule) {
  sockaddr_in t{};
  in_addr a{};
  a.s_addr = inet_addr("192.168.1.23");
  ASSERT_TRUE(net::lan_search_target(a, &t));
  EXPECT_EQ(t.sin_addr.s_addr, inet_addr("192.168.1.255"));
  EXPECT_EQ(ntohs(t.sin_port), 32108);
  a.s_addr = inet_addr("169.254.10.1");
  EXPECT_FALSE(net::lan_search_target(a, &t));
  a.s_addr = inet_addr("127.0.0.1");
  EXPECT_FALSE(net::lan_search_target(a, &t));
  a.s_addr = inet_addr("10.20.30.40");
  ASSERT_TRUE(net::lan_search_target(a, &t));
  EXPECT_EQ(t.sin_addr.s_addr, inet_addr("10.20.30.255"));
}

TEST(LanSearch, DirectedBroadcastGoesOnceToEachLanSubnetAndNeverLinkLocal) {
  REQUIRE_PRIVATE_NETNS();
  // Every frame the namespace sends, as a packet socket sees it leave
  // (outgoing frames reach only sockets of all protocols).
  const int capture = socket(AF_PACKET, SOCK_DGRAM, htons(ETH_P_ALL));
  if (capture < 0) GTEST_SKIP() << "no packet socket here: " << std::strerror(errno);
  const int sender = socket(AF_INET, SOCK_DGRAM, 0);
  const int one = 1;
  setsockopt(sender, SOL_SOCKET, SO_BROADCAST, &one, sizeof(one));

  EXPECT_EQ(net::lan_search_broadcast(sender), 1);  // 192.168.1.23 and .24 share 192.168.1.255

  std::vector<std::string> destinations;
  timeval tv{0, 200000};
  setsockopt(capture, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
  // Other tests of this namespace send too (loopback frames included): the
  // capture reads until 200 ms pass without a frame, at most 3 s.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (int i = 0; i < 1000000 && std::chrono::steady_clock::now() < deadline; ++i) {
    uint8_t frame[2048];
    sockaddr_ll from{};
    socklen_t len = sizeof(from);
    const ssize_t n = recvfrom(capture, frame, sizeof(frame), 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n <= 0) break;
    if (from.sll_pkttype != PACKET_OUTGOING || from.sll_protocol != htons(ETH_P_IP)) continue;
    if (n < 28 || frame[9] != IPPROTO_UDP) continue;
    const size_t ihl = static_cast<size_t>(frame[0] & 0x0F) * 4;
    if (wire::get_u16(frame + ihl + 2) != 32108) continue;
    char dst[16];
    inet_ntop(AF_INET, frame + 16, dst, sizeof(dst));
    destinations.push_back(dst);
    EXPECT_EQ(frame[ihl + 8], 0xF1);
    EXPECT_EQ(frame[ihl + 9], wire::ZORP_MSG_LAN_SEARCH);
  }
  EXPECT_EQ(destinations, (std::vector<std::string>{"192.168.1.255"}));
  close(sender);
  close(capture);
}

TEST(LanSearch, ToOneAddress) {
  REQUIRE_PRIVATE_NETNS();
  const int target = boundTo("127.0.0.1", 32108);
  ASSERT_GE(target, 0);
  const int sender = socket(AF_INET, SOCK_DGRAM, 0);
  EXPECT_EQ(net::lan_search_to(sender, "127.0.0.1"), 4);
  EXPECT_EQ(searchesSeen(target, 200).size(), 1u);
  close(sender);
  close(target);
}

TEST(IcmpEcho, ChecksumFollowsRfc1071) {
  // The RFC 1071 example: words 0001 f203 f4f5 f6f7 sum to ddf2 (folded),
  // whose complement is 220d.
  const uint8_t words[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
  EXPECT_EQ(net::inet_checksum(words, sizeof(words)), 0x220D);
  uint8_t echo[net::kIcmpEchoSize];
  net::build_icmp_echo(echo, 7, 1, 0x12345678);
  EXPECT_EQ(net::inet_checksum(echo, sizeof(echo)), 0);  // a correct checksum verifies to 0
}

TEST(IcmpEcho, CapturedWithTypeIdentifierAndRisingSequence) {
  REQUIRE_PRIVATE_NETNS();
  const int capture = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
  if (capture < 0) GTEST_SKIP() << "no raw socket here (CAP_NET_RAW): " << std::strerror(errno);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_addr.s_addr = inet_addr("127.0.0.1");
  for (int i = 0; i < 2; ++i) ASSERT_EQ(net::send_icmp_echo(peer, 42), 64);
  std::vector<int> seqs;
  for (int tries = 0; tries < 20 && seqs.size() < 2; ++tries) {
    timeval tv{0, 200000};
    setsockopt(capture, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    uint8_t packet[256];
    const ssize_t n = recv(capture, packet, sizeof(packet), 0);
    if (n <= 0) break;
    const size_t ihl = static_cast<size_t>(packet[0] & 0x0F) * 4;
    if (static_cast<size_t>(n) < ihl + 64) continue;
    const uint8_t* icmp = packet + ihl;
    if (icmp[0] != 8) continue;  // replies from the kernel are skipped
    EXPECT_EQ(icmp[1], 0);
    EXPECT_EQ(wire::get_u16(icmp + 4), 42);
    EXPECT_EQ(net::inet_checksum(icmp, 64), 0);
    seqs.push_back(wire::get_u16(icmp + 6));
  }
  close(capture);
  EXPECT_EQ(seqs, (std::vector<int>{1, 2}));  // the first echo of the process is 1
}

}  // namespace
