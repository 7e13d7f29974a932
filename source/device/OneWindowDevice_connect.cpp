// oneWindowDevice: the device-link connection (retry timer, the connect
// runner's turns from the camera's cloud records, APP_disconnect), the
// requests sent to the camera, and the PTZ capability.
#include <QDateTime>
#include <QDebug>

#include <cstring>

#include "device/camera_records.h"
#include "device/camera_requests.h"
#include "device/connect_runner.h"
#include "device/OneWindowDevice.h"
#include "event/shell.h"
#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"

namespace {

// Connect flags: LAN search, hole punching and relay.
constexpr uint32_t kConnectMode = 7;
constexpr int kConnectTimerMs = 5000;

// One connect of the runner's thread: the authentication block is made
// with the time of the call.
int connectCamera(const ConnectRunner::Inputs& in) {
  const camera_requests::ConnectArguments args = camera_requests::connectArguments(
      in.deviceId, in.accessKey, in.servers, in.localIp,
      camera_requests::authTime(QDateTime::currentSecsSinceEpoch()));
  MSG_AUTH_REQ auth{};
  std::memcpy(&auth, args.auth.constData(), sizeof auth);
  APP_setServInfo(args.deviceId.constData(), args.serverList.constData());
  return APP_connect(args.deviceId.constData(), args.accessKey.constData(), args.keyLength, &auth,
                     kConnectMode, args.lanAddress.constData());
}

}  // namespace

ConnectRunner& oneWindowDevice::connects() {
  static ConnectRunner runner(&connectCamera);
  return runner;
}

ConnectTurns::Rank oneWindowDevice::connectRank() const {
  if (playWaiting()) return ConnectTurns::Rank::Now;
  return connectFailed_ ? ConnectTurns::Rank::Retry : ConnectTurns::Rank::Soon;
}

int oneWindowDevice::P2P_connect() {
  const Device* device = shell().deviceRecords();
  const FetchInfos* infos = camera_records::lastFetchInfosFor(device, deviceId);
  if (!infos) {
    // Without the fetch-infos answer there is no access key to offer.
    if (!noFetchInfosLogged_) qDebug() << deviceId << "P2P_connect: no fetch-infos record yet";
    noFetchInfosLogged_ = true;
    return -1;
  }
  noFetchInfosLogged_ = false;
  const Dev_config* config = camera_records::devConfigFor(device, deviceId);
  connects().ask({deviceId, infos->accessKey, config ? config->stunServers : QString(), infos->localIp},
                 connectRank());
  return 0;
}

int oneWindowDevice::P2P_disconnect() {
  // No connect of this camera starts after its disconnect.
  connects().forget(deviceId.toStdString());
  linkWatch_.endingOnPurpose();  // its loss resumes nothing
  APP_disconnect(deviceId.toUtf8().constData());
  return 0;
}

void oneWindowDevice::P2P_connect_ahead_Thread_timer_start() {
  if (connectTimerActive) return;
  connectTimerActive = true;
  P2P_connect_ahead_Thread_timer.start(kConnectTimerMs);
  qDebug() << "P2P_connect_ahead_Thread_timer.start";
}

void oneWindowDevice::P2P_connect_ahead_Thread_timer_stop() {
  if (!connectTimerActive) return;
  connectTimerActive = false;
  P2P_connect_ahead_Thread_timer.stop();
  qDebug() << "P2P_connect_ahead_Thread_timer stop";
}

void oneWindowDevice::P2P_connect_ahead_Thread_timer_Handler() {
  if (P2P_connect() != 0) qDebug() << " P2P_connect send instruct err ";
}

int oneWindowDevice::sendRequest(int msgType, const QByteArray& payload) {
  QByteArray data = payload;  // APP_send takes a writable buffer
  return APP_send(deviceId.toUtf8().constData(), nullptr, msgType,
                  data.isEmpty() ? nullptr : data.data(), uint32_t(data.size()),
                  camera_requests::kRequestFrameType);
}

int oneWindowDevice::P2P_send_get_AVideoData(int kind) {
  const std::optional<camera_requests::Request> r = camera_requests::avStartRequest(kind);
  if (!r) return 0;
  qDebug() << (kind == 1 ? "start get video" : "start get audio");
  return sendRequest(r->msgType, r->payload);
}

int oneWindowDevice::P2P_send_stop_AVideoData(int kind) {
  const std::optional<camera_requests::Request> r = camera_requests::avStopRequest(kind);
  if (!r) return 0;
  return sendRequest(r->msgType, r->payload);
}

int oneWindowDevice::P2P_send_change_Video_resolution_quality(int quality) {
  const camera_requests::Request r = camera_requests::qualityRequest(quality);
  const int result = sendRequest(r.msgType, r.payload);
  qDebug() << "change_Video_resolution:" << quality << "app_send ret:" << result;
  return result;
}

int oneWindowDevice::P2P_send_pzt(int command, int value) {
  const camera_requests::Request r = camera_requests::ptzRequest(command, value);
  const int result = sendRequest(r.msgType, r.payload);
  qDebug() << "PZT control:" << int(uint8_t(r.payload.at(0))) << "app_send ret:" << result;
  return result;
}

void oneWindowDevice::capability_init() {
  const Device* device = shell().deviceRecords();
  for (const FetchInfos* f : camera_records::fetchInfosFor(device, deviceId)) {
    if (f->ptz == QLatin1String("1")) {
      ptzCapable_ = true;
      if (wholeRenderWindow) wholeRenderWindow->renderWnd.set_ptzWindow_exist(true);
      qDebug() << " have ptz window ";
    } else {
      qDebug() << "not have ptz window ";
    }
  }
}
