// A fake device link for tests that need no camera: a static library with
// the APP_ functions of Tessan.h that the client calls (APP_init,
// APP_uninit, APP_setServInfo, APP_connect, APP_disconnect, APP_send).
// Link `camviewer_fake_tessan` instead of `Tessan`; camviewer_core does not
// link either. Never link both into one program.
//
// It records every call with its arguments (payload bytes copied), and
// fires the client's two callbacks from a thread of its own (one thread,
// jobs in the order they were posted), the way the library's receive
// thread does. It keeps what the client relies on:
//   - APP_init: only the first call after start (or after APP_uninit /
//     reset()) takes the callbacks; later calls return 0 and change nothing;
//   - every other function returns E_APP_ERR_NOT_INIT (-201) before it;
//   - APP_connect: -202 for a null auth block or a key longer than 256
//     bytes, -205 while the device's session is connected, else 0; then
//     the statuses scripted with scriptConnect() are reported from the fake
//     thread (none by default);
//   - APP_send: -202 for a null device id or a frame type whose low byte
//     is not 0, 1 or 127, -204 unless the device's session is connected,
//     else the bytes a HH01 frame of the payload takes (48 + length);
//   - APP_disconnect: reports status 6 (link mode 0) through the message
//     callback on the caller's thread when the session was connected;
//     returns 0, also for an unknown id.
// A session counts as connected once a status 2, 3 or 10 was reported for
// it (by a script or postStatus), and no longer after 4, 5 or 6.
//
// Unlike the library, the fake does not hold a lock shared with
// APP_disconnect while a callback runs: a client must not rely on that to
// keep a camera alive (the camera registry does).
//
//   fake_tessan::reset();
//   ... create the camera (it calls APP_init) ...
//   fake_tessan::postStatus("CAM1", E_CONN_STATUS_ONLINE);
//   fake_tessan::postAvFrame("CAM1", testsupport::avFrameBytes(...));
//   ASSERT_TRUE(fake_tessan::flush());      // everything posted was delivered
//   EXPECT_EQ(fake_tessan::calls("APP_send").size(), 2u);
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "Tessan.h"

namespace fake_tessan {

using Bytes = std::vector<uint8_t>;

// One recorded call; only the fields of that function are set.
struct Call {
  std::string function;  // "APP_init", "APP_connect", "APP_send", ...
  std::string sn;
  int result = 0;
  std::thread::id thread;  // the caller's
  // APP_init
  P2P_PCB_RECV_MSG msgCallback = nullptr;
  P2P_PCB_RECV_AV avCallback = nullptr;
  // APP_setServInfo
  std::string servList;
  // APP_connect
  Bytes accessKey;  // keyLen bytes as passed
  int keyLen = 0;
  Bytes auth;  // the 32-byte MSG_AUTH_REQ
  uint32_t connectMode = 0;
  std::string lanAddr;
  bool lanAddrNull = false;
  // APP_send
  std::string name;  // szName ("" for null)
  bool nameNull = false;
  int msgType = 0;
  Bytes payload;  // nDataLen bytes (empty for a null pointer)
  uint32_t dataLen = 0;
  bool dataNull = false;
  int frameType = 0;
};

// Forgets every call, session and script, and the APP_init (as a fresh
// process would have it). Waits for the fake thread to be idle first.
void reset();

std::vector<Call> calls();
std::vector<Call> calls(const std::string& function);
// Waits (bounded) until `function` was called at least `count` times.
bool waitForCalls(const std::string& function, size_t count, int timeoutMs = 10000);

// What APP_connect for `sn` reports afterwards, from the fake thread
// (e.g. {1, 10}: connecting, then online). Kept until reset().
void scriptConnect(const std::string& sn, const std::vector<int>& statuses);

// ---- callbacks fired from the fake thread, in order ----
// Message 153 with a 56-byte MSG_CONN_STATUS.
void postStatus(const std::string& sn, int status, int linkMode = 1);
// Any message (the payload as the camera sent it, 18-byte name empty).
void postMessage(const std::string& sn, uint32_t msgType, const Bytes& payload);
// A/V callback with `frame` as it is (testsupport::avFrameBytes in
// av_frame_bytes.h builds one), frame type 127.
void postAvFrame(const std::string& sn, const Bytes& frame);
// A/V callback with any bytes and frame type (length-prefixed frames).
void postAv(const std::string& sn, const Bytes& bytes, uint8_t frameType);
// `count` copies of `frame`, each a callback of its own.
void postAvFrames(const std::string& sn, const Bytes& frame, int count);
// The fake thread pauses `ms` before the next job (to spread frames in time).
void postPause(int ms);
// Waits (bounded) until everything posted so far has been delivered.
bool flush(int timeoutMs = 10000);
// Callbacks fired so far (both kinds).
uint64_t delivered();

}  // namespace fake_tessan
