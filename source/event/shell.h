// What the windows, the camera objects and the group items need of the main
// window, and no more: a few reads, the play area, and the notices that the
// main window turns into its signals. They reach it through shell(), never
// through mainwindow.h, so that nothing below the main window depends on
// all of it.
//
// shell() is the one main window (it implements Shell) once the program
// entry has made it, and before that (or in a test without one) a stand-in
// whose reads are empty and whose notices go nowhere; present() tells them
// apart where that matters.
//
// Threads: the reads, the play area and the calls of the main window's
// slots are for the GUI thread; the notices (notify*) may come from any
// thread: each emits the main window's signal, queued to the GUI thread
// when it comes from another.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "event/group_creation.h"
#include "event/stored_file_notices.h"
#include "util_class/country_code.h"
#include "util_class/save_folders.h"

class CloudClient;
class Device;
class QObject;
class QWidget;
class QuadWindowDevice;
class oneWindowDevice;
struct App_config;

class Shell {
 public:
  virtual ~Shell() = default;

  // False for the stand-in while there is no main window.
  virtual bool present() const { return true; }

  // ---- reads (GUI thread) ----
  // What the play area shows (playState, event/play_state.h).
  virtual int playAreaState() const = 0;
  // The signed-in user's folders.
  virtual SaveFolders saveFolders() const = 0;
  virtual const QList<oneWindowDevice*>& cameraList() const = 0;
  virtual const QList<QuadWindowDevice*>& groupList() const = 0;
  // The cloud's records of the session (null while there is none).
  virtual Device* deviceRecords() const = 0;
  virtual const App_config* appConfiguration() const = 0;
  // The cloud protocol (null for the stand-in).
  virtual CloudClient* cloudClient() = 0;
  // The country table (null while none is loaded).
  virtual const CountryCodeList* countryTable() const = 0;
  virtual QString programTitle() const = 0;

  // ---- changes (GUI thread) ----
  // The settings' download folders, kept and written to config.json.
  virtual void setSaveFolders(const SaveFolders& folders) = 0;
  // `view` into the play area (once; a view there already stays).
  virtual void showInPlayArea(QWidget* view) = 0;
  // The play views' icon slots, called directly (oneWindow_ /
  // quadWindow_playWindow_icon_change_Handler).
  virtual void setPlayViewIcon(const QString& deviceId, int iconType, bool state) = 0;
  virtual void setGroupPlayViewIcon(const QString& groupName, const QString& deviceId, int iconType,
                                    bool state) = 0;
  // A group's view asks to show the group again (quadWindowPlay_video_Handler).
  virtual void playGroupCamera(const QString& groupName, const QString& deviceId) = 0;
  // The object whose slots oneWindowPlay_video_Handler and
  // quadWindowPlay_video_Handler take the list pictures' play requests
  // (null for the stand-in).
  virtual QObject* playRequestReceiver() = 0;

  // ---- group creation (GUI thread) ----
  // The cameras the dialog offers, in list order.
  virtual QList<GroupCamera> groupCreateCameras() const = 0;
  // The names of the groups there are.
  virtual QStringList groupCreateExistingNames() const = 0;
  // Adds a group made in the dialog: its item (from the row's name and
  // `deviceIds`), its row in group.dat, the item at the end of the group
  // list, then quadWindow_devicelistUpdate.
  virtual void groupCreateAdd(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds) = 0;

  // ---- notices (any thread) ----
  virtual void notifyCameraState(const QString& deviceId, int state) = 0;           // update_device_state
  virtual void notifyStopPlay(const QString& deviceId) = 0;                         // device_stop_play
  virtual void notifyRecordState(const QString& deviceId, bool recording) = 0;      // device_change_record_picture_state
  virtual void notifyGroupIcon(const QString& groupName, const QString& deviceId, int iconType,
                               bool state) = 0;                                     // quadWindow_playWindow_icon_change
  virtual void notifyGroupDeleted(const QString& groupName) = 0;                    // delete_quadDevice
  virtual void notifySignOut() = 0;                                                 // user_singout
  // Something kept for the user could not be stored: told once (see
  // event/stored_file_notices.h), over the window the user looks at.
  virtual void notifyStoredFileRefused(StoredFileNotices::Notice notice) = 0;
};

// The main window, or the stand-in while there is none.
Shell& shell();
// The stand-in: reads empty, notices and changes go nowhere.
Shell& shellStandIn();
