// The two device-link callbacks of the camera class. They run on the device
// link's threads (receive thread, connect threads, and the caller of
// APP_disconnect), find their camera in the camera registry by device id
// and use it only while the registry is locked, so a camera being deleted
// is either waited for or not found. They never wait for the GUI thread:
// what concerns widgets leaves as queued signals.
#include <QDebug>

#include <string>

#include "device/camera_messages.h"
#include "device/OneWindowDevice.h"
#include "event/shell.h"
#include "p2p/av_frame.h"

namespace {

// Passed to APP_init by every camera; the library keeps the first call.
// The callbacks use no context.
APP_INIT_PARAM appInitParam() {
  APP_INIT_PARAM p{};
  p.pfnRecvMsg = &oneWindowDevice::callback_P2P_PCB_RECV_MSG;
  p.pfnRecvAV = &oneWindowDevice::callback_P2P_PCB_RECV_AV;
  return p;
}

}  // namespace

int oneWindowDevice::APP_init_callbacks() {
  static const APP_INIT_PARAM param = appInitParam();
  return APP_init(&param);
}

int oneWindowDevice::callback_P2P_PCB_RECV_MSG(const HCHAR* sn, HUINT32 nMsgType, HCHAR* pData,
                                               HUINT32 nDataLen, HCHAR* szName,
                                               HINT32 nFrameType, void* pMsgCtx) {
  (void)szName, (void)nFrameType, (void)pMsgCtx;
  if (!sn) return 0;
  const std::string id(sn);
  switch (nMsgType) {
    case E_MSG_CONN_STATUS: {
      const auto status = camera_messages::readConnStatus(pData, nDataLen);
      if (!status) return 0;
      registry().visitFirst(id, [&](oneWindowDevice* camera) {
        if (camera_messages::isKnownLinkMode(status->linkMode))
          camera->set_paramMode(status->linkMode);
        // Queued to the GUI thread (direct when reported on it).
        if (camera_messages::reachesWindow(status->status))
          shell().notifyCameraState(QString::fromStdString(id), status->status);
      });
      return 0;
    }
    case E_MSG_DEV_PARAM_SET: {
      qDebug() << "nMsgType == E_MSG_DEV_PARAM_SET";
      const auto p = camera_messages::readDevParams(pData, nDataLen);
      if (!p) return 0;
      registry().visitFirst(id, [&](oneWindowDevice* camera) {
        camera->set_avideoParam(p->video[0], p->video[1], p->video[2], p->video[3], p->video[4],
                                p->video[5], p->sampleRate, p->sampleBits, p->channels);
      });
      return 0;
    }
    default:
      for (const QString& line :
           camera_messages::logLines(nMsgType, pData, nDataLen, QByteArray(sn)))
        qDebug().noquote() << line;
      return 0;
  }
}

int oneWindowDevice::callback_P2P_PCB_RECV_AV(const HCHAR* sn, HCHAR* pFrame, HUINT32 nFrameLen,
                                              void* pAVCtx, HUCHAR nFrameType) {
  (void)pAVCtx;
  if (!sn) return 0;
  // Only HH frames carry the A/V head; a frame cut short is not read.
  AvFrame frame;
  if (nFrameType != E_FRAME_TYPE_HH || !readAvFrame(pFrame, nFrameLen, &frame)) return 0;
  const std::string id(sn);
  const bool found = registry().visitLast(
      id, [&](oneWindowDevice* camera) { camera->avFrame(frame, camera->playMode()); });
  if (!found) qDebug() << "not find " + QString::fromStdString(id) + " from list";
  return 0;
}
