// The shell while there is no main window: every read is empty, every
// change and notice goes nowhere.
#include "event/play_state.h"
#include "event/shell.h"

namespace {

class StandIn : public Shell {
 public:
  bool present() const override { return false; }
  int playAreaState() const override { return E_MAINWINDOW_NOT_PLAYING; }
  SaveFolders saveFolders() const override { return {}; }
  const QList<oneWindowDevice*>& cameraList() const override { return cameras_; }
  const QList<QuadWindowDevice*>& groupList() const override { return groups_; }
  Device* deviceRecords() const override { return nullptr; }
  const App_config* appConfiguration() const override { return nullptr; }
  CloudClient* cloudClient() override { return nullptr; }
  const CountryCodeList* countryTable() const override { return nullptr; }
  QString programTitle() const override { return {}; }
  void setSaveFolders(const SaveFolders&) override {}
  void showInPlayArea(QWidget*) override {}
  void setPlayViewIcon(const QString&, int, bool) override {}
  void setGroupPlayViewIcon(const QString&, const QString&, int, bool) override {}
  void playGroupCamera(const QString&, const QString&) override {}
  QObject* playRequestReceiver() override { return nullptr; }
  QList<GroupCamera> groupCreateCameras() const override { return {}; }
  QStringList groupCreateExistingNames() const override { return {}; }
  void groupCreateAdd(QuadWindowDevice_local_file_node&, QList<QString>&) override {}
  void notifyCameraState(const QString&, int) override {}
  void notifyStopPlay(const QString&) override {}
  void notifyRecordState(const QString&, bool) override {}
  void notifyGroupIcon(const QString&, const QString&, int, bool) override {}
  void notifyGroupDeleted(const QString&) override {}
  void notifySignOut() override {}
  void notifyStoredFileRefused(StoredFileNotices::Notice) override {}

 private:
  const QList<oneWindowDevice*> cameras_;
  const QList<QuadWindowDevice*> groups_;
};

}  // namespace

Shell& shellStandIn() {
  static StandIn standIn;
  return standIn;
}
