// Reading back what a side of the fake link sent or holds.
#pragma once

#include <cstdint>
#include <vector>

#include "fake_link.h"

namespace fakelink {

struct SentDrw {
  int channel;
  int sequence;
  int length;
};

// DRW datagrams a side sent, in order.
std::vector<SentDrw> sentData(const FakeLink& link, int side);
// Datagrams of one type a side sent.
int sentCount(const FakeLink& link, int side, uint8_t type);
// Every sequence a side acknowledged on a channel: those already sent in
// acknowledgements and those still listed.
std::vector<int> acknowledged(FakeLink& link, int side, int channel);
// Sequences in a list, in order.
std::vector<int> sequencesOf(const vornet::channel::PacketList& list);

}  // namespace fakelink
