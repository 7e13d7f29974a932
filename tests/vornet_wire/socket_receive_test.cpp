// Receive result codes on real loopback sockets, and the three-socket order.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "net/zorp_socket.h"
#include "netns_test.h"
#include "wire/zorp_wire.h"

using namespace vornet;

namespace {

class LoopbackSockets : public ::testing::Test {
 protected:
  void SetUp() override {
    REQUIRE_PRIVATE_NETNS();
    for (int& s : socks) {
      s = socket(AF_INET, SOCK_DGRAM, 0);
      ASSERT_GE(s, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = inet_addr("127.0.0.1");
      ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
    }
  }
  void TearDown() override {
    for (int s : socks)
      if (s >= 0) close(s);
  }
  sockaddr_in addressOf(int s) {
    sockaddr_in a{};
    socklen_t len = sizeof(a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    return a;
  }
  void sendRaw(int to, const std::vector<uint8_t>& bytes) {
    const sockaddr_in a = addressOf(to);
    ASSERT_EQ(sendto(socks[3], bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof(a)),
              static_cast<ssize_t>(bytes.size()));
  }
  int socks[4] = {-1, -1, -1, -1};  // three receivers, one sender
};

std::vector<uint8_t> dgram(uint8_t type, size_t bodyLen, size_t claimed) {
  std::vector<uint8_t> d(4 + bodyLen, 0x5A);
  d[0] = 0xF1;
  d[1] = type;
  d[2] = static_cast<uint8_t>(claimed >> 8);
  d[3] = static_cast<uint8_t>(claimed);
  return d;
}

TEST_F(LoopbackSockets, ResultCodesOfOneSocket) {
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t capacity;
    int result;
    size_t copied;
  } rows[] = {
      {"whole datagram", dgram(0x41, 88, 88), 1280, 0, 88},
      {"empty body", dgram(0xE0, 0, 0), 1280, 0, 0},
      {"three bytes", {0xF1, 0x00, 0x00}, 1280, -4, 0},
      {"bad magic", {0xF0, 0x00, 0x00, 0x00}, 1280, -3, 0},
      {"length says more", dgram(0x41, 10, 11), 1280, -4, 0},
      {"length says less", dgram(0x41, 10, 9), 1280, -4, 0},
      {"body over capacity", dgram(0x41, 20, 20), 16, -5, 16},
      {"datagram over 1440 bytes", dgram(0xD0, 1600, 1600), 1280, -5, 1280},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    sendRaw(socks[0], r.bytes);
    uint8_t body[2000] = {};
    net::Received rx;
    EXPECT_EQ(net::recv_one(socks[0], 500, body, r.capacity, &rx), r.result);
    if (r.result == 0 || r.result == -5) {
      EXPECT_EQ(rx.copied, r.copied);
      EXPECT_EQ(rx.type, r.bytes[1]);
      EXPECT_EQ(rx.from.sin_port, addressOf(socks[3]).sin_port);
      if (r.copied > 0) {
        EXPECT_EQ(body[r.copied - 1], 0x5A);
      }
    }
  }
  uint8_t body[16];
  net::Received rx;
  EXPECT_EQ(net::recv_one(socks[0], 20, body, sizeof(body), &rx), -1);  // nothing within the time-out
}

TEST_F(LoopbackSockets, ThreeSocketsTakeTheSessionSocketFirst) {
  sendRaw(socks[2], dgram(0x32, 80, 80));
  sendRaw(socks[1], dgram(0x30, 0, 0));
  sendRaw(socks[0], dgram(0x41, 88, 88));
  usleep(20000);
  uint8_t body[1280];
  std::vector<int> order;
  for (int i = 0; i < 3; ++i) {
    net::Received rx;
    ASSERT_EQ(net::recv_three(socks[0], socks[1], socks[2], body, &rx), 0);
    order.push_back(rx.socket);
  }
  EXPECT_EQ(order, (std::vector<int>{socks[0], socks[1], socks[2]}));
  net::Received rx;
  EXPECT_EQ(net::recv_three(socks[0], -1, socks[0], body, &rx), -1);  // 50 ms, nothing; duplicates fine
}

TEST_F(LoopbackSockets, BindHelpers) {
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in bound{};
  EXPECT_EQ(net::bind_port(s, 0, &bound), -1);
  const int port = net::bind_random(s, net::kBindTries, &bound);
  EXPECT_GE(port, 10000);
  EXPECT_LE(port, 29999);
  EXPECT_EQ(ntohs(bound.sin_port), port);
  // A socket already bound cannot bind again: every try fails, the count is bounded.
  EXPECT_EQ(net::bind_random(s, 50, &bound), -1);
  close(s);

  // Back-to-back binds in the same millisecond draw different ports, even
  // on sockets that would accept a shared port.
  int reusable[4];
  std::vector<int> ports;
  for (int& r : reusable) {
    r = socket(AF_INET, SOCK_DGRAM, 0);
    const int one = 1;
    setsockopt(r, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    ports.push_back(net::bind_random(r, 1, nullptr));
  }
  for (size_t i = 1; i < ports.size(); ++i) EXPECT_NE(ports[i], ports[0]) << i;
  for (int r : reusable) close(r);

  const int a = net::lan_socket(32108);
  const int b = net::lan_socket(32108);  // shared port
  EXPECT_GE(a, 0);
  EXPECT_GE(b, 0);
  EXPECT_EQ(net::join_multicast(a), 0);
  close(a);
  close(b);
}

TEST_F(LoopbackSockets, LocalAddressTowardAPeer) {
  char text[16];
  net::local_address_toward(addressOf(socks[0]), text);
  EXPECT_STREQ(text, "127.0.0.1");
  net::local_address_toward(net::address_from_text("192.168.1.99", 9), text);
  EXPECT_EQ(std::string(text).substr(0, 11), "192.168.1.2");  // one of the two veth ends
  EXPECT_EQ(net::address_from_text("not-an-address", 1).sin_addr.s_addr, 0xFFFFFFFFu);
}

}  // namespace
