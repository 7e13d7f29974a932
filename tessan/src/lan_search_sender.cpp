#include "lan_search_sender.h"

#include <algorithm>

namespace tessan::lan {

void sendProbes(const BroadcastList& list, ProbeLink& link) {
  link.send(kLimitedBroadcast);
  link.sleepMs(kFirstProbeGapMs);
  const size_t count = std::min(list.count, list.addrs.size());
  for (int pass = 0; pass < kProbePasses && link.running(); ++pass) {
    link.sleepMs(kPassGapMs);
    for (size_t i = 0; i < count; ++i) {
      if (i > 0) link.sleepMs(kAddressGapMs);
      if (!link.send(list.addrs[i])) break;
    }
  }
}

}  // namespace tessan::lan
