#include "ffmpeg/jpeg_huffman.h"

namespace jpegenc {

HuffmanCodes buildHuffmanCodes(const DhtTable& table) {
  HuffmanCodes codes;
  uint32_t code = 0;
  int next = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < table.counts[length - 1] && next < table.symbolCount; ++i, ++next) {
      const uint8_t symbol = table.symbols[next];
      codes.code[symbol] = static_cast<uint16_t>(code);
      codes.length[symbol] = static_cast<uint8_t>(length);
      ++code;
    }
    code <<= 1;
  }
  return codes;
}

}  // namespace jpegenc
