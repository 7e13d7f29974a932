#include "camera_link.h"

#include <QString>
#include <cstring>
#include <ctime>

#include "Vornet.h"
#include "device/camera_requests.h"

namespace world {
namespace {

constexpr uint32_t kClientConnectMode = KV_CONNECT_LAN | KV_CONNECT_P2P | KV_CONNECT_RELAY;
constexpr int kPanLeft = 3;  // the camera's pan/tilt command code

std::string sizeText(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

}  // namespace

const char* CameraLink::stageName() const {
  switch (stage_) {
    case Stage::Idle: return "idle";
    case Stage::Connecting: return "connecting";
    case Stage::Streaming: return "waiting for frames";
    case Stage::Switching: return "switching to HD";
    case Stage::Steering: return "waiting for the PTZ answer";
    case Stage::Done: return "done";
    case Stage::Failed: return "failed";
  }
  return "?";
}

void CameraLink::start(int64_t nowMs) {
  firstConnectMs_ = nowMs;
  statusesSeen_ = observer_.report(camera_.id).statuses.size();
  stage_ = Stage::Connecting;
  connect(nowMs);
}

void CameraLink::connect(int64_t nowMs) {
  const camera_requests::ConnectArguments a = camera_requests::connectArguments(
      QString::fromStdString(camera_.id), QString::fromStdString(camera_.key), QString::fromStdString(camera_.servers),
      QString::fromStdString(camera_.localIp), camera_requests::authTime(std::time(nullptr)));
  MSG_AUTH_REQ auth;
  std::memcpy(&auth, a.auth.constData(), sizeof auth);
  APP_setServInfo(a.deviceId.constData(), a.serverList.constData());
  APP_connect(a.deviceId.constData(), a.accessKey.constData(), a.keyLength, &auth, kClientConnectMode,
              a.lanAddress.constData());
  ++result_.connects;
  lastConnectMs_ = nowMs;
}

bool CameraLink::send(int type, const void* payload, uint32_t len) {
  return APP_send(camera_.id.c_str(), nullptr, type, const_cast<void*>(payload), len,
                  camera_requests::kRequestFrameType) >= 0;
}

void CameraLink::fail(const std::string& why) {
  if (result_.problem.empty()) result_.problem = why;
  stage_ = Stage::Failed;
}

void CameraLink::onStatus(int status, int64_t nowMs) {
  if (status == E_CONN_STATUS_ONLINE) {
    ++result_.onlines;
    if (result_.onlineMs < 0) result_.onlineMs = nowMs - firstConnectMs_;
    onlineAtMs_ = nowMs;
    const LinkReport r = observer_.report(camera_.id);
    videoBase_ = r.videoFrames;
    audioBase_ = r.audioFrames;
    result_.linkMode = r.linkMode;
    for (int kind : {1, 0}) {
      const auto request = camera_requests::avStartRequest(kind);
      if (!send(request->msgType, nullptr, 0)) return fail("the start request could not be sent");
    }
    stage_ = Stage::Streaming;
  } else if (status == E_CONN_STATUS_WRONG_TOKEN) {
    fail("the camera refused the access key the cloud handed out");
  } else if (status != E_CONN_STATUS_CONNECTING && stage_ != Stage::Connecting) {
    ++result_.losses;  // lost after it was online: the client connects again on its timer
    stage_ = Stage::Connecting;
    lastConnectMs_ = nowMs;
  }
}

void CameraLink::checkFirstQuality(const LinkReport& r, int64_t nowMs) {
  if (r.videoFrames - videoBase_ < expect_.videoFrames || r.audioFrames - audioBase_ < expect_.audioFrames) return;
  result_.streamMs = nowMs - onlineAtMs_;
  if (!r.firstVideoWasKey) return fail("the first video frame was no key frame");
  if (r.codec != expect_.codec) return fail("video codec " + std::to_string(r.codec));
  if (r.lastSize != std::make_pair(expect_.fhdWidth, expect_.fhdHeight))
    return fail("video of " + sizeText(r.lastSize.first, r.lastSize.second) + ", not " +
                sizeText(expect_.fhdWidth, expect_.fhdHeight));
  if (r.sampleRate != 8000 || r.channels != 1 || r.sampleBits != 16)
    return fail("sound announced as " + std::to_string(r.sampleRate) + " Hz, " + std::to_string(r.sampleBits) +
                " bits, " + std::to_string(r.channels) + " channels");
  const camera_requests::Request q = camera_requests::qualityRequest(1);
  qualityAnswers_ = r.messages.count(E_MSG_CHG_VIDEO_QUALITY_RESP) ? r.messages.at(E_MSG_CHG_VIDEO_QUALITY_RESP) : 0;
  if (!send(q.msgType, q.payload.constData(), uint32_t(q.payload.size())))
    return fail("the quality request could not be sent");
  qualityAtMs_ = nowMs;
  stage_ = Stage::Switching;
}

void CameraLink::step(int64_t nowMs) {
  if (stage_ == Stage::Idle || stage_ == Stage::Failed) return;
  LinkReport r = observer_.report(camera_.id);
  for (; statusesSeen_ < r.statuses.size() && stage_ != Stage::Failed; ++statusesSeen_)
    onStatus(r.statuses[statusesSeen_], nowMs);
  if (stage_ == Stage::Failed) return;
  r = observer_.report(camera_.id);
  result_.videoFrames = r.videoFrames - videoBase_;
  result_.audioFrames = r.audioFrames - audioBase_;
  auto answers = [&](uint32_t type) { return r.messages.count(type) ? r.messages.at(type) : 0; };
  switch (stage_) {
    case Stage::Connecting:
      if (nowMs - lastConnectMs_ >= kRetryMs) connect(nowMs);
      break;
    case Stage::Streaming:
      checkFirstQuality(r, nowMs);
      break;
    case Stage::Switching:
      if (answers(E_MSG_CHG_VIDEO_QUALITY_RESP) > qualityAnswers_ &&
          r.lastSize == std::make_pair(expect_.hdWidth, expect_.hdHeight) && r.framesAtLastSize >= expect_.hdFrames) {
        result_.hdMs = nowMs - qualityAtMs_;
        if (!camera_.ptz) {
          stage_ = Stage::Done;
          break;
        }
        ptzAnswers_ = answers(E_MSG_PTZ_RESP);
        const camera_requests::Request p = camera_requests::ptzRequest(kPanLeft, 0);
        if (!send(p.msgType, p.payload.constData(), uint32_t(p.payload.size())))
          return fail("the PTZ request could not be sent");
        stage_ = Stage::Steering;
      }
      break;
    case Stage::Steering:
      if (answers(E_MSG_PTZ_RESP) > ptzAnswers_) {
        result_.ptzAnswered = true;
        stage_ = Stage::Done;
      }
      break;
    default:
      break;
  }
}

void CameraLink::disconnect() {
  if (stage_ != Stage::Idle) APP_disconnect(camera_.id.c_str());
}

}  // namespace world
