// Switches of the test listening device (documented at the top of main.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace listen_device {

struct Options {
  std::string id;
  std::string servers;        // KV_SetServInfo list; empty: no servers
  uint32_t waitSeconds = 20;  // KV_Listen wait per session
  bool noDetect = false;
  bool multicast = false;
  uint16_t detectPort = 0;
  int sessions = 1;           // listens in a row; linked sessions stay open
  bool echo = false;          // send channel-0 bytes back
  uint32_t lifetimeSeconds = 60;
};

constexpr uint32_t kMaxLifetimeSeconds = 600;
constexpr int kMaxSessions = 128;

// Empty on success, else what is wrong.
std::string parse_options(int argc, const char* const* argv, Options* out);

uint32_t listen_flags(const Options& o);

}  // namespace listen_device
