// Channel calls on the library's session table, behind the KV_ exports.
#pragma once

#include <cstdint>

namespace vornet {
namespace channel {

// Writes `head` (may be empty) and then `data` to the channel in one step
// under the main mutex, so no other write falls between them. The checks
// of channel_write; len (the data length) on success.
int channel_write_message(int session, int channel, const uint8_t* head, int headLen, const void* data, int len);

// A framed message on a channel: the 4-byte header (len in the low 24
// bits, little-endian, type in byte 3) and the data in one write. Checks in
// the order of the header write first (not initialised -1, session errors),
// then the data (null, len <= 0 or beyond 24 bits: -5), so a refused
// message leaves nothing in the channel. len on success.
int channel_write_framed(int session, int channel, uint8_t type, const void* data, int len);

// The framed read: buf or len null -5; not initialised -1; channel above 3
// -5; -11; then see ChannelReader::readFramed.
int channel_read_framed(int session, int channel, void* buf, int* len, int64_t timeoutMs, uint8_t* typeOut);

}  // namespace channel
}  // namespace vornet
