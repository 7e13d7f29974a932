#include "ffmpeg/jpeg_encoder.h"

#include <cstddef>

#include "ffmpeg/jpeg_bit_writer.h"
#include "ffmpeg/jpeg_block_coder.h"
#include "ffmpeg/jpeg_block_loader.h"
#include "ffmpeg/jpeg_headers.h"
#include "ffmpeg/jpeg_huffman.h"
#include "ffmpeg/jpeg_quantization.h"
#include "ffmpeg/jpeg_tables.h"

using namespace jpegenc;

namespace {

// Even (the chroma planes are exactly half size) and within the 16-bit frame
// header fields.
bool isCodableSize(int width, int height) {
  auto fits = [](int n) { return n >= 2 && n <= 65534 && n % 2 == 0; };
  return fits(width) && fits(height);
}

struct HuffmanSet {
  HuffmanCodes luminanceDc = buildHuffmanCodes(kLuminanceDc);
  HuffmanCodes chrominanceDc = buildHuffmanCodes(kChrominanceDc);
  HuffmanCodes luminanceAc = buildHuffmanCodes(kLuminanceAc);
  HuffmanCodes chrominanceAc = buildHuffmanCodes(kChrominanceAc);
};

const HuffmanSet& huffmanSet() {
  static const HuffmanSet set;
  return set;
}

}  // namespace

int jpeg_encode_planes(const uint8_t* y, const uint8_t* u, const uint8_t* v, int width, int height,
                       int quality, int step, uint8_t* out, uint32_t* inOutSize) {
  if (y == nullptr || u == nullptr || v == nullptr || out == nullptr || inOutSize == nullptr)
    return JPEG_ENCODE_BAD_ARGUMENT;
  if (!isCodableSize(width, height) || step < width) return JPEG_ENCODE_BAD_ARGUMENT;

  const int scale = qualityScale(quality);
  uint8_t luminance[64];
  uint8_t chrominance[64];
  scaleQuantTable(kLuminanceQuantBase, scale, luminance);
  scaleQuantTable(kChrominanceQuantBase, scale, chrominance);
  float luminanceDivisors[64];
  float chrominanceDivisors[64];
  quantDivisors(luminance, luminanceDivisors);
  quantDivisors(chrominance, chrominanceDivisors);

  JpegBitWriter writer(out, *inOutSize);
  writeJpegHeaders(writer, width, height, luminance, chrominance);

  const HuffmanSet& huffman = huffmanSet();
  const JpegPlane planes[3] = {{y, step, 0}, {u, step / 2, 1}, {v, step / 2, 1}};
  JpegBlockCoder coders[3] = {
      {luminanceDivisors, &huffman.luminanceDc, &huffman.luminanceAc},
      {chrominanceDivisors, &huffman.chrominanceDc, &huffman.chrominanceAc},
      {chrominanceDivisors, &huffman.chrominanceDc, &huffman.chrominanceAc}};

  const int blockRows = (height + 7) / 8;
  const int blockCols = (width + 7) / 8;
  float block[64];
  for (int row = 0; row < blockRows && !writer.overflowed(); ++row) {
    for (int col = 0; col < blockCols; ++col) {
      for (int c = 0; c < 3; ++c) {
        loadBlock(planes[c], width, height, row, col, block);
        coders[c].encodeBlock(block, writer);
      }
    }
  }
  writer.padWithOnes();
  writer.putByte(0xFF);
  writer.putByte(0xD9);

  if (writer.overflowed()) return JPEG_ENCODE_OUTPUT_FULL;
  *inOutSize = static_cast<uint32_t>(writer.length());
  return JPEG_ENCODE_OK;
}

int yuv420_to_jpeg(const uint8_t* yuv, int yuvLength, char* out, uint32_t* inOutSize,
                   int width, int height) {
  if (yuv == nullptr || out == nullptr || inOutSize == nullptr) return JPEG_ENCODE_BAD_ARGUMENT;
  if (!isCodableSize(width, height)) return JPEG_ENCODE_BAD_ARGUMENT;
  const std::size_t lumaSize = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::size_t frameSize = lumaSize * 3 / 2;
  if (yuvLength < 0 || static_cast<std::size_t>(yuvLength) < frameSize)
    return JPEG_ENCODE_BAD_ARGUMENT;  // the picture would be read past the frame
  if (frameSize > *inOutSize) return JPEG_ENCODE_SMALL_CAPACITY;
  return jpeg_encode_planes(yuv, yuv + lumaSize, yuv + lumaSize * 5 / 4, width, height, 75, width,
                            reinterpret_cast<uint8_t*>(out), inOutSize);
}
