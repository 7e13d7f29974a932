// The protocol thread's edge cases, with the server and the peer played
// by hand: id matching, the port burst, RLY_READY from another live
// session's remote, a late P2P_REQ_ACK.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <map>
#include <memory>
#include <thread>

#include "Vornet.h"
#include "core/library_state.h"
#include "datagram.h"
#include "raw_peer.h"
#include "session_world.h"
#include "wire/zorp_wire.h"

namespace world_test {
namespace {

namespace w = vornet::wire;
using rendezvous::make_address;

struct Timed {
  int result;
  long long ms;
};

class ProtocolThread : public HandPlayedServerWorld {
 protected:
  void TearDown() override {
    KV_ListenBreak();
    for (auto& c : calls) c.wait_for(std::chrono::seconds(5));
    SessionWorld::TearDown();
  }

  // Starts KV_Listen for `id` (no detection) and returns the session
  // socket's address, learnt from its HELLO to the hand-played server.
  sockaddr_in listen(const std::string& id, uint32_t seconds = 10) {
    EXPECT_EQ(KV_SetServInfo(id.c_str(), "127.0.0.1"), 0);
    calls.push_back(std::async(std::launch::async, [id, seconds] {
      const Stopwatch sw;
      const int r = KV_Listen(id.c_str(), 0, seconds | KV_LISTEN_NO_DETECT);
      return Timed{r, sw.ms()};
    }));
    RawDatagram hello;
    EXPECT_TRUE(server->receiveType(w::ZORP_MSG_HELLO, &hello, 60000)) << "no HELLO from the listen";
    return hello.from;
  }

  // Sends a peer message (PUNCH, PUNCH_ACK, LAN_PUNCH, RLY_READY) from `peer`.
  static void peerMessage(RawPeer& peer, const sockaddr_in& to, uint8_t type, const char* id, uint8_t flag = 1) {
    uint8_t buf[w::kSmallDatagram];
    peer.send(to, buf, w::build_peer(buf, type, "vek", 0, id, flag));
  }

  // The session whose socket sent from `at` (its HELLO, its request).
  // Under the main mutex.
  static const vornet::ZORP_Session* sessionAt(const sockaddr_in& at) {
    for (const vornet::ZORP_Session& s : vornet::lib().sessions) {
      const int fd = s.ioSocket.load();
      sockaddr_in bound{};
      socklen_t len = sizeof bound;
      if (fd >= 0 && getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len) == 0 && bound.sin_port == at.sin_port)
        return &s;
    }
    return nullptr;
  }

  // Waits (bounded) until the session that sent from `at` shows the effect
  // of a message: `done` holds for it.
  static bool awaitSession(const sockaddr_in& at, const std::function<bool(const vornet::ZORP_Session&)>& done) {
    for (const Stopwatch sw; sw.ms() < 60000; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
      std::lock_guard<std::recursive_mutex> lock(vornet::mainMutex());
      const vornet::ZORP_Session* s = sessionAt(at);
      if (s != nullptr && done(*s)) return true;
    }
    return false;
  }

  static bool ready(std::future<Timed>& f, int ms) {
    return f.wait_for(std::chrono::milliseconds(ms)) == std::future_status::ready;
  }

  // The record of the session that call `i` linked (its link is due: a
  // busy machine may take a while to get there).
  KV_SessionInfo linkedBy(size_t i) {
    KV_SessionInfo info{};
    EXPECT_TRUE(ready(calls.at(i), 60000)) << "call " << i << " did not link";
    if (!ready(calls.at(i), 0)) return info;
    const int h = calls[i].get().result;
    EXPECT_GE(h, 0);
    EXPECT_EQ(KV_CheckSessionInfo(h, &info), 0);
    return info;
  }

