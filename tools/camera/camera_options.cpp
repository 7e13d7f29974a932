#include "camera_options.h"

#include <cstdlib>
#include <cstring>

#include "clip_recipes.h"

namespace camera {

const char* const kUsage =
    "usage: sim_camera --id ID [switches]\n"
    "  --key KEY            access key (token check, RC4 key)\n"
    "  --servers LIST       rendezvous servers for KV_SetServInfo (default none: LAN only)\n"
    "  --wait S             each KV_Listen waits S seconds (default 20)\n"
    "  --lifetime S         stop after S seconds (default 60, at most 3600)\n"
    "  --sessions N         serve N links one after another (default 1); 0: any number\n"
    "                       for the whole lifetime, listening again when a wait ends\n"
    "  --codec h264|h265    video codec (default h264)\n"
    "  --profile baseline|main|high   H.264 profile (default baseline: CAVLC, the\n"
    "                       fastest encoding; main and high use CABAC)\n"
    "  --fps N              frames per second (default 25)\n"
    "  --bitrate KBIT       average bit rate of the video (default: the encoder's\n"
    "                       quality under a cap of 1 bit per 1,000 pixels)\n"
    "  --gop N              pictures from one key frame to the next (default: fps)\n"
    "  --delimiters         send each access unit with its delimiter (default: without)\n"
    "  --clip-seconds N     length of the encoded clips, played in a loop (default 2)\n"
    "  --fhd WxH, --hd WxH  picture size of quality 5 and 1 (default 640x360, 320x180)\n"
    "  --pattern NAME       picture: testsrc2 (default), smptehdbars, rgbtestsrc,\n"
    "                       mandelbrot, life\n"
    "  --label TEXT         name drawn on the picture with a running clock (left out\n"
    "                       where ffmpeg cannot draw text)\n"
    "  --tone HZ            frequency of the sound, 50-3900 (default 440)\n"
    "  --snapshot FILE      write its first picture there as a JPEG 640 pixels wide\n"
    "  --auth check|refuse|never   answer to the token (default check)\n"
    "  --enc-msg, --enc-av  RC4 on message payloads / A/V payload starts\n"
    "  --no-enc-av          no RC4 on A/V payloads (after --field-stream: for a\n"
    "                       client that does not decipher them)\n"
    "  --stamps steady|epoch   A/V time stamps in ms since start-up (default) or\n"
    "                       since the Unix epoch\n"
    "  --in-flight N        at most N packets (1 KiB) unacknowledged; the rest of\n"
    "                       the stream waits (default: the transport's own window)\n"
    "  --field-stream       what cameras in the field send: --profile main\n"
    "                       --bitrate 1500 --gop 25 --delimiters --stamps epoch\n"
    "                       --enc-av --in-flight 96 (later switches override)\n"
    "  --drop-after N       drop the link after N video frames\n"
    "  --status3-after N    send status 3 after N video frames (0: right after the token)\n"
    "  --oversized-after N  send an oversized A/V header after N video frames\n"
    "  --manifest FILE      list every A/V frame sent (length and MD5 before RC4)\n"
    "  --work-dir DIR       folder for the encoder's files, kept and reused by cameras\n"
    "                       started with the same media switches (default a new one\n"
    "                       under /tmp, removed after start-up)\n";

namespace {

bool toInt(const char* s, int lo, int hi, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!end || *end || v < lo || v > hi) return false;
  *out = int(v);
  return true;
}

// "WxH", both even, 16-3840 by 16-2160.
bool toSize(const char* s, int* w, int* h) {
  const std::string t = s;
  const size_t x = t.find('x');
  if (x == std::string::npos) return false;
  int a = 0, b = 0;
  if (!toInt(t.substr(0, x).c_str(), 16, 3840, &a) || !toInt(t.substr(x + 1).c_str(), 16, 2160, &b)) return false;
  if (a % 2 || b % 2) return false;
  *w = a;
  *h = b;
  return true;
}

}  // namespace

