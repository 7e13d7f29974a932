#include "gif_writer.h"

#include <QHash>

#include <cstdint>
#include <unordered_map>

namespace assets {
namespace {

constexpr int kMaxCodes = 4096;  // 12-bit codes

// Appends codes of varying width, least significant bit first.
class BitPacker {
 public:
  void put(int code, int width) {
    accumulator_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += width;
    while (bits_ >= 8) {
      out_.append(static_cast<char>(accumulator_ & 0xFF));
      accumulator_ >>= 8;
      bits_ -= 8;
    }
  }
  QByteArray finish() {
    if (bits_ > 0) out_.append(static_cast<char>(accumulator_ & 0xFF));
    accumulator_ = 0;
    bits_ = 0;
    return out_;
  }

 private:
  QByteArray out_;
  uint32_t accumulator_ = 0;
  int bits_ = 0;
};

void putLe16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

// The colour table holds 2^n entries (n from 1 to 8); returns n.
int tableBits(int colours) {
  int bits = 1;
  while ((1 << bits) < colours) ++bits;
  return bits;
}

int squaredDistance(QRgb a, QRgb b) {
  const int dr = qRed(a) - qRed(b), dg = qGreen(a) - qGreen(b), db = qBlue(a) - qBlue(b);
  return dr * dr + dg * dg + db * db;
}

class NearestColour {
 public:
  explicit NearestColour(const QVector<QRgb>& palette) : palette_(palette) {}
  int index(QRgb colour) {
    colour |= 0xFF000000u;
    const auto found = cache_.constFind(colour);
    if (found != cache_.constEnd()) return found.value();
    int best = 0;
    for (int i = 1; i < palette_.size(); ++i) {
      if (squaredDistance(colour, palette_[i]) < squaredDistance(colour, palette_[best])) best = i;
    }
    cache_.insert(colour, best);
    return best;
  }

 private:
  const QVector<QRgb>& palette_;
  QHash<QRgb, int> cache_;
};

QByteArray subBlocks(const QByteArray& data) {
  QByteArray out;
  for (int at = 0; at < data.size(); at += 255) {
    const int n = qMin(255, data.size() - at);
    out.append(static_cast<char>(n));
    out.append(data.constData() + at, n);
  }
  out.append('\0');
  return out;
}

// The LZW code stream of one frame's colour indexes, as GIF packs it
// (without the leading minimum code size and the sub-block framing).
QByteArray lzwCompress(const QByteArray& indexes, int minCodeSize) {
  const int clearCode = 1 << minCodeSize;
  const int endCode = clearCode + 1;
  BitPacker packer;
  std::unordered_map<uint32_t, int> table;  // (prefix code << 8 | byte) -> code
  int codeSize = minCodeSize + 1;
  int lastCode = endCode;  // highest code in use
  packer.put(clearCode, codeSize);
  if (indexes.isEmpty()) {
    packer.put(endCode, codeSize);
    return packer.finish();
  }
  int current = static_cast<uint8_t>(indexes[0]);
  for (int i = 1; i < indexes.size(); ++i) {
    const uint8_t next = static_cast<uint8_t>(indexes[i]);
    const uint32_t key = static_cast<uint32_t>(current) << 8 | next;
    const auto found = table.find(key);
    if (found != table.end()) {
      current = found->second;
      continue;
    }
    packer.put(current, codeSize);
    table.emplace(key, ++lastCode);
    // The reader adds its entry one code later and widens at the same
    // moment (the "early change" of GIF's LZW).
    if (lastCode >= (1 << codeSize) && codeSize < 12) ++codeSize;
    if (lastCode == kMaxCodes - 1) {
      packer.put(clearCode, codeSize);
      table.clear();
      codeSize = minCodeSize + 1;
      lastCode = endCode;
    }
    current = next;
  }
  packer.put(current, codeSize);
  // The reader still adds an entry for this last code and may widen for
  // the end code.
  if (lastCode != endCode && lastCode + 1 >= (1 << codeSize) && codeSize < 12) ++codeSize;
  packer.put(endCode, codeSize);
  return packer.finish();
}

}  // namespace

QByteArray encodeGif(const GifAnimation& animation) {
  const int paletteSize = animation.palette.size();
  const int transparentIndex = animation.transparent ? paletteSize : -1;
  const int colours = paletteSize + (animation.transparent ? 1 : 0);
  if (animation.frames.isEmpty() || paletteSize == 0 || colours > 256) return {};
  const QSize size = animation.frames.first().size();
  if (size.isEmpty() || size.width() > 0xFFFF || size.height() > 0xFFFF) return {};
  for (const QImage& frame : animation.frames) {
    if (frame.size() != size) return {};
  }

  const int bits = tableBits(colours);
  QByteArray out("GIF89a");
  putLe16(out, size.width());
  putLe16(out, size.height());
  out.append(static_cast<char>(0x80 | ((bits - 1) << 4) | (bits - 1)));  // global table
  out.append(static_cast<char>(animation.transparent ? transparentIndex : 0));  // background
  out.append('\0');                                                            // aspect
  for (int i = 0; i < (1 << bits); ++i) {
    const QRgb c = i < paletteSize ? animation.palette[i] : qRgb(0, 0, 0);
    out.append(static_cast<char>(qRed(c)));
    out.append(static_cast<char>(qGreen(c)));
    out.append(static_cast<char>(qBlue(c)));
  }
  // Loop for ever.
  out.append("\x21\xFF\x0BNETSCAPE2.0\x03\x01", 16);
  putLe16(out, 0);
  out.append('\0');

  NearestColour nearest(animation.palette);
  const int minCodeSize = qMax(2, bits);
  for (const QImage& source : animation.frames) {
    const QImage frame = source.convertToFormat(QImage::Format_ARGB32);
    // Graphic control: restore to background between frames when transparent.
    out.append("\x21\xF9\x04", 3);
    out.append(static_cast<char>(animation.transparent ? (2 << 2) | 1 : (1 << 2)));
    putLe16(out, animation.delayCentiseconds);
    out.append(static_cast<char>(animation.transparent ? transparentIndex : 0));
    out.append('\0');
    // Image descriptor: the whole canvas, no local table, not interlaced.
    out.append('\x2C');
    putLe16(out, 0);
    putLe16(out, 0);
    putLe16(out, size.width());
    putLe16(out, size.height());
    out.append('\0');

    QByteArray indexes;
    indexes.reserve(size.width() * size.height());
    for (int y = 0; y < size.height(); ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
      for (int x = 0; x < size.width(); ++x) {
        const bool clear = animation.transparent && qAlpha(row[x]) < 128;
        indexes.append(static_cast<char>(clear ? transparentIndex : nearest.index(row[x])));
      }
    }
    out.append(static_cast<char>(minCodeSize));
    out.append(subBlocks(lzwCompress(indexes, minCodeSize)));
  }
  out.append('\x3B');
  return out;
}

}  // namespace assets
