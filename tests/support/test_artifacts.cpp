#include "test_artifacts.h"

#include <filesystem>
#include <system_error>

namespace testsupport {

std::string artifactsDir(const std::string& name) {
  std::filesystem::path dir(CAMVIEWER_ARTIFACTS_DIR);
  if (!name.empty()) dir /= name;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir.string();
}

std::string cameraClipCache() {
  std::error_code ec;
  std::filesystem::create_directories(CAMVIEWER_CLIP_CACHE_DIR, ec);
  return CAMVIEWER_CLIP_CACHE_DIR;
}

}  // namespace testsupport
