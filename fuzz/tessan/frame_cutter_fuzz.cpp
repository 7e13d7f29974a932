// The device link's frame cutter on a received stream, read the way the
// receive thread reads it, once in reads as large as the buffer allows and
// once split at chosen points: both must hand the same frames to the
// client, in the same order, and agree on closing the session.
//
// Input: flags (authentication, RC4 on messages, RC4 on A/V, a small
// buffer), key length and key, split count and points, then the stream.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Tessan.h"
#include "frame_cutter.h"
#include "fuzz_bytes.h"
#include "fuzz_check.h"

using namespace tessan;

namespace {

constexpr size_t kSmallCapacity = 600;
constexpr int kMaxSplits = 24;

std::string digest(const uint8_t* p, size_t n) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return std::to_string(n) + ":" + std::to_string(h);
}

// Frames as the client would see them (resynchronisations are not compared:
// junk dropped early or late is still junk).
class RecordingSink : public FrameSink {
 public:
  bool active() override { return true; }
  void onMessage(uint16_t type, uint8_t* p, uint32_t len, char* name, int32_t ft) override {
    events.push_back("msg " + std::to_string(type) + " " + digest(p, len) + " " +
                     digest(reinterpret_cast<uint8_t*>(name), 18) + " " + std::to_string(ft));
  }
  void onAuthAnswer(int r) override { events.push_back("auth " + std::to_string(r)); }
  void onPeerStatus(int32_t s) override { events.push_back("status " + std::to_string(s)); }
  void onAv(uint8_t* f, uint32_t len, uint8_t type) override {
    events.push_back("av " + std::to_string(type) + " " + digest(f, len));
  }
  void onResync(size_t) override {}
  std::vector<std::string> events;
};

struct Outcome {
  std::vector<std::string> events;
  bool closed = false;
};

// Feeds `stream` in reads that end at the given cut points (and wherever the
// free space ends), as many times as the receive thread would poll.
// The receive buffer is kept between runs (zeroing 512 KB twice per input
// would cost more than the cutting): the cutter reads only what it holds.
Outcome feed(const std::vector<uint8_t>& stream, const std::vector<size_t>& cuts, size_t capacity,
             const CutKeys& keys) {
  static std::vector<uint8_t> large(MAX_AV_BUF);
  static std::vector<uint8_t> small(kSmallCapacity);
  std::vector<uint8_t>& buf = capacity == small.size() ? small : large;  // exact size: reads past it are caught
  int held = 0;
  size_t at = 0;
  size_t nextCut = 0;
  Rc4State rx{};
  RecordingSink sink;
  Outcome out;
  const StreamReader read = [&](uint8_t* dst, int* len) {
    if (at == stream.size()) return -3;
    while (nextCut < cuts.size() && cuts[nextCut] <= at) ++nextCut;
    const size_t end = nextCut < cuts.size() ? cuts[nextCut] : stream.size();
    const size_t n = std::min(size_t(*len), end - at);
    std::memcpy(dst, stream.data() + at, n);
    at += n;
    *len = int(n);
    return 0;
  };
  for (int polls = 0; polls < 100000; ++polls) {
    const int waiting = int(stream.size() - at);
    const ParseOutcome o = parseInto(buf.data(), held, int(capacity), waiting, read, keys, rx, sink);
    FUZZ_CHECK(held >= 0 && size_t(held) <= capacity);
    if (o.closeSession) {
      out.closed = true;
      break;
    }
    if (at == stream.size() && !o.progress) break;
    FUZZ_CHECK(o.progress || o.bufferFull);
    if (o.bufferFull && !o.progress) break;  // stays full: the session makes no more progress
  }
  out.events = std::move(sink.events);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsupport::FuzzBytes in(data, size);
  const uint8_t flags = in.byte();
  CutKeys keys;
  keys.authFlag = flags & 1;
  keys.decMsg = flags & 2;
  keys.decAV = flags & 4;
  const size_t capacity = (flags & 8) ? kSmallCapacity : size_t(MAX_AV_BUF);
  const int keyLen = in.byte();  // 0: no key; the session's key holds at most 256 bytes
  const std::vector<uint8_t> key = in.take(size_t(keyLen));
  keys.key = key.empty() ? nullptr : key.data();
  keys.keyLen = int(key.size());
  std::vector<size_t> cuts;
  const int splits = in.byte() % (kMaxSplits + 1);
  for (int i = 0; i < splits; ++i) cuts.push_back(in.u16());
  const std::vector<uint8_t> stream = in.rest();
  std::sort(cuts.begin(), cuts.end());

  const Outcome whole = feed(stream, {}, capacity, keys);
  const Outcome split = feed(stream, cuts, capacity, keys);
  FUZZ_CHECK(whole.closed == split.closed);
  FUZZ_CHECK(whole.events == split.events);
  return 0;
}
