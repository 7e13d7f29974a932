#include "link_probe.h"

namespace fakelink {

namespace {
int be16(const std::vector<uint8_t>& d, size_t at) { return (d[at] << 8) | d[at + 1]; }
}  // namespace

std::vector<SentDrw> sentData(const FakeLink& link, int side) {
  std::vector<SentDrw> out;
  for (const auto& d : link.sent(side)) {
    if (d.size() >= 8 && d[1] == 0xD0) out.push_back({d[5], be16(d, 6), static_cast<int>(d.size()) - 8});
  }
  return out;
}

int sentCount(const FakeLink& link, int side, uint8_t type) {
  int n = 0;
  for (const auto& d : link.sent(side)) n += d.size() >= 4 && d[1] == type;
  return n;
}

std::vector<int> acknowledged(FakeLink& link, int side, int channel) {
  std::vector<int> out;
  for (const auto& d : link.sent(side)) {
    if (d.size() < 8 || d[1] != 0xD1 || d[5] != channel) continue;
    const int count = be16(d, 6);
    for (int i = 0; i < count && 8 + 2 * i + 1 < static_cast<int>(d.size()); ++i) out.push_back(be16(d, 8 + 2 * i));
  }
  const auto& c = link.session(side).drw.channels[channel];
  for (int i = 0; i < c.ackCount; ++i) out.push_back(c.ackList[i]);
  return out;
}

std::vector<int> sequencesOf(const vornet::channel::PacketList& list) {
  std::vector<int> out;
  for (const auto* n = list.first; n != nullptr; n = n->next) out.push_back(n->sequence);
  return out;
}

}  // namespace fakelink
