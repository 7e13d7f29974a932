// What the camera object sends to its camera through the device link:
// the request table (message type + payload), the authentication block of
// APP_connect and the connect arguments. Plain data; the camera object
// passes it to APP_send / APP_connect.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "Tessan.h"

namespace camera_requests {

// Frame type of every request (the device link's own HH header).
inline constexpr int kRequestFrameType = E_FRAME_TYPE_HH;

struct Request {
  int msgType = 0;
  QByteArray payload;  // empty: APP_send gets a null pointer and length 0
};

// kind 1: video start (256); kind 0: audio start (260); other kinds: none.
std::optional<Request> avStartRequest(int kind);
// kind 1: video stop (258); kind 0: audio stop (262); other kinds: none.
std::optional<Request> avStopRequest(int kind);

// Quality change (270): 4 bytes, byte 0 = 1 for 1 (HD), 5 for 5 (FHD),
// 0 for any other value.
QByteArray qualityPayload(int quality);
Request qualityRequest(int quality);

// Pan/tilt (272): 16 bytes, byte 0 the command (0-4 as is, 48 -> 0x30,
// 49 -> 0x31, anything else 0 = stop), byte 1 the low byte of `value`
// (1 continuous move or stop, 0 one step).
QByteArray ptzPayload(int command, int value);
Request ptzRequest(int command, int value);

// T of the authentication block: seconds since 1970 with the top bit
// cleared.
quint32 authTime(qint64 secondsSinceEpoch);

// The 32-byte authentication block (little-endian; copy it into a
// MSG_AUTH_REQ): MD5 of the UTF-8 text "T:T:key" (T decimal), nTime = T,
// nTime2 = T, nAuthFlag = 1, reserved 0.
QByteArray authBlock(const QString& accessKey, quint32 t);

// True for a strict dotted IPv4 address: four decimal octets 0-255, no
// signs, blanks or leading zeros ("010" is refused: some readers take it
// as octal).
bool isDottedIPv4(const QString& text);

// The LAN address handed to APP_connect: the camera's own `localIp` when it
// is a dotted IPv4 address, else the first server of the comma-separated
// rendezvous list when that is one, else empty. Never the whole list: a
// text that is no single address makes the transport search the LAN by
// limited broadcast.
QString chooseLanAddress(const QString& localIp, const QString& serverList);

// Everything one APP_setServInfo + APP_connect needs, as UTF-8 bytes.
struct ConnectArguments {
  QByteArray deviceId;
  QByteArray serverList;
  QByteArray accessKey;
  int keyLength = 0;  // bytes of accessKey (not characters)
  QByteArray auth;    // authBlock()
  QByteArray lanAddress;
};
ConnectArguments connectArguments(const QString& deviceId, const QString& accessKey,
                                  const QString& serverList, const QString& localIp, quint32 t);

}  // namespace camera_requests
