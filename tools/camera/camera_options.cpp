#include "camera_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace camera {

const char* const kUsage =
    "usage: sim_camera --id ID [switches]\n"
    "  --key KEY            access key (token check, RC4 key)\n"
    "  --servers LIST       rendezvous servers for KV_SetServInfo (default none: LAN only)\n"
    "  --wait S             each KV_Listen waits S seconds (default 20)\n"
    "  --lifetime S         stop after S seconds (default 60, at most 600)\n"
    "  --sessions N         serve N links one after another (default 1)\n"
    "  --codec h264|h265    video codec (default h264)\n"
    "  --fps N              frames per second (default 25)\n"
    "  --clip-seconds N     length of the encoded clips, played in a loop (default 2)\n"
    "  --size WxH           picture size of the main quality (default 640x360)\n"
    "  --auth check|refuse|never   answer to the token (default check)\n"
    "  --enc-msg, --enc-av  RC4 on message payloads / A/V payload starts\n"
    "  --drop-after N       drop the link after N video frames\n"
    "  --status3-after N    send status 3 after N video frames (0: right after the token)\n"
    "  --oversized-after N  send an oversized A/V header after N video frames\n"
    "  --manifest FILE      list every A/V frame sent (length and MD5 before RC4)\n"
    "  --work-dir DIR       folder for the encoder's files (default a new one under /tmp)\n";

namespace {

bool toInt(const char* s, int lo, int hi, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!end || *end || v < lo || v > hi) return false;
  *out = int(v);
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
      ok = number(1, 600, &o->lifetimeSeconds);
    } else if (a == "--sessions") {
      ok = number(1, 1000, &o->sessions);
    } else if (a == "--codec") {
      ok = value(&v) && (std::strcmp(v, "h264") == 0 || std::strcmp(v, "h265") == 0);
      if (ok) o->clips.codec = std::strcmp(v, "h264") == 0 ? VideoCodec::H264 : VideoCodec::H265;
    } else if (a == "--fps") {
      ok = number(1, 60, &o->protocol.fps);
      o->clips.fps = o->protocol.fps;
    } else if (a == "--size") {
      int w = 0, h = 0;
      ok = value(&v) && std::sscanf(v, "%dx%d", &w, &h) == 2 && w >= 16 && h >= 16 && w <= 3840 &&
           h <= 2160 && w % 2 == 0 && h % 2 == 0;
      if (ok) o->clips.fhdWidth = w, o->clips.fhdHeight = h;
    } else if (a == "--clip-seconds") {
      ok = number(1, 30, &o->clips.seconds);
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
  return "";
}

}  // namespace camera
