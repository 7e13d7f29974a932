// Channel calls on the library's session table, behind the KV_ exports.
#pragma once

#include <cstdint>

namespace vornet {
namespace channel {

// Writes `head` (may be empty) and then `data` to the channel in one step
// under the main mutex, so no other write falls between them. The checks
// of channel_write; len (the data length) on success.
int channel_write_message(int session, int channel, const uint8_t* head, int headLen, const void* data, int len);

// The framed read: buf or len null -5; not initialised -1; channel above 3
// -5; -11; then see ChannelReader::readFramed.
int channel_read_framed(int session, int channel, void* buf, int* len, int64_t timeoutMs, uint8_t* typeOut);

}  // namespace channel
}  // namespace vornet
