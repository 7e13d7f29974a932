#include "media_units.h"

namespace camera {
namespace {

struct Nal {
  size_t start;  // first byte of its start code
  size_t body;   // first byte after the start code
};

std::vector<Nal> findNals(const Bytes& s) {
  std::vector<Nal> nals;
  for (size_t i = 0; i + 3 <= s.size(); ++i) {
    if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1) {
      const size_t start = (i > 0 && s[i - 1] == 0) ? i - 1 : i;
      nals.push_back(Nal{start, i + 3});
      i += 2;
    }
  }
  return nals;
}

int nalType(const Bytes& s, size_t body, VideoCodec codec) {
  if (body >= s.size()) return -1;
  return codec == VideoCodec::H264 ? (s[body] & 0x1F) : ((s[body] >> 1) & 0x3F);
}

bool isDelimiter(int type, VideoCodec codec) { return codec == VideoCodec::H264 ? type == 9 : type == 35; }
bool isKeyPicture(int type, VideoCodec codec) {
  return codec == VideoCodec::H264 ? type == 5 : (type >= 16 && type <= 21);
}

}  // namespace

std::vector<VideoUnit> splitAccessUnits(const Bytes& stream, VideoCodec codec, bool keepDelimiters) {
  std::vector<VideoUnit> units;
  std::vector<size_t> delimiterBytes;  // of each unit's own delimiter
  const std::vector<Nal> nals = findNals(stream);
  for (size_t n = 0; n < nals.size(); ++n) {
    const size_t end = n + 1 < nals.size() ? nals[n + 1].start : stream.size();
    const int type = nalType(stream, nals[n].body, codec);
    const bool delimiter = isDelimiter(type, codec);
    if (delimiter || units.empty()) {
      units.emplace_back();
      delimiterBytes.push_back(0);
    }
    if (delimiter && !keepDelimiters) continue;
    VideoUnit& u = units.back();
    u.data.insert(u.data.end(), stream.begin() + long(nals[n].start), stream.begin() + long(end));
    if (delimiter) delimiterBytes.back() = u.data.size();
    if (isKeyPicture(type, codec)) u.key = true;
  }
  std::vector<VideoUnit> kept;
  for (size_t i = 0; i < units.size(); ++i)  // a delimiter with nothing behind it is no unit
    if (units[i].data.size() > delimiterBytes[i]) kept.push_back(std::move(units[i]));
  return kept;
}

std::vector<Bytes> splitAdts(const Bytes& s) {
  std::vector<Bytes> frames;
  size_t pos = 0;
  while (pos + 7 <= s.size()) {
    if (s[pos] != 0xFF || (s[pos + 1] & 0xF6) != 0xF0) break;
    const bool crc = (s[pos + 1] & 0x01) == 0;
    const size_t header = crc ? 9 : 7;
    const size_t length = (size_t(s[pos + 3] & 0x03) << 11) | (size_t(s[pos + 4]) << 3) | (s[pos + 5] >> 5);
    if (length < header || pos + length > s.size()) break;
    frames.emplace_back(s.begin() + long(pos + header), s.begin() + long(pos + length));
    pos += length;
  }
  return frames;
}

}  // namespace camera
