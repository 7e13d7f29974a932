// The env file a running world leaves (tools/world/world.py): the cloud,
// the account and, per camera, what the cloud hands the client for it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace world {

struct WorldCamera {
  std::string id, alias;
  bool ptz = false;
  std::string key;      // accessKey of its fetch-infos
  std::string servers;  // stunServers of its dev-config
  std::string localIp;  // localIp of its fetch-infos
  int toneHz = 0;
  int pid = 0;
};

struct WorldEnv {
  std::map<std::string, std::string> values;  // every KEY=VALUE of the file
  std::string cloudUrl, caFile, account, password;
  int fhdWidth = 0, fhdHeight = 0, hdWidth = 0, hdHeight = 0;
  std::string codec;
  std::vector<WorldCamera> cameras;
};

// One value as the shell reads it: bare words, '...' (nothing escaped
// inside) and "..." (backslash escapes), next to each other.
std::string unquoteShellWord(const std::string& text);

// Reads the file; false with `error` set when it cannot or a key is missing.
bool readWorldEnv(const std::string& path, WorldEnv* out, std::string* error);

}  // namespace world
