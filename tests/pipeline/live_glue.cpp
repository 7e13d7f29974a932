#include "live_glue.h"

#include <QDateTime>

#include <cstring>
#include <map>
#include <mutex>

#include "Tessan.h"
#include "device/camera_requests.h"

namespace livetest {
namespace {

// Device id -> camera. The callbacks hold the lock while they use a camera,
// so a camera that has unregistered is never reached again.
std::mutex registryMutex;
std::map<std::string, LiveCamera*>& registry() {
  static std::map<std::string, LiveCamera*> r;
  return r;
}

int onMessage(const HCHAR* sn, HUINT32 type, HCHAR* data, HUINT32 length, HCHAR*, HINT32, void*) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto it = registry().find(sn ? sn : "");
  if (it != registry().end()) it->second->message(type, data, length);
  return 0;
}

int onFrame(const HCHAR* sn, HCHAR* frame, HUINT32 length, void*, HUCHAR) {
  std::lock_guard<std::mutex> lock(registryMutex);
  auto it = registry().find(sn ? sn : "");
  if (it != registry().end()) it->second->frame(frame, length);
  return 0;
}

uint16_t le16(const char* p) { return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8); }

}  // namespace

void initDeviceLink(bool decipherAv) {
  static APP_INIT_PARAM p{};
  p.nEncAV = decipherAv ? 1 : 0;
  p.pfnRecvMsg = onMessage;
  p.pfnRecvAV = onFrame;
  APP_init(&p);  // a second call while initialised changes nothing
}

LiveCamera::LiveCamera(const std::string& deviceId, PlayMode mode, VideoRenderTarget* target)
    : media(QString::fromStdString(deviceId), QString::fromStdString(deviceId), this),
      id_(deviceId),
      mode_(mode),
      target_(target) {
  std::lock_guard<std::mutex> lock(registryMutex);
  registry()[id_] = this;
}

LiveCamera::~LiveCamera() {
  {
    std::lock_guard<std::mutex> lock(registryMutex);
    registry().erase(id_);
  }
  APP_disconnect(id_.c_str());  // reports status 6 on this thread: unregistered already
  media.shutdown();
}

int LiveCamera::connect(const std::string& accessKey, const std::string& lanAddress) {
  const quint32 t = camera_requests::authTime(QDateTime::currentSecsSinceEpoch());
  const QByteArray auth = camera_requests::authBlock(QString::fromStdString(accessKey), t);
  MSG_AUTH_REQ block{};
  std::memcpy(&block, auth.constData(), sizeof block);
  APP_setServInfo(id_.c_str(), "");
  return APP_connect(id_.c_str(), accessKey.data(), int(accessKey.size()), &block, 1u /* LAN */,
                     lanAddress.c_str());
}

void LiveCamera::message(unsigned type, const char* data, unsigned length) {
  if (type == E_MSG_DEV_PARAM_SET && length >= 16) {
    media.set_avideoParam(le16(data), le16(data + 2), le16(data + 4), le16(data + 6), le16(data + 8),
                          le16(data + 10), le16(data + 12), uint8_t(data[14]), uint8_t(data[15]));
    return;
  }
  if (type != E_MSG_CONN_STATUS || length < 4) return;
  int32_t s = 0;
  std::memcpy(&s, data, sizeof s);
  status.store(s);
  if (s != E_CONN_STATUS_ONLINE) return;
  guiCalls_.post([this] {
    if (mode_ == PlayMode::Single)
      media.avideo_start_play();
    else
      media.video_start_play();
  });
}

void LiveCamera::frame(const char* data, unsigned length) {
  AvFrame f;
  if (!readAvFrame(data, length, &f)) return;
  if (onFrame) onFrame(f);
  media.avFrame(f, mode_);
}

void LiveCamera::videoTimerStart(int ms) {
  guiCalls_.post([this, ms] { media.videoTimer_start_play(ms, target_); });
}

void LiveCamera::sendStreamRequest(StreamRequest request) {
  std::optional<camera_requests::Request> r;
  switch (request) {
    case StreamRequest::VideoStart: r = camera_requests::avStartRequest(1); break;
    case StreamRequest::AudioStart: r = camera_requests::avStartRequest(0); break;
    case StreamRequest::VideoStop: r = camera_requests::avStopRequest(1); break;
    case StreamRequest::AudioStop: r = camera_requests::avStopRequest(0); break;
  }
  if (!r) return;
  APP_send(id_.c_str(), nullptr, r->msgType, r->payload.isEmpty() ? nullptr : r->payload.data(),
           uint32_t(r->payload.size()), camera_requests::kRequestFrameType);
}

}  // namespace livetest
