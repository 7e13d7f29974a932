#include "jpeg_test_support.h"

#include <sstream>

#include "ffmpeg/jpeg_encoder.h"

std::vector<uint8_t> encodeWithOurs(const I420Picture& picture, int* result) {
  // Pure noise codes to a little over twice the I420 size; headers add 625.
  std::vector<uint8_t> out(picture.frameSize() * 3 + 1024);
  uint32_t size = static_cast<uint32_t>(out.size());
  const int code = yuv420_to_jpeg(picture.y(), static_cast<int>(picture.frameSize()),
                                  reinterpret_cast<char*>(out.data()), &size, picture.width,
                                  picture.height);
  if (result != nullptr) *result = code;
  if (code != 0) return {};
  out.resize(size);
  return out;
}

std::string firstDifference(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& theirs) {
  std::ostringstream text;
  text << "lengths " << ours.size() << " (ours) and " << theirs.size() << " (libjpeg)";
  for (std::size_t i = 0; i < ours.size() && i < theirs.size(); ++i) {
    if (ours[i] != theirs[i]) {
      text << "; first difference at byte " << i << ": " << int(ours[i]) << " vs "
           << int(theirs[i]);
      break;
    }
  }
  return text.str();
}
