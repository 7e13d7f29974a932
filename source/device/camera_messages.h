// What the camera's messages say, read from the payloads the device link
// hands to the message callback. Every reader checks the payload's length
// first (a short payload from the network is never read past its end).
#pragma once

#include <QByteArray>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

namespace camera_messages {

// E_MSG_CONN_STATUS (153): nStatus (i32 at 0) and nLinkMode (byte 4).
struct ConnStatus {
  int status = 0;
  int linkMode = 0;
};
std::optional<ConnStatus> readConnStatus(const char* data, uint32_t length);

// Link modes the camera keeps (0 none, 1 direct, 2 relayed or not settled).
bool isKnownLinkMode(int linkMode);
// Statuses the main window is told of: 1-6 and 10; the camera's own
// other values (7, 8 ...) reach no window.
bool reachesWindow(int status);

// E_MSG_DEV_PARAM_SET (149), 16 bytes: six u16 video values, u16 sample
// rate, u8 bits per sample, u8 channels.
struct DevParams {
  std::array<int, 6> video{};
  int sampleRate = 0;
  int sampleBits = 0;
  int channels = 0;
};
std::optional<DevParams> readDevParams(const char* data, uint32_t length);

// The log lines of a message that is only logged (257, 261, 270, 271, 272,
// 273); empty for any other type. `sn` is the device id.
QStringList logLines(uint32_t msgType, const char* data, uint32_t length, const QByteArray& sn);

}  // namespace camera_messages
