#include "link_observer.h"

#include <chrono>
#include <cstring>

namespace world {
namespace {

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

}  // namespace

APP_INIT_PARAM LinkObserver::initParam() {
  APP_INIT_PARAM p{};
  p.pfnRecvMsg = &LinkObserver::onMessage;
  p.pMsgCtx = this;
  p.pfnRecvAV = &LinkObserver::onAv;
  p.pAVCtx = this;
  return p;
}

LinkReport LinkObserver::report(const std::string& id) {
  std::lock_guard<std::mutex> l(m_);
  return reports_[id];
}

void LinkObserver::waitForNews(int timeoutMs) {
  std::unique_lock<std::mutex> l(m_);
  const uint64_t seen = news_;
  cv_.wait_for(l, std::chrono::milliseconds(timeoutMs), [&] { return news_ != seen; });
}

int LinkObserver::onMessage(const HCHAR* sn, HUINT32 type, HCHAR* data, HUINT32 len, HCHAR*, HINT32, void* ctx) {
  auto* self = static_cast<LinkObserver*>(ctx);
  if (!sn) return 0;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(data);
  std::lock_guard<std::mutex> l(self->m_);
  LinkReport& r = self->reports_[sn];
  if (type == E_MSG_CONN_STATUS && p && len >= sizeof(MSG_CONN_STATUS)) {
    MSG_CONN_STATUS st;
    std::memcpy(&st, p, sizeof st);
    r.statuses.push_back(st.nStatus);
    r.linkMode = st.nLinkMode;
    if (st.nStatus == E_CONN_STATUS_ONLINE) self->awaitingFirstVideo_[sn] = true;
  } else if (type != E_MSG_CONN_STATUS) {
    ++r.messages[type];
    if (type == E_MSG_DEV_PARAM_SET && p && len >= 16) {
      r.sampleRate = le16(p + 12);
      r.sampleBits = p[14];
      r.channels = p[15];
    }
  }
  ++self->news_;
  self->cv_.notify_all();
  return 0;
}

int LinkObserver::onAv(const HCHAR* sn, HCHAR* frame, HUINT32 len, void* ctx, HUCHAR) {
  auto* self = static_cast<LinkObserver*>(ctx);
  if (!sn || !frame || len < sizeof(AV_HEAD)) return 0;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(frame);
  const uint16_t codec = le16(p + 6);
  std::lock_guard<std::mutex> l(self->m_);
  LinkReport& r = self->reports_[sn];
  if (codec == E_CODECID_AUDIO_AAC) {
    ++r.audioFrames;
  } else if (codec == E_CODECID_VIDEO_H264 || codec == E_CODECID_VIDEO_H265) {
    const bool key = p[24] == E_VIDEO_FRAME_FLAG_I;
    const std::pair<int, int> size{le16(p + 8), le16(p + 10)};
    ++r.videoFrames;
    r.keyFrames += key;
    r.codec = codec;
    r.framesAtLastSize = size == r.lastSize ? r.framesAtLastSize + 1 : 1;
    r.lastSize = size;
    bool& awaiting = self->awaitingFirstVideo_[sn];
    if (awaiting) r.firstVideoWasKey = key;
    awaiting = false;
  }
  ++self->news_;
  self->cv_.notify_all();
  return 0;
}

}  // namespace world
