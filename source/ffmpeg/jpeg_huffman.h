// Huffman code tables built from a DHT description by canonical assignment
// (T.81 Annex C): codes of length 1 start at 0, each next code is the previous
// one plus 1, and the code is doubled whenever the length grows.
#pragma once

#include <cstdint>

#include "ffmpeg/jpeg_tables.h"

namespace jpegenc {

struct HuffmanCodes {
  uint16_t code[256] = {};
  uint8_t length[256] = {};  // 0: the symbol has no code
};

HuffmanCodes buildHuffmanCodes(const DhtTable& table);

}  // namespace jpegenc
