// Fixed tables of the baseline JPEG encoder: the zigzag order, the example
// quantisation tables and the typical Huffman tables of ITU-T T.81 Annex K.
#pragma once

#include <cstdint>

namespace jpegenc {

// Natural (row-major) index of the coefficient at each zigzag position.
extern const uint8_t kZigzagToNatural[64];

// Quantisation bases in natural order: Table K.1 (luminance), K.2 (chrominance).
extern const uint8_t kLuminanceQuantBase[64];
extern const uint8_t kChrominanceQuantBase[64];

// A Huffman table as a DHT segment carries it: the number of codes of each
// length 1..16, then the symbols in order of increasing code length.
struct DhtTable {
  uint8_t tableClassAndId;  // 0x00/0x01 DC, 0x10/0x11 AC
  const uint8_t* counts;    // 16 entries
  const uint8_t* symbols;
  int symbolCount;
};

// Tables K.3 (luminance DC), K.4 (chrominance DC), K.5 (luminance AC),
// K.6 (chrominance AC).
extern const DhtTable kLuminanceDc;
extern const DhtTable kChrominanceDc;
extern const DhtTable kLuminanceAc;
extern const DhtTable kChrominanceAc;

}  // namespace jpegenc
