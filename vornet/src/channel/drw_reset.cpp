#include <cstring>

#include "channel/drw_engine.h"
#include "channel/drw_session.h"
#include "channel/packet_list.h"

namespace vornet {
namespace channel {

void drw_free_lists(DrwSessionState& state) {
  for (DrwChannel& c : state.channels) {
    list_free_all(c.sendQueue);
    list_free_all(c.ready);
    list_free_all(c.inFlight);
    list_free_all(c.received);
    std::vector<uint8_t>().swap(c.held.bytes);
    c.held.open = false;
    c.held.length = 0;
    c.held.type = 0;
  }
}

void drw_reset(DrwSessionState& state, uint8_t algorithm) {
  drw_free_lists(state);
  for (DrwChannel& c : state.channels) {
    c.nextSendSeq = 0;
    c.nextRecvSeq = 0;
    std::memset(c.writeStaging, 0, sizeof c.writeStaging);
    c.writeFill = 0;
    std::memset(c.readStaging, 0, sizeof c.readStaging);
    c.readPos = 0;
    c.readFill = 0;
    std::memset(c.ackList, 0, sizeof c.ackList);
    c.ackCount = 0;
    c.allowance = algorithm == 1 ? kAllowanceStartAlgorithm1 : 0;
    c.gapPending = false;
    c.gapSince = 0;
  }
  state.algorithm = algorithm == 1 ? 1 : 0;
  state.roundPeriod = kRoundPeriodStart;
  state.lastRound = 0;
  state.idlePasses = 0;
  state.missedAlive = 0;
  state.lastPassEnd = 0;
  state.lastPassEndValid = false;
  state.lastSender = sockaddr_in{};
}

}  // namespace channel
}  // namespace vornet
