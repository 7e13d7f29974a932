// Decoding speed of KVVideo_Decode on a 1080p H.264 stream made by x264 (no
// B-frames, as cameras send), against the ffmpeg command line decoding the
// same file on one thread into the null muxer. Prints pictures per second of
// both and their ratio; best of several rounds each.
// Usage: kv_video_decode_bench [rounds (default 3)] [frames (default 250)]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "KV_VideoCodec.h"
#include "media_assets.h"

using namespace media_assets;
using Clock = std::chrono::steady_clock;

namespace {

double seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// One pass over every access unit; returns the seconds taken or -1 when a
// call did not give its picture.
double decodeOnce(const std::vector<Bytes>& aus, std::vector<uint8_t>& out) {
  void* h = nullptr;
  if (KVVideo_Create(VIDEO_CODE_TYPE_H264, &h) != 0) return -1;
  const auto t0 = Clock::now();
  for (const Bytes& au : aus) {
    int len = static_cast<int>(out.size()), w = 1920, hgt = 1080;
    if (KVVideo_Decode(h, au.data(), 0, static_cast<int>(au.size()), out.data(), 0, &len, &w, &hgt) <= 0) {
      KVVideo_Destroy(&h);
      return -1;
    }
  }
  const double t = seconds(t0, Clock::now());
  KVVideo_Destroy(&h);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = std::clamp(argc > 1 ? atoi(argv[1]) : 3, 1, 20);
  const int frames = std::clamp(argc > 2 ? atoi(argv[2]) : 250, 10, 2000);
  const std::string name = "bench_h264_1080p_" + std::to_string(frames);
  const TestStream stream{name.c_str(), VideoCodec::H264, 1920, 1080, "yuv420p", "yuv420p", frames, 50};
  const std::string file = streamFile(stream);
  const auto aus = splitAccessUnits(readFile(file), VideoCodec::H264);
  if (aus.size() != static_cast<size_t>(frames)) {
    fprintf(stderr, "stream %s has %zu access units, wanted %d\n", file.c_str(), aus.size(), frames);
    return 1;
  }
  std::vector<uint8_t> out(5529728);

  double ours = 1e9, theirs = 1e9;
  for (int r = 0; r < rounds; ++r) {
    const double t = decodeOnce(aus, out);
    if (t < 0) {
      fprintf(stderr, "KVVideo_Decode did not give a picture for every access unit\n");
      return 1;
    }
    ours = std::min(ours, t);
    const auto t0 = Clock::now();
    const CommandResult c = run("ffmpeg -nostdin -v error -threads 1 -i " + quoted(file) + " -f null -");
    const double tf = seconds(t0, Clock::now());
    if (c.exitCode != 0) {
      fprintf(stderr, "ffmpeg failed: %s\n", c.output.c_str());
      return 1;
    }
    theirs = std::min(theirs, tf);
  }
  const double ppsOurs = frames / ours;
  const double ppsTheirs = frames / theirs;
  printf("1080p H.264, %d pictures, best of %d rounds\n", frames, rounds);
  printf("KVVideo_Decode:                   %8.1f pictures/s\n", ppsOurs);
  printf("ffmpeg -threads 1 -f null (process): %8.1f pictures/s\n", ppsTheirs);
  printf("ratio KVVideo_Decode / ffmpeg: %.2f\n", ppsOurs / ppsTheirs);
  return 0;
}
