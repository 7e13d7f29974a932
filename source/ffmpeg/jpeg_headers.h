// The marker segments in front of the entropy-coded data: SOI, APP0 (JFIF
// 1.01, no density unit, 1:1), DQT for tables 0 and 1, SOF0 (8-bit, three
// components sampled 1x1), the four DHT segments (DC 0, DC 1, AC 0, AC 1) and
// SOS; 623 bytes in all.
#pragma once

#include <cstdint>

#include "ffmpeg/jpeg_bit_writer.h"

namespace jpegenc {

// luminance and chrominance: the scaled quantisation tables, natural order.
void writeJpegHeaders(JpegBitWriter& writer, int width, int height,
                      const uint8_t luminance[64], const uint8_t chrominance[64]);

}  // namespace jpegenc