  std::vector<std::future<Timed>> calls;
};

TEST_F(ProtocolThread, PunchWithTheIdInAnotherCaseIsIgnored) {
  const sockaddr_in session = listen("CamCase1");
  RawPeer peer("127.0.0.5", 0);
  ASSERT_TRUE(peer.ok());
  peerMessage(peer, session, w::ZORP_MSG_PUNCH, "camcase1");
  RawDatagram d;
  EXPECT_FALSE(peer.receiveType(w::ZORP_MSG_PUNCH_ACK, &d, 300)) << "answered a PUNCH for another id";
  EXPECT_FALSE(ready(calls[0], 0));

  peerMessage(peer, session, w::ZORP_MSG_PUNCH, "CamCase1");
  // The listener confirms with four PUNCH_ACKs, 10 ms apart, and then links.
  // The data threads it starts send none before a keep-alive went
  // unanswered (a second at least), so a fifth in the next 300 ms is a fault.
  for (int i = 0; i < 4; ++i) {
    RawDatagram got;
    ASSERT_TRUE(peer.receiveType(w::ZORP_MSG_PUNCH_ACK, &got, 60000)) << "PUNCH_ACK " << i + 1 << " missing";
    EXPECT_EQ(w::read_peer(got.body.data(), got.body.size()).flag, 1);
  }
  int more = 0;
  for (const auto& got : peer.drain(300)) more += got.type == w::ZORP_MSG_PUNCH_ACK;
  EXPECT_EQ(more, 0) << "more than four PUNCH_ACKs";
  const KV_SessionInfo info = linkedBy(0);
  calls.clear();
  EXPECT_EQ(info.role, 1);
  EXPECT_EQ(info.linkMode, 0);
  EXPECT_EQ(text_of(&info.remote), rendezvous::address_text(peer.address()));
}

struct BurstCase {
  const char* name;
  uint16_t peerPort;
  bool sameNat;             // the peer is on the session's own public address
  std::vector<uint16_t> watched;
  std::map<uint16_t, int> expected;  // punches per watched port (others 0)
};

TEST_F(ProtocolThread, PortBurstCoversThePortsAroundThePeers) {
  const BurstCase cases[] = {
      {"low edge", 2, false, {1, 2, 3, 4, 5, 6}, {{1, 3}, {2, 4}, {3, 3}, {4, 3}, {5, 3}}},
      {"high edge", 65534, false, {65530, 65531, 65532, 65533, 65534, 65535},
       {{65531, 3}, {65532, 3}, {65533, 3}, {65534, 4}, {65535, 3}}},
      {"same NAT", 40000, true, {39996, 39997, 39999, 40000, 40001, 40003}, {{40000, 4}}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string id = "BURST" + std::to_string(n++);
    const sockaddr_in session = listen(id);
    // The session's public address: 127.0.0.5 when the peer is behind the same NAT.
    uint8_t buf[w::kSmallDatagram];
    const sockaddr_in publicAddr = make_address(c.sameNat ? "127.0.0.5" : "127.0.0.1", 20000);
    server->send(session, buf, w::build_hello_ack(buf, publicAddr));
    std::vector<std::unique_ptr<RawPeer>> ports;
    for (uint16_t p : c.watched) {
      ports.push_back(std::make_unique<RawPeer>("127.0.0.5", p));
      ASSERT_TRUE(ports.back()->ok()) << "cannot bind port " << p;
    }
    // The HELLO_ACK is handled first: the session holds its public address.
    ASSERT_TRUE(awaitSession(session, [&](const vornet::ZORP_Session& s) {
      return s.publicAddr.sin_addr.s_addr == publicAddr.sin_addr.s_addr && s.publicAddr.sin_port == publicAddr.sin_port;
    })) << "the HELLO_ACK was not handled";
    server->send(session, buf, w::build_punch_to(buf, make_address("127.0.0.5", c.peerPort)));
    // The burst's punches are waited for however late a busy machine sends
    // them; a port then gets no more than its share, and an unwatched
    // neighbour none, in the 300 ms after the burst arrived.
    for (size_t i = 0; i < c.watched.size(); ++i) {
      const auto want = c.expected.find(c.watched[i]);
      if (want == c.expected.end()) continue;
      EXPECT_TRUE(ports[i]->awaitCount(w::ZORP_MSG_PUNCH, want->second, 60000))
          << "port " << c.watched[i] << " got fewer than " << want->second << " punches";
    }
    for (size_t i = 0; i < c.watched.size(); ++i) {
      int more = 0;
      for (const auto& got : ports[i]->drain(i == 0 ? 300 : 20))
        if (got.type == w::ZORP_MSG_PUNCH) ++more;
      EXPECT_EQ(more, 0) << "port " << c.watched[i] << " got more punches than its share";
    }
    KV_ListenBreak();
    ASSERT_TRUE(ready(calls.back(), 60000));
    EXPECT_EQ(calls.back().get().result, KV_ERR_LISTEN_BROKEN);
    calls.clear();
  }
}

TEST_F(ProtocolThread, RelayReadyFromAnotherLiveSessionsRemoteIsIgnored) {
  RawPeer first("127.0.0.6", 0);
  RawPeer relay("127.0.0.7", 0);
  ASSERT_TRUE(first.ok() && relay.ok());
  const sockaddr_in a = listen("CAMA");
  peerMessage(first, a, w::ZORP_MSG_PUNCH, "CAMA");
  const KV_SessionInfo infoA = linkedBy(0);
  EXPECT_EQ(text_of(&infoA.remote), rendezvous::address_text(first.address()));

  const sockaddr_in b = listen("CAMB");
  peerMessage(first, b, w::ZORP_MSG_RLY_READY, "CAMB");
  EXPECT_FALSE(ready(calls[1], 300)) << "linked to an address another session already uses";
  peerMessage(relay, b, w::ZORP_MSG_RLY_READY, "CAMB", 0);
  const KV_SessionInfo info = linkedBy(1);
  calls.clear();
  EXPECT_EQ(info.linkMode, 1);
  EXPECT_EQ(text_of(&info.remote), rendezvous::address_text(relay.address()));
}

TEST_F(ProtocolThread, LateP2PRequestAnswerIsIgnored) {
  ASSERT_EQ(KV_SetServInfo("CAMLATE", "127.0.0.1"), 0);
  auto run = std::async(std::launch::async, [] {
    return KV_Connect("CAMLATE", 0, 15, KV_CONNECT_P2P | KV_CONNECT_ALT_LOOP, nullptr);
  });
  RawDatagram req;
  ASSERT_TRUE(server->receiveType(w::ZORP_MSG_P2P_REQ, &req, 60000));
  const w::P2PReqBody body = w::read_p2p_req(req.body.data(), req.body.size());
  EXPECT_EQ(body.loopFlag, 1) << "the alternative loop marks its requests";
  uint8_t buf[w::kSmallDatagram];
  server->send(req.from, buf, w::build_result(buf, w::ZORP_MSG_P2P_REQ_ACK, 0));
  ASSERT_TRUE(awaitSession(req.from, [](const vornet::ZORP_Session& s) { return s.connectState.load() == 0; }))
      << "the first answer was not taken";
  server->send(req.from, buf, w::build_result(buf, w::ZORP_MSG_P2P_REQ_ACK, -1));
  EXPECT_EQ(run.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout)
      << "the late -1 ended the connect";
  RawPeer peer("127.0.0.5", 0);
  ASSERT_TRUE(peer.ok());
  peerMessage(peer, req.from, w::ZORP_MSG_PUNCH_ACK, "CAMLATE");
  ASSERT_EQ(run.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  const int h = run.get();
  ASSERT_GE(h, 0);
  KV_SessionInfo info{};
  ASSERT_EQ(KV_CheckSessionInfo(h, &info), 0);
  EXPECT_EQ(text_of(&info.remote), rendezvous::address_text(peer.address()));
}

}  // namespace
}  // namespace world_test
