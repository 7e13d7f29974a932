#include "server_logic.h"

#include <arpa/inet.h>

#include "wire/zorp_wire.h"

namespace rendezvous {

namespace w = vornet::wire;

namespace {
// Documentation range (RFC 5737): the "other address" a server reports.
constexpr uint32_t kOtherAddressBase = 0xCB007100;  // 203.0.113.0
}  // namespace

void ServerLogic::handle(const Datagram& in, uint8_t type, const uint8_t* body, size_t len, Outbox& out) {
  const Endpoint& at = endpoints_.all[in.endpoint];
  switch (type) {
    case w::ZORP_MSG_HELLO:
      if (!config_.isMuted(Mute::Hello)) hello(in, at, out);
      break;
    case w::ZORP_MSG_DEV_REG:
      if (!config_.isMuted(Mute::Registration)) registration(in, body, len, out);
      break;
    case w::ZORP_MSG_P2P_REQ:
      if (!config_.isMuted(Mute::P2P)) p2pRequest(in, body, len, out);
      break;
    case w::ZORP_MSG_RLY_QUERY:
      if (!config_.isMuted(Mute::RelayQuery)) relayQuery(in, out);
      break;
    case w::ZORP_MSG_RLY_REQ:
      if (!config_.isMuted(Mute::RelayRequest)) relayRequest(in, body, len, out);
      break;
    default:
      break;  // SESSION_DONE and anything else: recorded only
  }
}

void ServerLogic::hello(const Datagram& in, const Endpoint& at, Outbox& out) {
  sockaddr_in reported = in.peer;
  int from = in.endpoint;
  switch (config_.nat) {
    case NatMode::OneServer:
      if (at.server != 0) return;
      break;
    case NatMode::OtherPort:
      from = endpoints_.serverAlt[at.server];
      break;
    case NatMode::SamePort:
      break;
    case NatMode::DifferentPorts:
      reported.sin_port = htons(static_cast<uint16_t>(ntohs(in.peer.sin_port) + at.server));
      break;
    case NatMode::OtherAddress:
      if (at.server > 0) reported.sin_addr.s_addr = htonl(kOtherAddressBase + static_cast<uint32_t>(at.server));
      break;
  }
  uint8_t buf[w::kSmallDatagram] = {};
  out.send(from, in.peer, buf, w::build_hello_ack(buf, reported));
}

void ServerLogic::registration(const Datagram& in, const uint8_t* body, size_t len, Outbox& out) {
  const w::DevRegBody reg = w::read_dev_reg(body, len);
  const int8_t code = registration_code(config_, reg.who.id);
  uint8_t buf[w::kSmallDatagram] = {};
  out.send(in.endpoint, in.peer, buf, w::build_result(buf, config_.regReplyType, code));
  if (code == 0) registered_[reg.who.id] = Registration{in.peer, reg.local, reg.natType};
}

void ServerLogic::p2pRequest(const Datagram& in, const uint8_t* body, size_t len, Outbox& out) {
  const w::P2PReqBody req = w::read_p2p_req(body, len);
  const auto listener = registered_.find(req.who.id);
  const bool registered = listener != registered_.end();
  const int8_t code = p2p_code(config_, req.who.id, registered);
  uint8_t buf[w::kSmallDatagram] = {};
  out.send(in.endpoint, in.peer, buf, w::build_result(buf, w::ZORP_MSG_P2P_REQ_ACK, code));
  if (code != 0 || !registered) return;
  out.send(in.endpoint, in.peer, buf, w::build_punch_to(buf, listener->second.seen));
  out.send(in.endpoint, listener->second.seen, buf, w::build_punch_to(buf, in.peer));
}

void ServerLogic::relayQuery(const Datagram& in, Outbox& out) {
  uint8_t buf[w::kSmallDatagram] = {};
  const bool have = endpoints_.relay >= 0;
  const sockaddr_in relay = have ? endpoints_.all[endpoints_.relay].addr : sockaddr_in{};
  out.send(in.endpoint, in.peer, buf, w::build_relay_list(buf, &relay, have ? 1 : 0));
}

void ServerLogic::relayRequest(const Datagram& in, const uint8_t* body, size_t len, Outbox& out) {
  const w::RelayReqBody req = w::read_relay_req(body, len);
  const auto listener = registered_.find(req.who.id);
  if (listener == registered_.end()) return;  // nobody to relay to: not accepted
  uint8_t buf[w::kSmallDatagram] = {};
  out.send(in.endpoint, in.peer, buf, w::build_result(buf, w::ZORP_MSG_RLY_REQ_ACK, 0));
  out.send(in.endpoint, listener->second.seen, buf, w::build_relay_to(buf, req.relay, req.relayTag));
}

}  // namespace rendezvous