std::string parseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](const char** v) {
      if (i + 1 >= argc) return false;
      *v = argv[++i];
      return true;
    };
    auto number = [&](int lo, int hi, int* out) {
      const char* v = nullptr;
      return value(&v) && toInt(v, lo, hi, out);
    };
    const char* v = nullptr;
    bool ok = true;
    if (a == "--id") {
      ok = value(&v) && (o->id = v, !o->id.empty());
    } else if (a == "--key") {
      ok = value(&v) && (o->protocol.key = v, true);
    } else if (a == "--servers") {
      ok = value(&v) && (o->servers = v, true);
    } else if (a == "--wait") {
      ok = number(1, 86400, &o->waitSeconds);
    } else if (a == "--lifetime") {
      ok = number(1, 3600, &o->lifetimeSeconds);
    } else if (a == "--sessions") {
      ok = number(0, 1000, &o->sessions);
    } else if (a == "--codec") {
      ok = value(&v) && (std::strcmp(v, "h264") == 0 || std::strcmp(v, "h265") == 0);
      if (ok) o->clips.codec = std::strcmp(v, "h264") == 0 ? VideoCodec::H264 : VideoCodec::H265;
    } else if (a == "--profile") {
      ok = value(&v);
      if (ok && std::strcmp(v, "baseline") == 0)
        o->clips.profile = H264Profile::Baseline;
      else if (ok && std::strcmp(v, "main") == 0)
        o->clips.profile = H264Profile::Main;
      else if (ok && std::strcmp(v, "high") == 0)
        o->clips.profile = H264Profile::High;
      else
        ok = false;
    } else if (a == "--bitrate") {
      ok = number(64, 50000, &o->clips.bitrateKbit);
    } else if (a == "--gop") {
      ok = number(1, 600, &o->clips.gop);
    } else if (a == "--delimiters") {
      o->clips.keepDelimiters = true;
    } else if (a == "--stamps") {
      ok = value(&v) && (std::strcmp(v, "steady") == 0 || std::strcmp(v, "epoch") == 0);
      if (ok) o->epochStamps = std::strcmp(v, "epoch") == 0;
    } else if (a == "--in-flight") {
      ok = number(1, 1024, &o->inFlightPackets);
    } else if (a == "--field-stream") {
      o->clips.profile = H264Profile::Main;
      o->clips.bitrateKbit = 1500;
      o->clips.gop = 25;
      o->clips.keepDelimiters = true;
      o->epochStamps = true;
      o->protocol.encAV = true;
      o->inFlightPackets = 96;
    } else if (a == "--fps") {
      ok = number(1, 60, &o->protocol.fps);
      o->clips.fps = o->protocol.fps;
    } else if (a == "--clip-seconds") {
      ok = number(1, 30, &o->clips.seconds);
    } else if (a == "--fhd") {
      ok = value(&v) && toSize(v, &o->clips.fhdWidth, &o->clips.fhdHeight);
    } else if (a == "--hd") {
      ok = value(&v) && toSize(v, &o->clips.hdWidth, &o->clips.hdHeight);
    } else if (a == "--pattern") {
      ok = value(&v) && knownPattern(v);
      if (ok) o->clips.pattern = v;
    } else if (a == "--label") {
      ok = value(&v) && (o->clips.label = v, true);
    } else if (a == "--snapshot") {
      ok = value(&v) && (o->snapshot = v, !o->snapshot.empty());
    } else if (a == "--tone") {
      ok = number(50, 3900, &o->clips.toneHz);
    } else if (a == "--auth") {
      ok = value(&v);
      if (ok && std::strcmp(v, "check") == 0)
        o->protocol.auth = AuthAnswer::Check;
      else if (ok && std::strcmp(v, "refuse") == 0)
        o->protocol.auth = AuthAnswer::Refuse;
      else if (ok && std::strcmp(v, "never") == 0)
        o->protocol.auth = AuthAnswer::Never;
      else
        ok = false;
    } else if (a == "--enc-msg") {
      o->protocol.encMsg = true;
    } else if (a == "--enc-av") {
      o->protocol.encAV = true;
    } else if (a == "--no-enc-av") {
      o->protocol.encAV = false;
    } else if (a == "--drop-after") {
      ok = number(0, 1000000, &o->protocol.dropAfterVideo);
    } else if (a == "--status3-after") {
      ok = number(0, 1000000, &o->protocol.status3AfterVideo);
    } else if (a == "--oversized-after") {
      ok = number(1, 1000000, &o->protocol.oversizedAfterVideo);
    } else if (a == "--manifest") {
      ok = value(&v) && (o->manifest = v, true);
    } else if (a == "--work-dir") {
      ok = value(&v) && (o->clips.workDir = v, true);
    } else {
      return "unknown switch " + a;
    }
    if (!ok) return "bad value for " + a;
  }
  if (o->id.empty()) return "--id is required";
  if (o->clips.codec != VideoCodec::H264 && o->clips.profile != H264Profile::Baseline)
    return "--profile is for H.264 only";
  return "";
}

}  // namespace camera
