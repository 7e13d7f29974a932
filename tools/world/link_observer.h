// What the device link reports for each camera, gathered from the library's
// two callbacks (its receive and connect threads) for the world check to
// read and wait on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Tessan.h"

namespace world {

struct LinkReport {
  std::vector<int> statuses;  // connection statuses in order
  int linkMode = 0;           // of the last status
  std::map<uint32_t, int> messages;  // answers by type (not 153)
  int sampleRate = 0, sampleBits = 0, channels = 0;  // of the stream parameters (149)
  int videoFrames = 0, keyFrames = 0, audioFrames = 0;
  uint16_t codec = 0;                     // of the last video frame
  std::pair<int, int> lastSize{0, 0};     // of the last video frame
  int framesAtLastSize = 0;               // video frames in a row of that size
  bool firstVideoWasKey = false;          // of the first video frame after each status 10
};

class LinkObserver {
 public:
  // For APP_init: both callbacks carry this observer as their context.
  APP_INIT_PARAM initParam();

  LinkReport report(const std::string& id);
  // Waits up to timeoutMs for any callback.
  void waitForNews(int timeoutMs);

 private:
  static int onMessage(const HCHAR* sn, HUINT32 type, HCHAR* data, HUINT32 len, HCHAR* name, HINT32 ft, void* ctx);
  static int onAv(const HCHAR* sn, HCHAR* frame, HUINT32 len, void* ctx, HUCHAR ft);

  std::mutex m_;
  std::condition_variable cv_;
  std::map<std::string, LinkReport> reports_;
  std::map<std::string, bool> awaitingFirstVideo_;
  uint64_t news_ = 0;
};

}  // namespace world
