#include "fake_link.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>

#include "channel/drw_session.h"
#include "wire/zorp_wire.h"

namespace fakelink {

using vornet::channel::DrwEngine;

sockaddr_in address(uint32_t hostOrderIp, uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(hostOrderIp);
  a.sin_port = htons(port);
  return a;
}

FakeLink::FakeLink(uint8_t algorithm, Impairments impairments) : imp_(impairments), rng_(impairments.seed) {
  for (int side = 0; side < 2; ++side) {
    Side& s = sides_[side];
    s.session = std::make_unique<vornet::ZORP_Session>();
    s.sink = std::make_unique<SideSink>(*this, side);
    vornet::ZORP_Session& z = *s.session;
    z.role = side == B ? 1 : 0;
    z.linkMode = 0;
    z.drwAlgorithm = algorithm;
    z.socket = 100 + side;
    std::snprintf(z.prefix, sizeof z.prefix, "vek");
    std::snprintf(z.id, sizeof z.id, "TEST-000001-ABCDE");
    z.remote = address(0x7F000001, side == A ? 20002 : 20001);
    vornet::channel::drw_reset(z.drw, algorithm);
    s.passStart = now_;
    s.lastRound0 = now_;
  }
}

FakeLink::~FakeLink() {
  for (Side& s : sides_) vornet::channel::drw_free_lists(s.session->drw);
}

DrwEngine FakeLink::engine(int side) { return DrwEngine(*sides_[side].session, *sides_[side].sink); }

void FakeLink::SideSink::send(const uint8_t* datagram, size_t length, const sockaddr_in&) {
  link_.sides_[side_].log.emplace_back(datagram, datagram + length);
  if (!link_.sides_[side_].muted) link_.transmit(side_, datagram, length);
}

void FakeLink::transmit(int side, const uint8_t* datagram, size_t length) {
  std::uniform_real_distribution<double> u(0, 1);
  if (u(rng_) < imp_.loss) return;
  const int copies = u(rng_) < imp_.duplicate ? 2 : 1;
  Side& peer = sides_[1 - side];
  for (int i = 0; i < copies; ++i) {
    Datagram d;
    d.deliverAt = now_ + imp_.delayMs;
    if (u(rng_) < imp_.reorder) d.deliverAt += 1 + rng_() % imp_.reorderMs;
    d.bytes.assign(datagram, datagram + length);
    d.from = address(0x7F000001, side == A ? 20001 : 20002);
    auto at = std::upper_bound(peer.inbox.begin(), peer.inbox.end(), d.deliverAt,
                               [](uint32_t t, const Datagram& x) { return t < x.deliverAt; });
    peer.inbox.insert(at, std::move(d));
  }
}

void FakeLink::deliver(int side, const Datagram& d) {
  vornet::wire::ZORP_HEADER h;
  if (!vornet::wire::read_header(d.bytes.data(), d.bytes.size(), &h)) return;
  engine(side).onDatagram(h.type, d.bytes.data() + 4, d.bytes.size() - 4, d.from, now_);
}

void FakeLink::inject(int side, const std::vector<uint8_t>& datagram) {
  Datagram d;
  d.deliverAt = now_;
  d.bytes = datagram;
  d.from = address(0x7F000001, side == A ? 20002 : 20001);
  deliver(side, d);
}

void FakeLink::tickSide(int side) {
  Side& s = sides_[side];
  vornet::ZORP_Session& z = *s.session;
  if (z.drwStop) return;
  DrwEngine e = engine(side);
  // Send thread.
  if (z.drw.algorithm == 1) {
    if (e.roundDue(now_)) e.sendRound(now_);
  } else if (now_ - s.lastRound0 >= vornet::channel::kRoundPeriodAlgorithm0) {
    e.sendRound(now_);
    s.lastRound0 = now_;
  }
  // Receive thread: one datagram per pass; a pass with nothing ends after its wait.
  const uint32_t wait = z.drw.algorithm == 1 ? vornet::channel::kReceiveWaitAlgorithm1
                                             : vornet::channel::kReceiveWaitAlgorithm0;
  bool any = false;
  while (!s.inbox.empty() && s.inbox.front().deliverAt <= now_ && !z.drwStop) {
    Datagram d = std::move(s.inbox.front());
    s.inbox.pop_front();
    deliver(side, d);
    e.endPass(true, false, now_);
    any = true;
  }
  if (any) {
    s.passStart = now_;
  } else if (now_ - s.passStart >= wait) {
    e.endPass(false, false, now_);
    s.passStart = now_;
  }
}

void FakeLink::run(uint32_t ms) {
  for (uint32_t i = 0; i < ms; ++i) {
    ++now_;
    tickSide(A);
    tickSide(B);
  }
}

void FakeLink::runAlone(int side, uint32_t ms) {
  for (uint32_t i = 0; i < ms; ++i) {
    ++now_;
    tickSide(side);
  }
}

}  // namespace fakelink
