#include "ffmpeg/adts_header.h"

bool write_adts_header(int payloadLength, unsigned char* out) {
  if (payloadLength < 0 || payloadLength > kMaxAdtsPayload) return false;
  const unsigned length = static_cast<unsigned>(payloadLength) + kAdtsHeaderBytes;
  out[0] = 0xFF;  // syncword
  out[1] = 0xF9;  // syncword, MPEG-2, layer 0, no CRC
  out[2] = 0x6C;  // AAC LC, 8000 Hz, private 0, channels (high bit)
  out[3] = static_cast<unsigned char>(0x40 + (length >> 11));  // channels 1, flags, length
  out[4] = static_cast<unsigned char>((length >> 3) & 0xFF);
  out[5] = static_cast<unsigned char>(((length & 7) << 5) + 0x1F);  // length, fullness
  out[6] = 0xFC;                                                    // fullness, one raw data block
  return true;
}
