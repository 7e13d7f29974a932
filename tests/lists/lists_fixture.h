// Test fixture for the main window's lists against the fake device link
// (offscreen), on top of the camera tests' fixture (main window, scratch
// data folder, fake device link, log capture): the user's folder with its
// group.dat, the device list of the next build, the list built through the
// main window's own signal, and the requests the cameras sent as the fake
// recorded them. The main window removes its cameras and groups when it goes.
#pragma once

#include <QAbstractButton>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "camera_fixture.h"
#include "device/QuadWindowDevice.h"
#include "device_listing.h"

namespace liststest {

// The requests of a play, as the camera must see them.
constexpr int kVideoStart = E_MSG_VIDEO_START_REQ;  // 256
constexpr int kAudioStart = E_MSG_AUDIO_START_REQ;  // 260
constexpr int kVideoStop = E_MSG_VIDEO_STOP_REQ;    // 258
constexpr int kAudioStop = E_MSG_AUDIO_STOP_REQ;    // 262

// A request the fake device link was asked to send.
struct Sent {
  std::string sn;
  int msgType;
  bool operator==(const Sent& o) const { return sn == o.sn && msgType == o.msgType; }
};
void PrintTo(const Sent& s, std::ostream* os);

class ListsTest : public CameraTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The device list of the next build (a fresh container).
  void listDevices(std::initializer_list<Listed> entries);
  // As many connected cameras, one per id.
  void listCameras(const QStringList& ids);
  // The list as the device configuration's arrival builds it.
  void buildList();
  // A stored group (group.dat) with these device ids.
  void storeGroup(const QString& name, const QStringList& ids);
  // The rows of group.dat as the sqlite3 shell prints them.
  QString groupRows() const;
  // Sign-out from inside the application's event loop, as the program
  // runs it; the loop's result (1).
  int signOut();

  oneWindowDevice* camera(const QString& id) const;
  QuadWindowDevice* group(const QString& name) const;
  // The fake reports the camera online; delivered.
  void online(const QString& id);

  // Position in the fake's record (mark), the requests since (sent).
  size_t mark() const { return fake_tessan::calls().size(); }
  std::vector<Sent> sent(size_t since) const;
  // The device ids of the calls of `function` since `since`.
  std::vector<std::string> callsOf(const std::string& function, size_t since) const;
  // The picture `button` shows is the program picture `name`.
  static bool showsIcon(const QAbstractButton& button, const char* name);
  // The requests of `all` with one of these message types.
  static std::vector<Sent> only(const std::vector<Sent>& all, std::initializer_list<int> types);
};

}  // namespace liststest
