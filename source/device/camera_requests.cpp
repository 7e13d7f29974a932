#include "device/camera_requests.h"

#include <QCryptographicHash>
#include <QStringList>

namespace camera_requests {

namespace {

void putLe32(QByteArray& out, int at, quint32 v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::optional<Request> avStartRequest(int kind) {
  if (kind == 1) return Request{E_MSG_VIDEO_START_REQ, {}};
  if (kind == 0) return Request{E_MSG_AUDIO_START_REQ, {}};
  return std::nullopt;
}

std::optional<Request> avStopRequest(int kind) {
  if (kind == 1) return Request{E_MSG_VIDEO_STOP_REQ, {}};
  if (kind == 0) return Request{E_MSG_AUDIO_STOP_REQ, {}};
  return std::nullopt;
}

QByteArray qualityPayload(int quality) {
  QByteArray out(4, '\0');
  out[0] = static_cast<char>(quality == 1 || quality == 5 ? quality : 0);
  return out;
}

Request qualityRequest(int quality) {
  return Request{E_MSG_CHG_VIDEO_QUALITY_REQ, qualityPayload(quality)};
}

QByteArray ptzPayload(int command, int value) {
  QByteArray out(16, '\0');
  const bool known = (command >= 0 && command <= 4) || command == 0x30 || command == 0x31;
  out[0] = static_cast<char>(known ? command : 0);
  out[1] = static_cast<char>(value & 0xFF);
  return out;
}

Request ptzRequest(int command, int value) {
  return Request{E_MSG_PTZ_REQ, ptzPayload(command, value)};
}

quint32 authTime(qint64 secondsSinceEpoch) {
  return static_cast<quint32>(secondsSinceEpoch & 0x7FFFFFFF);
}

QByteArray authBlock(const QString& accessKey, quint32 t) {
  const QByteArray text =
      QByteArray::number(t) + ':' + QByteArray::number(t) + ':' + accessKey.toUtf8();
  QByteArray out = QCryptographicHash::hash(text, QCryptographicHash::Md5);
  out.append(16, '\0');
  putLe32(out, 16, t);
  putLe32(out, 20, t);
  putLe32(out, 24, 1);
  return out;
}

bool isDottedIPv4(const QString& text) {
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() != 4) return false;
  for (const QString& part : parts) {
    if (part.isEmpty() || part.size() > 3) return false;
    if (part.size() > 1 && part.at(0) == QLatin1Char('0')) return false;
    int value = 0;
    for (const QChar c : part) {
      if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
      value = value * 10 + (c.unicode() - '0');
    }
    if (value > 255) return false;
  }
  return true;
}

QString chooseLanAddress(const QString& localIp, const QString& serverList) {
  const QString local = localIp.trimmed();
  if (isDottedIPv4(local)) return local;
  const QString first = serverList.section(QLatin1Char(','), 0, 0).trimmed();
  if (isDottedIPv4(first)) return first;
  return QString();
}

ConnectArguments connectArguments(const QString& deviceId, const QString& accessKey,
                                  const QString& serverList, const QString& localIp, quint32 t) {
  ConnectArguments out;
  out.deviceId = deviceId.toUtf8();
  out.serverList = serverList.toUtf8();
  out.accessKey = accessKey.toUtf8();
  out.keyLength = out.accessKey.size();
  out.auth = authBlock(accessKey, t);
  out.lanAddress = chooseLanAddress(localIp, serverList).toUtf8();
  return out;
}

}  // namespace camera_requests
