// Speed of our JPEG encoder at 1920x1080 against libjpeg-turbo coding the same
// pictures the same way (YCbCr 4:4:4 from the same enlarged chroma, quality
// 75, float DCT, fixed tables), with libjpeg-turbo's SIMD code off and on.
// libjpeg-turbo reads its SIMD switch once per process, so each libjpeg
// measurement runs in a child process of this program (--libjpeg).
// Prints megapixels per second per picture and overall, and the ratios; sends
// no network traffic.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ffmpeg/jpeg_encoder.h"
#include "libjpeg_reference.h"
#include "test_pictures.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kMaxRounds = 200;
constexpr double kSecondsPerPicture = 1.0;

struct NamedPicture {
  const char* name;
  I420Picture picture;
};

std::vector<NamedPicture> pictures() {
  return {{"scene", scenePicture(kWidth, kHeight)},
          {"smooth", smoothPicture(kWidth, kHeight)},
          {"noise", noisyPicture(kWidth, kHeight, 1)}};
}

// Megapixels per second of each picture, then of all of them together.
using Speeds = std::vector<double>;

// Encodes each picture again and again for about kSecondsPerPicture (at most
// kMaxRounds times) after one warm-up encoding.
Speeds measure(const std::vector<NamedPicture>& set,
               const std::function<void(const I420Picture&)>& encode) {
  Speeds speeds;
  double totalSeconds = 0;
  double totalPixels = 0;
  for (const NamedPicture& entry : set) {
    encode(entry.picture);
    const auto start = Clock::now();
    double seconds = 0;
    int rounds = 0;
    while (rounds < kMaxRounds && seconds < kSecondsPerPicture) {
      encode(entry.picture);
      ++rounds;
      seconds = std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double pixels = static_cast<double>(entry.picture.width) * entry.picture.height * rounds;
    speeds.push_back(pixels / 1e6 / seconds);
    totalSeconds += seconds;
    totalPixels += pixels;
  }
  speeds.push_back(totalPixels / 1e6 / totalSeconds);
  return speeds;
}

Speeds measureOurs(const std::vector<NamedPicture>& set) {
  std::vector<char> out(5529728);
  return measure(set, [&](const I420Picture& picture) {
    uint32_t size = static_cast<uint32_t>(out.size());
    if (yuv420_to_jpeg(picture.y(), static_cast<int>(picture.frameSize()), out.data(), &size,
                       picture.width, picture.height) != 0) {
      std::fprintf(stderr, "our encoder failed\n");
      std::exit(1);
    }
  });
}

Speeds measureLibjpeg(const std::vector<NamedPicture>& set) {
  return measure(set, [](const I420Picture& picture) {
    if (libjpeg_reference::encode(picture, 75).empty()) std::exit(1);
  });
}

// Runs this program with --libjpeg in a child, SIMD off or on, and reads the
// speeds it prints; empty on failure.
Speeds libjpegInChild(const char* self, bool simd) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t child = fork();
  if (child < 0) return {};
  if (child == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    if (simd) {
      unsetenv("JSIMD_FORCENONE");
    } else {
      setenv("JSIMD_FORCENONE", "1", 1);
    }
    execl("/proc/self/exe", self, "--libjpeg", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  std::string text;
  char buffer[256];
  ssize_t n;
  while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  Speeds speeds;
  const char* at = text.c_str();
  char* end = nullptr;
  for (double value = std::strtod(at, &end); end != at; value = std::strtod(at, &end)) {
    speeds.push_back(value);
    at = end;
  }
  return speeds;
}

bool sameAsLibjpeg(const std::vector<NamedPicture>& set) {
  std::vector<uint8_t> out(5529728);
  for (const NamedPicture& entry : set) {
    const I420Picture& picture = entry.picture;
    uint32_t size = static_cast<uint32_t>(out.size());
    if (yuv420_to_jpeg(picture.y(), static_cast<int>(picture.frameSize()),
                       reinterpret_cast<char*>(out.data()), &size, picture.width,
                       picture.height) != 0)
      return false;
    const std::vector<uint8_t> ours(out.begin(), out.begin() + size);
    if (libjpeg_reference::withSortedHuffmanTables(ours) !=
        libjpeg_reference::withSortedHuffmanTables(libjpeg_reference::encode(picture, 75)))
      return false;
  }
  return true;
}

void printRow(const char* name, double ours, double off, double on) {
  std::printf("  %-8s %8.1f %12.1f %12.1f %14.2f %14.2f\n", name, ours, off, on, ours / off,
              ours / on);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<NamedPicture> set = pictures();
  if (argc > 1 && std::strcmp(argv[1], "--libjpeg") == 0) {
    for (double speed : measureLibjpeg(set)) std::printf("%.3f ", speed);
    std::printf("\n");
    return 0;
  }
  const Speeds off = libjpegInChild(argv[0], false);
  const Speeds on = libjpegInChild(argv[0], true);
  const Speeds ours = measureOurs(set);
  libjpeg_reference::disableSimd();
  const bool same = sameAsLibjpeg(set);
  if (off.size() != ours.size() || on.size() != ours.size()) {
    std::fprintf(stderr, "libjpeg measurement failed\n");
    return 1;
  }
  std::printf("JPEG encoder at %dx%d, quality 75, 4:4:4 from I420, megapixels per second\n",
              kWidth, kHeight);
  std::printf("  output identical to libjpeg-turbo (DHT order aside): %s\n", same ? "yes" : "NO");
  std::printf("  %-8s %8s %12s %12s %14s %14s\n", "picture", "ours", "libjpeg", "libjpeg",
              "ratio", "ratio");
  std::printf("  %-8s %8s %12s %12s %14s %14s\n", "", "", "SIMD off", "SIMD on", "ours/off",
              "ours/on");
  for (std::size_t i = 0; i < set.size(); ++i) printRow(set[i].name, ours[i], off[i], on[i]);
  printRow("all", ours.back(), off.back(), on.back());
  return same ? 0 : 1;
}
