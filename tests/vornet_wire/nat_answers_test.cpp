// Classification of the servers' HELLO answers into NAT types 0-4.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <vector>

#include "session/nat_detect.h"

#include "test_addresses.h"
using namespace vornet;

namespace {

struct Answer {
  sockaddr_in from;
  sockaddr_in reported;
};

TEST(NatAnswers, TypesFromTheAnswers) {
  const sockaddr_in servers[3] = {ipv4("127.0.0.1", 60722), ipv4("127.0.0.2", 60722), ipv4("127.0.0.3", 60722)};
  const sockaddr_in pubA = ipv4("203.0.113.5", 40000);
  const sockaddr_in pubB = ipv4("203.0.113.5", 40001);
  const sockaddr_in other = ipv4("198.51.100.9", 40000);
  const struct {
    const char* name;
    std::vector<Answer> answers;
    uint8_t type;
    bool endsOnLast;
  } rows[] = {
      {"no answer", {}, 0, false},
      {"one server", {{servers[0], pubA}}, 0, false},
      {"two servers, same port", {{servers[0], pubA}, {servers[1], pubA}}, 2, false},
      {"two servers, different ports", {{servers[0], pubA}, {servers[1], pubB}}, 3, false},
      {"three servers", {{servers[0], pubA}, {servers[1], pubA}, {servers[2], pubA}}, 2, true},
      {"answer from another port", {{ipv4("127.0.0.1", 60723), pubA}}, 1, true},
      {"different public address", {{servers[0], pubA}, {servers[1], other}}, 4, true},
      {"stranger ignored", {{ipv4("127.0.0.9", 60722), other}, {servers[0], pubA}}, 0, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    NatAnswers answers(servers);
    bool ended = false;
    for (const Answer& a : r.answers) ended = answers.add(a.from, a.reported);
    EXPECT_EQ(answers.natType(), r.type);
    EXPECT_EQ(ended, r.endsOnLast);
  }
}

TEST(NatAnswers, EmptyServerPlacesNeverMatch) {
  const sockaddr_in servers[3] = {ipv4("127.0.0.1", 60722), sockaddr_in{}, sockaddr_in{}};
  NatAnswers answers(servers);
  EXPECT_FALSE(answers.add(ipv4("0.0.0.0", 60722), ipv4("1.2.3.4", 1)));
  EXPECT_FALSE(answers.any());
}

}  // namespace
