#include "annexb.h"

namespace kvmedia::annexb {
namespace {

// Position of the next 00 00 01 at or after `from`, or `size`.
size_t findStartCode(const uint8_t* d, size_t size, size_t from) {
  for (size_t i = from; i + 2 < size; ++i) {
    if (d[i + 2] > 1) {
      i += 2;  // none of the next positions up to i+2 can start a code
    } else if (d[i] == 0 && d[i + 1] == 0 && d[i + 2] == 1) {
      return i;
    }
  }
  return size;
}

enum NalKind { kOther, kVps, kSps, kPps };

NalKind h264Kind(const Nal& n) {
  if (n.size < 2 || (n.data[0] & 0x80)) return kOther;
  const int type = n.data[0] & 0x1f;
  const int refIdc = (n.data[0] >> 5) & 3;
  if (type == 7 && refIdc != 0) return kSps;
  if (type == 8 && refIdc != 0) return kPps;
  return kOther;
}

NalKind h265Kind(const Nal& n) {
  // forbidden bit clear, layer 0, temporal id 0 (second byte 0x01)
  if (n.size < 3 || (n.data[0] & 0x81) || n.data[1] != 0x01) return kOther;
  switch ((n.data[0] >> 1) & 0x3f) {
    case 32: return kVps;
    case 33: return kSps;
    case 34: return kPps;
    default: return kOther;
  }
}

}  // namespace

std::vector<Nal> split(const uint8_t* data, size_t size) {
  std::vector<Nal> nals;
  if (!data) return nals;
  size_t sc = findStartCode(data, size, 0);
  while (sc < size) {
    const size_t begin = sc + 3;
    const size_t next = findStartCode(data, size, begin);
    size_t end = next;
    while (end > begin && data[end - 1] == 0) --end;  // zero_byte / trailing zeros
    if (end > begin) nals.push_back({data + begin, end - begin});
    sc = next;
  }
  return nals;
}

Codec sniffParameterSets(const uint8_t* data, size_t size) {
  bool h264 = false;
  bool h265 = false;
  for (const Nal& n : split(data, size)) {
    if (h264Kind(n) == kSps) h264 = true;
    const NalKind k = h265Kind(n);
    if (k == kVps || k == kSps) h265 = true;
  }
  if (h264 == h265) return Codec::Unknown;
  return h264 ? Codec::H264 : Codec::H265;
}

size_t sliceCount(Codec codec, const uint8_t* data, size_t size) {
  size_t n = 0;
  for (const Nal& nal : split(data, size)) {
    if (nal.size < 2 || (nal.data[0] & 0x80)) continue;
    if (codec == Codec::H264) {
      const int type = nal.data[0] & 0x1f;
      n += type >= 1 && type <= 5;
    } else if (codec == Codec::H265) {
      n += ((nal.data[0] >> 1) & 0x3f) < 32;
    }
  }
  return n;
}

std::vector<uint8_t> parameterSets(Codec codec, const uint8_t* data, size_t size) {
  if (codec == Codec::Unknown) return {};
  std::vector<Nal> byKind[4];
  for (const Nal& n : split(data, size)) {
    const NalKind k = codec == Codec::H264 ? h264Kind(n) : h265Kind(n);
    if (k != kOther) byKind[k].push_back(n);
  }
  if (byKind[kSps].empty() || byKind[kPps].empty()) return {};
  if (codec == Codec::H265 && byKind[kVps].empty()) return {};
  std::vector<uint8_t> out;
  for (NalKind k : {kVps, kSps, kPps}) {
    for (const Nal& n : byKind[k]) {
      out.insert(out.end(), {0, 0, 0, 1});
      out.insert(out.end(), n.data, n.data + n.size);
    }
  }
  return out;
}

}  // namespace kvmedia::annexb
