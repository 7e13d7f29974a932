// Test and benchmark helpers for the media libraries: streams made by the
// ffmpeg command line (cached beside the test binary), reference outputs,
// and splitting of elementary streams into access units / ADTS frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace media_assets {

using Bytes = std::vector<uint8_t>;

struct CommandResult {
  int exitCode;
  std::string output;  // stdout and stderr together
};

// Runs `command` through /bin/sh and collects its output.
CommandResult run(const std::string& command);

// Path of `name` under the asset folder, produced once by
// `ffmpeg -nostdin -y -loglevel error <args> <path>` (written to a temporary
// name and renamed, so tests running side by side share it safely).
// Aborts the program when ffmpeg fails.
std::string ffmpegAsset(const std::string& name, const std::string& args);

Bytes readFile(const std::string& path);

// Quotes a path for the shell.
std::string quoted(const std::string& s);

enum class VideoCodec { H264, H265 };
void PrintTo(VideoCodec c, std::ostream* os);

// Splits an Annex-B stream made with access unit delimiters into access units
// (each starting at its delimiter's start code).
std::vector<Bytes> splitAccessUnits(const Bytes& stream, VideoCodec codec);

// True when the access unit holds an IDR/IRAP picture.
bool isKeyFrame(const Bytes& au, VideoCodec codec);

// Splits an ADTS stream into frames by each header's frame length.
std::vector<Bytes> splitAdts(const Bytes& stream);

// The frame's payload behind the fixed 7-byte header the audio decode thread
// writes (AAC LC, 8 kHz index, channel configuration 1, whatever the stream).
Bytes withClientHeader(const Bytes& adtsFrame);

// The x264/x265 encoder options for `codec`: `bframes` B-frames (cameras send
// none), a key frame every `gop` pictures, access unit delimiters, quiet;
// `slices` slices per picture (0: the encoder's choice, one here).
std::string encoderArgs(VideoCodec codec, int gop, int bframes = 0, int slices = 0);

// ffmpeg output-format name for the raw elementary stream.
const char* rawFormat(VideoCodec codec);

// A test-source video stream made by x264/x265 at 25 pictures per second.
struct TestStream {
  const char* name;
  VideoCodec codec;
  int width;
  int height;
  const char* encodePixFmt;
  const char* referencePixFmt;  // what a decoder must deliver, as ffmpeg converts it
  int frames;
  int gop = 10;
  int bframes = 0;
  int slices = 0;  // 0: the encoder's choice
};
void PrintTo(const TestStream& s, std::ostream* os);

// The Annex-B stream file of `s`.
std::string streamFile(const TestStream& s);
// ffmpeg's decode of `s`, converted to s.referencePixFmt.
Bytes referencePictures(const TestStream& s);
// Bytes of one w x h I420 picture.
size_t pictureSize(int w, int h);

}  // namespace media_assets
