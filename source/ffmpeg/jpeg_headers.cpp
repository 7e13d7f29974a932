#include "ffmpeg/jpeg_headers.h"

#include "ffmpeg/jpeg_tables.h"

namespace jpegenc {

namespace {

void writeMarker(JpegBitWriter& writer, uint8_t marker) {
  writer.putByte(0xFF);
  writer.putByte(marker);
}

void writeJfif(JpegBitWriter& writer) {
  static const uint8_t kApp0[] = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  writeMarker(writer, 0xE0);
  writer.putWord(16);
  writer.putBytes(kApp0, sizeof kApp0);
}

void writeQuantTable(JpegBitWriter& writer, uint8_t id, const uint8_t table[64]) {
  writeMarker(writer, 0xDB);
  writer.putWord(67);
  writer.putByte(id);
  for (int k = 0; k < 64; ++k) writer.putByte(table[kZigzagToNatural[k]]);
}

void writeFrame(JpegBitWriter& writer, int width, int height) {
  static const uint8_t kComponents[] = {1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1};
  writeMarker(writer, 0xC0);
  writer.putWord(17);
  writer.putByte(8);
  writer.putWord(static_cast<uint16_t>(height));
  writer.putWord(static_cast<uint16_t>(width));
  writer.putByte(3);
  writer.putBytes(kComponents, sizeof kComponents);
}

void writeHuffmanTable(JpegBitWriter& writer, const DhtTable& table) {
  writeMarker(writer, 0xC4);
  writer.putWord(static_cast<uint16_t>(2 + 1 + 16 + table.symbolCount));
  writer.putByte(table.tableClassAndId);
  writer.putBytes(table.counts, 16);
  writer.putBytes(table.symbols, static_cast<std::size_t>(table.symbolCount));
}

void writeScan(JpegBitWriter& writer) {
  static const uint8_t kScan[] = {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
  writeMarker(writer, 0xDA);
  writer.putWord(12);
  writer.putBytes(kScan, sizeof kScan);
}

}  // namespace

void writeJpegHeaders(JpegBitWriter& writer, int width, int height,
                      const uint8_t luminance[64], const uint8_t chrominance[64]) {
  writeMarker(writer, 0xD8);
  writeJfif(writer);
  writeQuantTable(writer, 0x00, luminance);
  writeQuantTable(writer, 0x01, chrominance);
  writeFrame(writer, width, height);
  writeHuffmanTable(writer, kLuminanceDc);
  writeHuffmanTable(writer, kChrominanceDc);
  writeHuffmanTable(writer, kLuminanceAc);
  writeHuffmanTable(writer, kChrominanceAc);
  writeScan(writer);
}

}  // namespace jpegenc
