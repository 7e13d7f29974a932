#include "frame_cutter.h"

#include <algorithm>
#include <cstring>

#include "Tessan.h"
#include "frame_format.h"

namespace tessan {
namespace {

constexpr size_t kPrefix = 4;

// Distance from `pos` to the next "HH0" after it, 0 when none. When none,
// *keep is the length of a trailing "H" / "HH" that may start a header.
size_t findNextHead(const uint8_t* buf, size_t pos, size_t held, size_t* keep) {
  *keep = 0;
  for (size_t q = pos + 1; q + 3 <= held; ++q)
    if (buf[q] == 'H' && buf[q + 1] == 'H' && buf[q + 2] == '0') return q - pos;
  if (held >= pos + 3 && buf[held - 2] == 'H' && buf[held - 1] == 'H')
    *keep = 2;
  else if (held >= pos + 2 && buf[held - 1] == 'H')
    *keep = 1;
  return 0;
}

void decipher(const CutKeys& keys, Rc4State& rx, uint8_t* data, size_t len) {
  if (len) rc4Fresh(rx, keys.key, size_t(keys.keyLen), data, len);
}

// Drops junk at `pos`; returns the new position.
size_t resync(const uint8_t* buf, size_t pos, size_t held, FrameSink& sink) {
  size_t keep = 0;
  const size_t found = findNextHead(buf, pos, held, &keep);
  sink.onResync(found);
  return found ? pos + found : held - keep;
}

}  // namespace

CutResult cutFrames(uint8_t* buf, size_t held, size_t capacity, const CutKeys& keys, Rc4State& rx,
                    FrameSink& sink) {
  CutResult r;
  size_t pos = 0;
  while (held - pos >= kHead && sink.active()) {
    uint8_t* f = buf + pos;
    const uint32_t magic = loadLe32(f);
    const bool isMsg = magic == TESSAN_MAGIC_MSG;
    const bool isAv = magic == TESSAN_MAGIC_AV || magic == TESSAN_MAGIC_AV3;
    if (isMsg || isAv) {
      const uint64_t len = isMsg || magic == TESSAN_MAGIC_AV3 ? loadLe32(f + 8) : loadLe32(f + 12);
      const uint64_t total = kHead + len;
      if (total > capacity) {
        if (!keys.authFlag) {
          r.closeSession = true;
          break;
        }
        pos = resync(buf, pos, held, sink);
        continue;
      }
      if (total > held - pos) break;  // wait for the rest
      uint8_t* payload = f + kHead;
      if (isMsg) {
        const uint16_t type = loadLe16(f + 6);
        if (keys.decMsg && keys.keySet() && type != E_MSG_CONN_STATUS) decipher(keys, rx, payload, len);
        if (type == E_MSG_AUTH_RESP) {
          sink.onAuthAnswer(len ? payload[0] : -1);
        } else if (type == E_MSG_CONN_STATUS) {
          if (len >= 4) sink.onPeerStatus(int32_t(loadLe32(payload)));
        } else {
          sink.onMessage(type, payload, uint32_t(len), reinterpret_cast<char*>(f + 12), int32_t(f[30]));
        }
      } else {
        if (keys.decAV && keys.keySet()) decipher(keys, rx, payload, std::min<uint64_t>(len, kCipherSpan));
        sink.onAv(f, uint32_t(total), E_FRAME_TYPE_HH);
      }
      pos += total;
    } else if (keys.authFlag) {
      pos = resync(buf, pos, held, sink);
    } else {
      const uint64_t len = magic & 0x00FFFFFFu;
      const uint64_t total = kPrefix + len;
      if (total > capacity) {
        r.closeSession = true;
        break;
      }
      if (total > held - pos) break;
      sink.onAv(f + kPrefix, uint32_t(len), uint8_t(magic >> 24));
      pos += total;
    }
  }
  r.consumed = pos;
  return r;
}

ParseOutcome parseInto(uint8_t* buf, int& held, int capacity, int wanted, const StreamReader& read,
                       const CutKeys& keys, Rc4State& rx, FrameSink& sink) {
  ParseOutcome out;
  const int space = capacity - held;
  if (space <= 0) {
    out.bufferFull = true;
  } else {
    int len = std::min(space, std::max(wanted, 0));
    if (len > 0 && read(buf + held, &len) == 0 && len > 0) {
      held += std::min(len, space);
      out.progress = true;
    }
  }
  if (held < int(kPrefix)) return out;
  const CutResult cut = cutFrames(buf, size_t(held), size_t(capacity), keys, rx, sink);
  out.closeSession = cut.closeSession;
  if (cut.consumed) {
    out.progress = true;
    std::memmove(buf, buf + cut.consumed, size_t(held) - cut.consumed);
    held -= int(cut.consumed);
  }
  return out;
}

}  // namespace tessan
