// Test fixture for the main window's lists against the fake device link
// (offscreen): a main window with a scratch user folder and group.dat, a
// device container the test fills with device-list entries, the list built
// through the main window's own signal, and the requests the cameras send
// as the fake recorded them. The cameras and groups are removed with the
// main window's own delete-all before the window goes.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "../app/log_capture.h"
#include "device/OneWindowDevice.h"
#include "device/QuadWindowDevice.h"
#include "fake_tessan.h"
#include "http_command/device_container.h"
#include "mainwindow.h"
#include "wait_until.h"

namespace liststest {

// One device-list entry: id, device type, connection status.
struct Listed {
  const char* id;
  int type = 1;
  int status = 1;
};

// A request the fake device link was asked to send.
struct Sent {
  std::string sn;
  int msgType;
  bool operator==(const Sent& o) const { return sn == o.sn && msgType == o.msgType; }
};
void PrintTo(const Sent& s, std::ostream* os);

class ListsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The device list of the next build (a fresh container).
  void listDevices(std::initializer_list<Listed> entries);
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
  // Everything the fake fired has run, and what it queued was handled.
  void deliver();

  // Position in the fake's record (mark), the requests since (sent).
  size_t mark() const { return fake_tessan::calls().size(); }
  std::vector<Sent> sent(size_t since) const;
  // The calls of `function` since `since`, by device id.
  std::vector<std::string> callsOf(const std::string& function, size_t since) const;

  // The picture `button` shows is the program picture `name`.
  static bool showsIcon(const QAbstractButton& button, const char* name);
  // The requests of `sent` with one of these message types.
  static std::vector<Sent> only(const std::vector<Sent>& all, std::initializer_list<int> types);

  static bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    return cameratest::waitUntil(done, ms);
  }

  QTemporaryDir data_;
  MainWindow* window_ = nullptr;
  std::unique_ptr<Device> device_;
  std::unique_ptr<testsupport::LogCapture> log_;
};

}  // namespace liststest
