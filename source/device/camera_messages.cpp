#include "device/camera_messages.h"

#include "Tessan.h"

namespace camera_messages {

namespace {

int le16(const char* p) { return int(uint8_t(p[0])) | int(uint8_t(p[1])) << 8; }

}  // namespace

std::optional<ConnStatus> readConnStatus(const char* data, uint32_t length) {
  if (!data || length < 5) return std::nullopt;
  ConnStatus s;
  const uint32_t status = uint32_t(uint8_t(data[0])) | uint32_t(uint8_t(data[1])) << 8 |
                          uint32_t(uint8_t(data[2])) << 16 | uint32_t(uint8_t(data[3])) << 24;
  s.status = int32_t(status);
  s.linkMode = uint8_t(data[4]);
  return s;
}

bool isKnownLinkMode(int linkMode) { return linkMode >= 0 && linkMode <= 2; }

bool reachesWindow(int status) {
  return (status >= E_CONN_STATUS_CONNECTING && status <= E_CONN_STATUS_DISCONNECTED) ||
         status == E_CONN_STATUS_ONLINE;
}

std::optional<DevParams> readDevParams(const char* data, uint32_t length) {
  if (!data || length < 16) return std::nullopt;
  DevParams p;
  for (size_t i = 0; i < p.video.size(); ++i) p.video[i] = le16(data + 2 * i);
  p.sampleRate = le16(data + 12);
  p.sampleBits = uint8_t(data[14]);
  p.channels = uint8_t(data[15]);
  return p;
}

QStringList logLines(uint32_t msgType, const char* data, uint32_t length, const QByteArray& sn) {
  const QString id = QString::fromUtf8(sn);
  const bool two = data && length >= 2;
  switch (msgType) {
    case E_MSG_VIDEO_START_RESP:
      return {QStringLiteral("nMsgType == E_MSG_VIDEO_START_RESP %1").arg(id)};
    case E_MSG_AUDIO_START_RESP:
      return {QStringLiteral("nMsgType == E_MSG_AUDIO_START_RESP %1").arg(id)};
    case E_MSG_CHG_VIDEO_QUALITY_REQ: {
      QStringList lines{QStringLiteral("nMsgType == E_MSG_CHG_VIDEO_QUALITY_REQ %1").arg(id)};
      if (data && length >= 1) lines << QStringLiteral("eVideoQuality : %1").arg(uint8_t(data[0]));
      return lines;
    }
    case E_MSG_PTZ_REQ:
      return {QStringLiteral("nMsgType == E_MSG_PTZ_REQ %1").arg(id)};
    case E_MSG_PTZ_RESP:
      return {QStringLiteral("nMsgType == E_MSG_PTZ_RESP %1").arg(id)};
    case E_MSG_CHG_VIDEO_QUALITY_RESP: {
      QStringList lines{QStringLiteral("nMsgType == E_MSG_CHG_VIDEO_QUALITY_RESP")};
      if (!two || data[1] != 0) {
        lines << QStringLiteral("MSG_CHG_VIDEO_QUALITY_RESP err");
        return lines;
      }
      if (uint8_t(data[0]) == 1) lines << QStringLiteral("E_VQUALITY_HD");
      if (uint8_t(data[0]) == 5) lines << QStringLiteral("E_VQUALITY_FHD");
      lines << QStringLiteral("MSG_CHG_VIDEO_QUALITY_RESP successd");
      return lines;
    }
    default:
      return {};
  }
}

}  // namespace camera_messages
