// Command-line switches of the simulated camera.
#pragma once

#include <string>

#include "camera_protocol.h"
#include "media_clips.h"

namespace camera {

struct Options {
  std::string id;
  std::string servers;      // KV_SetServInfo list; empty: LAN only
  int waitSeconds = 20;     // each KV_Listen
  int lifetimeSeconds = 60; // the camera stops by itself after this
  int sessions = 1;         // links served one after another; 0: any number
  std::string manifest;     // file that lists every A/V frame sent
  std::string snapshot;     // JPEG of the first picture, written at start-up
  bool epochStamps = false; // A/V time stamps in ms since the Unix epoch (else since start-up)
  int inFlightPackets = 0;  // at most this many packets unacknowledged; 0: the transport's window
  ProtocolConfig protocol;
  ClipRequest clips;
};

// Empty on success, else what is wrong.
std::string parseOptions(int argc, char** argv, Options* o);

extern const char* const kUsage;

}  // namespace camera
