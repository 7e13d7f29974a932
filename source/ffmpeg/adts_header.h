// The 7-byte ADTS header the audio decoder wants in front of each raw AAC
// frame from the camera: MPEG-2 AAC LC, 8000 Hz, one channel, no CRC,
// buffer fullness 0x7FF, one raw data block. The frame length field
// (payload + 7) has 13 bits, so payloads above 8184 bytes cannot be framed.
#pragma once

inline constexpr int kAdtsHeaderBytes = 7;
inline constexpr int kMaxAdtsPayload = (1 << 13) - 1 - kAdtsHeaderBytes;  // 8184

// Writes the header for a payload of `payloadLength` bytes into out[0..6].
// False (nothing written) for a negative length or one above
// kMaxAdtsPayload.
bool write_adts_header(int payloadLength, unsigned char* out);
