// Test-only glue between the real device link (libTessan over libVornet) and
// media sessions, standing in for the camera object: APP_init once with two
// callbacks that find the session by device id, the stream requests sent
// with APP_send, the play started when the link reports Online, and the
// display tick started on the GUI thread when the first frame arrives.
// Used by the live tests and the live benchmark.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <string>

#include "device/camera_media.h"
#include "device/gui_calls.h"

namespace livetest {

// APP_init with the forwarding callbacks (again after an APP_uninit);
// `decipherAv`: the cameras encipher their A/V payload starts (RC4 under
// their access key), the link deciphers them. Only the first call after
// an APP_uninit counts.
void initDeviceLink(bool decipherAv = false);

class LiveCamera : public CameraMediaEvents {
 public:
  // `target` is where the display tick draws (borrowed; may be null).
  LiveCamera(const std::string& deviceId, PlayMode mode, VideoRenderTarget* target);
  ~LiveCamera() override;
  LiveCamera(const LiveCamera&) = delete;
  LiveCamera& operator=(const LiveCamera&) = delete;

  // APP_setServInfo + APP_connect with the camera's key; the play starts by
  // itself once the link is Online. The result of APP_connect.
  int connect(const std::string& accessKey, const std::string& lanAddress);

  CameraMedia media;
  std::atomic<int> status{0};  // last connection status reported
  // Called on the receive thread for every A/V frame, before the session
  // takes it (the benchmark stamps arrival times here).
  std::function<void(const AvFrame&)> onFrame;

  // Device-link callbacks land here (receive or connect thread).
  void message(unsigned type, const char* data, unsigned length);
  void frame(const char* data, unsigned length);

  // CameraMediaEvents
  void videoTimerStart(int ms) override;
  void sendStreamRequest(StreamRequest request) override;

 private:
  const std::string id_;
  const PlayMode mode_;
  VideoRenderTarget* const target_;
  // The calls handed to the test's (GUI) thread, as the camera object hands
  // them: through a queue under a mutex of its own, so a race detector sees
  // what a call carries pass from the link's thread to that one.
  GuiCalls guiCalls_;
};

}  // namespace livetest
