// Collects the datagrams one step of the engine sends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "datagram.h"

namespace rendezvous {

class Outbox {
 public:
  void send(int endpoint, const sockaddr_in& to, const uint8_t* bytes, size_t len) {
    Datagram d;
    d.endpoint = endpoint;
    d.peer = to;
    d.bytes.assign(bytes, bytes + len);
    out_.push_back(std::move(d));
  }
  void send(Datagram d) { out_.push_back(std::move(d)); }
  std::vector<Datagram> take() { return std::move(out_); }

 private:
  std::vector<Datagram> out_;
};

}  // namespace rendezvous
