// NAT detection: HELLO to the servers, classification of their answers.
#pragma once

#include <netinet/in.h>

#include <cstdint>

namespace vornet {

// Answers gathered during one detection (thread-free part).
class NatAnswers {
 public:
  explicit NatAnswers(const sockaddr_in servers[3]);
  // One ZORP_MSG_HELLO_ACK from `from` reporting `reported`; true when the
  // detection loop ends with it.
  bool add(const sockaddr_in& from, const sockaddr_in& reported);
  int answeredCount() const;
  bool answered(int i) const { return answered_[i]; }
  bool any() const { return answeredCount() > 0; }
  // 4 address differs, 1 other source port, 0 at most one answer,
  // 3 different ports, 2 same port.
  uint8_t natType() const;

 private:
  sockaddr_in servers_[3];
  bool answered_[3] = {false, false, false};
  uint16_t port_[3] = {0, 0, 0};
  bool havePublic_ = false;
  uint32_t public_ = 0;
  bool addressDiffers_ = false;
  bool otherPort_ = false;
};

constexpr uint32_t kDetectBudgetMs = 3500;
constexpr int kDetectWaitMs = 200;

// Runs one detection from `localPort` (0: a random port).  Stores the NAT
// type, the local address text and the detection time.  0, or -18 when no
// socket could be opened or bound.  A listen break ends it early with type
// 0 and no detection time.
int ZORP__DoNetWorkDetect(const sockaddr_in servers[3], uint16_t localPort, uint8_t* result);

// True when no detection has run yet or the last one is over a day old.
bool detection_due();

}  // namespace vornet
