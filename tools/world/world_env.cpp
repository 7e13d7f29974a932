#include "world_env.h"

#include <cstdlib>
#include <fstream>

namespace world {
namespace {

bool parseSize(const std::string& text, int* w, int* h) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  *w = std::atoi(text.substr(0, x).c_str());
  *h = std::atoi(text.substr(x + 1).c_str());
  return *w > 0 && *h > 0;
}

}  // namespace

std::string unquoteShellWord(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\'') {
      const size_t end = text.find('\'', i + 1);
      const size_t stop = end == std::string::npos ? text.size() : end;
      out += text.substr(i + 1, stop - i - 1);
      i = stop;
    } else if (c == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        out += text[i];
      }
    } else if (c == '\\' && i + 1 < text.size()) {
      out += text[++i];
    } else {
      out += c;
    }
  }
  return out;
}

bool readWorldEnv(const std::string& path, WorldEnv* out, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    *error = "cannot read " + path;
    return false;
  }
  WorldEnv env;
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos && eq > 0) env.values[line.substr(0, eq)] = unquoteShellWord(line.substr(eq + 1));
  }
  std::string missing;
  auto get = [&](const std::string& key) {
    const auto it = env.values.find(key);
    if (it == env.values.end()) {
      if (missing.empty()) missing = key;
      return std::string();
    }
    return it->second;
  };
  env.cloudUrl = get("CAMVIEWER_CLOUD_URL");
  env.caFile = get("CAMVIEWER_CLOUD_CA");
  env.account = get("WORLD_ACCOUNT");
  env.password = get("WORLD_PASSWORD");
  env.codec = get("WORLD_CODEC");
  const bool sizes = parseSize(get("WORLD_FHD"), &env.fhdWidth, &env.fhdHeight) &&
                     parseSize(get("WORLD_HD"), &env.hdWidth, &env.hdHeight);
  const std::string ids = get("WORLD_CAMERAS");
  for (size_t n = 1; n <= 64; ++n) {
    const std::string pre = "WORLD_CAMERA_" + std::to_string(n) + "_";
    if (!env.values.count(pre + "ID")) break;
    WorldCamera c;
    c.id = get(pre + "ID");
    c.alias = get(pre + "ALIAS");
    c.ptz = get(pre + "PTZ") == "1";
    c.key = get(pre + "KEY");
    c.servers = get(pre + "SERVERS");
    c.localIp = get(pre + "LOCAL_IP");
    c.toneHz = std::atoi(get(pre + "TONE").c_str());
    c.pid = std::atoi(get(pre + "PID").c_str());
    env.cameras.push_back(c);
  }
  if (!missing.empty()) {
    *error = path + " has no " + missing;
    return false;
  }
  if (!sizes || env.cameras.empty()) {
    *error = path + " names no picture sizes or no cameras";
    return false;
  }
  std::string listed;
  for (const WorldCamera& c : env.cameras) listed += (listed.empty() ? "" : " ") + c.id;
  if (listed != ids) {
    *error = path + ": WORLD_CAMERAS is \"" + ids + "\", the camera entries \"" + listed + "\"";
    return false;
  }
  *out = env;
  return true;
}

}  // namespace world
