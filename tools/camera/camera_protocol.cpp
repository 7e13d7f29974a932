#include "camera_protocol.h"

#include <algorithm>
#include <cstring>

#include "camera_crypto.h"

namespace camera {
namespace {

constexpr size_t kHead = 48;
constexpr uint32_t kMaxRequest = 64 * 1024;  // client requests are small
constexpr uint64_t kAudioFrameMs = 128;      // 1,024 samples at 8 kHz
constexpr uint64_t kMaxLagMs = 1000;         // beyond this the stream skips ahead

void put(uint8_t* p, uint64_t v, int width) {
  for (int i = 0; i < width; ++i) p[i] = uint8_t(v >> (8 * i));
}
uint32_t get32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

Bytes avHeader(uint16_t codec, uint16_t w, uint16_t h, size_t len, uint64_t ts, uint8_t flag, uint8_t fps) {
  Bytes f(kHead, 0);
  std::memcpy(f.data(), "HH02", 4);
  f[4] = 127;
  put(&f[6], codec, 2);
  put(&f[8], w, 2);
  put(&f[10], h, 2);
  put(&f[12], len, 4);
  put(&f[16], ts, 8);
  f[24] = flag;
  f[25] = fps;
  return f;
}

}  // namespace

CameraProtocol::CameraProtocol(const ProtocolConfig& config, const MediaClips& clips) : cfg_(config), clips_(clips) {}

Bytes CameraProtocol::takeOutput() {
  Bytes b;
  b.swap(out_);
  return b;
}

std::vector<std::string> CameraProtocol::takeEvents() {
  std::vector<std::string> e;
  e.swap(events_);
  return e;
}

void CameraProtocol::receive(const uint8_t* data, size_t len) {
  in_.insert(in_.end(), data, data + len);
  size_t pos = 0;
  while (in_.size() - pos >= kHead) {
    const uint8_t* f = in_.data() + pos;
    if (std::memcmp(f, "HH01", 4) != 0) {
      ++pos;  // not a message start: look further
      continue;
    }
    const uint32_t len32 = get32(f + 8);
    if (len32 > kMaxRequest) {
      events_.push_back("bad request length " + std::to_string(len32));
      pos += kHead;
      continue;
    }
    if (in_.size() - pos < kHead + len32) break;
    const uint16_t type = uint16_t(f[6] | f[7] << 8);
    Bytes payload(f + kHead, f + kHead + len32);
    pos += kHead + len32;
    handleMessage(type, std::move(payload));
  }
  in_.erase(in_.begin(), in_.begin() + long(pos));
}

void CameraProtocol::handleMessage(uint16_t type, Bytes payload) {
  if (cfg_.encMsg && keySet()) rc4(cfg_.key, payload.data(), payload.size());
  if (type == 150) {
    checkToken(payload);
    return;
  }
  if (auth_ == Auth::Refused) {
    events_.push_back("ignored " + std::to_string(type) + " after refusal");
    return;
  }
  switch (type) {
    case 256:
      startStream(257, videoOn_, videoStart_, videoIndex_);
      videoPos_ = 0;  // a play starts with a key frame
      events_.push_back("video start");
      break;
    case 258:
      videoOn_ = false;
      events_.push_back("video stop");
      break;
    case 260:
      startStream(261, audioOn_, audioStart_, audioIndex_);
      events_.push_back("audio start");
      break;
    case 262:
      audioOn_ = false;
      events_.push_back("audio stop");
      break;
    case 270: {
      const int q = payload.empty() ? 0 : payload[0];
      const bool known = q == 1 || q == 5;
      if (known) pendingQuality_ = q;
      sendMessage(271, Bytes{uint8_t(q), uint8_t(known ? 0 : 1), 0, 0});
      events_.push_back("quality " + std::to_string(q));
      break;
    }
    case 272: {
      const int cmd = payload.empty() ? -1 : payload[0];
      const int arg = payload.size() > 1 ? payload[1] : -1;
      sendMessage(273, payload);
      events_.push_back("ptz " + std::to_string(cmd) + " " + std::to_string(arg));
      break;
    }
    default:
      events_.push_back("unknown request " + std::to_string(type));
  }
}

void CameraProtocol::startStream(uint16_t answer, bool& on, uint64_t& start, uint64_t& index) {
  sendParamsOnce();  // the parameters always come before the first frame
  sendMessage(answer, Bytes(4, 0));
  on = true;
  start = now_;
  index = 0;
}

void CameraProtocol::checkToken(const Bytes& p) {
  bool valid = p.size() >= 32;
  uint32_t t = 0;
  if (valid) {
    t = get32(&p[16]);
    const std::string text = std::to_string(t) + ":" + std::to_string(t) + ":" + cfg_.key;
    valid = md5Raw(text) == Bytes(p.begin(), p.begin() + 16) && get32(&p[20]) == t;
  }
  if (cfg_.auth == AuthAnswer::Never) {
    events_.push_back(std::string("auth unanswered ") + (valid ? "valid" : "invalid"));
    return;
  }
  const bool accept = valid && cfg_.auth == AuthAnswer::Check;
  auth_ = accept ? Auth::Accepted : Auth::Refused;
  sendMessage(151, Bytes{uint8_t(accept ? 0 : 1)});
  events_.push_back(accept ? "auth accepted" : valid ? "auth refused" : "auth invalid");
  if (accept) sendParamsOnce();
  if (accept && cfg_.status3AfterVideo == 0) {
    sendMessage(153, Bytes{3, 0, 0, 0});
    events_.push_back("status 3");
  }
}

void CameraProtocol::sendMessage(uint16_t type, const Bytes& payload) {
  Bytes f(kHead, 0);
  std::memcpy(f.data(), "HH01", 4);
  f[4] = cfg_.encMsg;
  f[5] = cfg_.encAV;
  put(&f[6], type, 2);
  put(&f[8], payload.size(), 4);
  f[30] = 127;
  f.insert(f.end(), payload.begin(), payload.end());
  if (cfg_.encMsg && keySet() && type != 153) rc4(cfg_.key, f.data() + kHead, payload.size());
  out_.insert(out_.end(), f.begin(), f.end());
}

void CameraProtocol::sendParamsOnce() {
  if (paramsSent_) return;
  paramsSent_ = true;
  Bytes p(16, 0);
  for (int i = 0; i < 6; ++i) put(&p[size_t(2 * i)], cfg_.videoValues[i], 2);
  put(&p[12], cfg_.sampleRate, 2);
  p[14] = cfg_.sampleBits;
  p[15] = cfg_.channels;
  sendMessage(149, p);
  events_.push_back("params sent");
}

void CameraProtocol::sendAv(Bytes frame, bool video) {
  sent_.push_back(SentFrame{video, uint32_t(frame.size()), md5Hex(frame.data(), frame.size())});
  if (cfg_.encAV && keySet()) rc4(cfg_.key, frame.data() + kHead, std::min<size_t>(frame.size() - kHead, 2048));
  out_.insert(out_.end(), frame.begin(), frame.end());
}

void CameraProtocol::sendVideo(uint64_t ts) {
  if (videoPos_ >= clip().units.size()) videoPos_ = 0;  // the clip loops from its key frame
  if (pendingQuality_ != quality_ && clip().units[videoPos_].key) {
    quality_ = pendingQuality_;  // switch at a key frame
    videoPos_ = 0;
    events_.push_back("resolution " + std::to_string(clip().width) + "x" + std::to_string(clip().height));
  }
  const VideoUnit& u = clip().units[videoPos_++];
  Bytes f = avHeader(clip().codec, clip().width, clip().height, u.data.size(), ts + cfg_.stampOffsetMs, u.key ? 0 : 1,
                     uint8_t(cfg_.fps));
  f.insert(f.end(), u.data.begin(), u.data.end());
  sendAv(std::move(f), true);
  ++videoCount_;
  afterVideoFrame();
}

void CameraProtocol::afterVideoFrame() {
  if (videoCount_ == cfg_.status3AfterVideo) {
    sendMessage(153, Bytes{3, 0, 0, 0});
    events_.push_back("status 3");
  }
  if (videoCount_ == cfg_.oversizedAfterVideo) {
    // A header whose length no receive buffer holds, then nothing of it.
    const Bytes h = avHeader(clip().codec, clip().width, clip().height, 0x00100000, now_ + cfg_.stampOffsetMs, 1,
                             uint8_t(cfg_.fps));
    out_.insert(out_.end(), h.begin(), h.end());
    events_.push_back("oversized sent");
  }
  if (videoCount_ == cfg_.dropAfterVideo) {
    dropRequested_ = true;
    events_.push_back("drop link");
  }
}

void CameraProtocol::sendAudio(uint64_t ts) {
  if (clips_.audio.empty()) return;
  if (audioPos_ >= clips_.audio.size()) audioPos_ = 0;
  const Bytes& a = clips_.audio[audioPos_++];
  Bytes f = avHeader(259, 0, 0, a.size(), ts + cfg_.stampOffsetMs, 0, uint8_t(cfg_.fps));
  f.insert(f.end(), a.begin(), a.end());
  sendAv(std::move(f), false);
}

void CameraProtocol::tick(uint64_t nowMs) {
  now_ = nowMs;
  if (dropRequested_) return;
  const uint64_t fps = uint64_t(std::max(cfg_.fps, 1));
  if (videoOn_ && !clip().units.empty()) {
    if (nowMs > videoStart_ + videoIndex_ * 1000 / fps + kMaxLagMs) {  // fell behind: skip ahead
      videoStart_ = nowMs;
      videoIndex_ = 0;
    }
    while (videoOn_ && !dropRequested_ && videoStart_ + videoIndex_ * 1000 / fps <= nowMs) {
      sendVideo(videoStart_ + videoIndex_ * 1000 / fps);
      ++videoIndex_;
    }
  }
  if (audioOn_) {
    if (nowMs > audioStart_ + audioIndex_ * kAudioFrameMs + kMaxLagMs) {
      audioStart_ = nowMs;
      audioIndex_ = 0;
    }
    while (audioOn_ && !dropRequested_ && audioStart_ + audioIndex_ * kAudioFrameMs <= nowMs) {
      sendAudio(audioStart_ + audioIndex_ * kAudioFrameMs);
      ++audioIndex_;
    }
  }
}

}  // namespace camera
