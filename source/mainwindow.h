// MainWindow: the program's one top-level window and the hub the rest of the
// program reaches through the process-wide `mainwindow` pointer. It holds the
// signed-in user's state, the camera and group lists, the cloud calls'
// network managers, the token timers and the snapshot request thread, and
// lays out the navigation column, the list column and the play area.
//
// Where the members live:
//   mainwindow.cpp                 construction, navigation column and slots (settings
//                                  among them), the country table, destruction
//   event/mainwindow_cloud.cpp     HTTP_* requests and reply slots, random_string,
//                                  the refresh and login-other-place timers
//   event/mainwindow_lists.cpp     camera list and group panel built, the group list's
//                                  slots, what the cameras report, every camera and
//                                  group removed
//   event/mainwindow_shell.cpp     what the rest of the program asks of the window
//                                  (Shell), the play area's and the icon slots
//   event/mainwindow_signout.cpp   sign-out and closing the window
//   event/mainwindow_user_files.cpp  per-user files (thin calls of the stores), the
//                                  sign-in host, what the user is told when a store fails
// Whole responsibilities live in classes of their own that the window owns:
// the play area (event/play_area.h), the group list (event/group_list.h),
// what ends a signed-in period for the cameras (event/session_end.h),
// the camera-list build (event/sliced_run.h), the list notices
// (event/list_notice.h), the stored-file notices (event/stored_file_notices.h),
// the connection-report log
// (device/connection_report_log.h), the cloud protocol (CloudClient).
#pragma once

#include <QList>
#include <QMainWindow>
#include <QString>

#include "device/connection_report_log.h"
#include "event/play_state.h"
#include "event/shell.h"
#include "event/signin_host.h"
#include "event/group_list.h"
#include "event/list_notice.h"
#include "event/play_area.h"
#include "event/session_end.h"
#include "event/sliced_run.h"
#include "event/stored_file_notices.h"
#include "sql/group_file.h"
#include "util_class/country_code.h"

class QCloseEvent;
class QShowEvent;
class QGridLayout;
class QGroupBox;
class QLabel;
class QNetworkAccessManager;
class QNetworkReply;
class QPushButton;
class QScrollArea;
class QTimer;
class QVBoxLayout;
class QWidget;

struct App_config;
struct Challenge;
class CloudClient;
class Device;
class LoginWindow;
class QuadWindowDevice;
class Signin;
class SnapshotRequestThread;
class UserWindow;
class oneWindowDevice;
struct QuadWindowDevice_local_file_node;
struct UserLocalConfig;

class MainWindow : public QMainWindow, public Shell, public SigninHost {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // Builds the navigation column (called by the constructor).
  void controlGroup_init();
  // Builds the group panel (once per camera-list build). A long list of
  // stored groups is made in slices (see oneWindow_deviceList_create_Handler).
  void create_groupButton();
  // A camera-list build is still making tiles or group items.
  bool listBuildRunning() const { return listBuild_.running(); }
  // Tiles and group items made per turn of the event loop: at least so
  // many, more while the turn has taken less than the budget, so a list of
  // 200 cameras and 300 groups never holds the GUI thread for long (tests
  // make the turns smaller to meet a build half-way).
  struct ListBuildPace {
    int itemsPerSlice = 16;
    int sliceBudgetMs = 40;
  } listBuildPace;
  // Deletes every camera and group at once, groups first (after a sign-out,
  // and before the program ends); never from a camera's or group's slot.
  void mainWindow_deleteAllDevice();
  // What closing the window answered with Yes does before the window goes:
  // every play stops (recordings are finished), every link ends, the PTZ
  // pads close, the token refresh stops. Also the end on a termination
  // signal (the program entry then ends the event loop with 0).
  void exitConfirmed();

  // The country table of countrycode.json beside the program.
  void readCountryCode_fromJsonFile();
  void countryCode_list_clear();

  // Cloud requests (the replies arrive at the HTTP_* slots).
  void HTTP_Startup();
  void HTTP_deviceList();
  void HTTP_devConfig();
  void HTTP_signout();
  void HTTP_refershToken();
  QString random_string(int len);
  // The cloud protocol every HTTP_* member calls (made and wired on first use).
  CloudClient& cloud();

  // Token timers.
  void refreshToken_timer_Start();
  void refreshToken_timer_Stop();
  void loginOtherPlace_timer_Start();
  void loginOtherPlace_timer_Stop();

  // Per-user files.
  void userPrivate_dir_init(QString& userName);
  void userName_loginReadToLocalFile(QString& out);
  void userName_loginWriteToLocalFile(QString& userName);
  void userName_loginRemoveLocalFile();
  void uuidReadToLocalFile(QString& out);
  bool readConfigFileFromUsername(QString& userName);
  void writeConfigFileUserinfo(QString user, QString& emailUserName, QString& emailPassWord,
                               QString& phoneUserName, QString& phonePassWord, int countryCode,
                               int remeberUser, int loginMode);
  void writeConfigFileAVideoinfo(QString& rootSavePath, QString& videoSavePath,
                                 QString& pictureSavePath);
  void device_groupInfodb_init();
  void device_groupInfodb_insert(QuadWindowDevice_local_file_node& node);
  void device_groupInfodb_read_groupInfo();
  void device_groupInfodb_delete_byGroupName(QString& groupName);

  // A picture that ships with the program: program folder + imageFolder + name.
  QString picturePath(const QString& name) const;

  // ---- Shell (event/shell.h; event/mainwindow_shell.cpp) ----
  int playAreaState() const override { return playState; }
  SaveFolders saveFolders() const override;
  const QList<oneWindowDevice*>& cameraList() const override { return oneWindowDevice_list; }
  const QList<QuadWindowDevice*>& groupList() const override { return quadWindowDevice_List; }
  Device* deviceRecords() const override { return device; }
  const App_config* appConfiguration() const override { return appConfig; }
  CloudClient* cloudClient() override { return &cloud(); }
  const CountryCodeList* countryTable() const override { return CountryCode_List; }
  QString programTitle() const override { return appTitle; }
  void setSaveFolders(const SaveFolders& folders) override;
  void showInPlayArea(QWidget* view) override;
  void setPlayViewIcon(const QString& deviceId, int iconType, bool state) override;
  void setGroupPlayViewIcon(const QString& groupName, const QString& deviceId, int iconType,
                            bool state) override;
  void playGroupCamera(const QString& groupName, const QString& deviceId) override;
  QObject* playRequestReceiver() override { return this; }
  QList<GroupCamera> groupCreateCameras() const override;
  QStringList groupCreateExistingNames() const override;
  void groupCreateAdd(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds) override;
  void notifyCameraState(const QString& deviceId, int state) override;
  void notifyStopPlay(const QString& deviceId) override;
  void notifyRecordState(const QString& deviceId, bool recording) override;
  void notifyGroupIcon(const QString& groupName, const QString& deviceId, int iconType,
                       bool state) override;
  void notifyGroupDeleted(const QString& groupName) override;
  void notifySignOut() override;
  void notifyStoredFileRefused(StoredFileNotices::Notice notice) override;

  // ---- SigninHost (event/signin_host.h; event/mainwindow_user_files.cpp) ----
  bool signinRunning() const override { return login_running; }
  CloudClient& signinCloud() override { return cloud(); }
  QString lastUser() override;
  const UserLocalConfig* openUser(const QString& user) override;
  const UserLocalConfig* storedLogin() const override { return userLocalConfig; }
  bool remember() const override { return remeberUser != 0; }
  void setRemember(bool on) override { remeberUser = on ? 1 : 0; }
  void beginSignin(const QString& user) override;
  void signinEnded() override { login_running = false; }
  void rememberSignin(const QString& user, const UserLocalConfig& login) override;
  void storedLoginNotSaved(const QString& user) override;
  void forgetLastUser() override { userName_loginRemoveLocalFile(); }
  void releaseChallenge(const Challenge* record) override;

  // Widgets and Qt objects below are owned by the window (Qt parent).
  QGridLayout* centralGrid = nullptr;
  QGroupBox* playArea = nullptr;
  QWidget* centralBox = nullptr;
  QVBoxLayout* controlGroupLayout = nullptr;
  QWidget* controlGroup = nullptr;
  QString emailUserName;
  QString emailPassWord;
  QString phoneUserName;
  QString phonePassWord;
  QString userName_private_dir;
  int loginMode = 0;
  int countryCode = 0;
  int remeberUser = 0;
  QString systemLocale;
  int firstRefresh_done = 0;
  QString imageFolder;
  QString appTitle;
  UserLocalConfig* userLocalConfig = nullptr;  // owned
  Challenge* challenge = nullptr;              // not owned
  Signin* tokenInfo = nullptr;                 // not owned
  QTimer* refreshToken_timer = nullptr;
  QTimer* loginOtherPlace_timer = nullptr;
  int localtz = 0;
  QString machineName;
  QString rootSavePath;
  QString pictureSavePath;
  QString videoSavePath;
  int playState = E_MAINWINDOW_NOT_PLAYING;
  QPushButton* userButton = nullptr;
  QPushButton* cameraButton = nullptr;
  QPushButton* screenButton_4 = nullptr;
  QPushButton* setingButton = nullptr;
  QLabel* cameraLabel = nullptr;
  QLabel* quadLabel = nullptr;
  QLabel* setingLabel = nullptr;
  QLabel* listTitleLabel = nullptr;
  QVBoxLayout* listColumnLayout = nullptr;
  QWidget* listColumn = nullptr;
  QList<oneWindowDevice*> oneWindowDevice_list;   // owned
  QList<QuadWindowDevice*> quadWindowDevice_List;  // owned
  bool login_running = false;
  QNetworkAccessManager* appConfigManager = nullptr;
  QNetworkAccessManager* deviceListManager = nullptr;
  QNetworkAccessManager* refreshTokenManager = nullptr;
  QNetworkAccessManager* devConfigManager = nullptr;
  QNetworkAccessManager* isLANManager = nullptr;
  QNetworkAccessManager* liveSecTokenManager = nullptr;
  QNetworkAccessManager* snapshotManager = nullptr;
  QNetworkAccessManager* signoutManager = nullptr;
  bool load_deviceList_succeed = false;
  App_config* appConfig = nullptr;                           // the cloud client's
  Device* device = nullptr;                                  // the cloud client's
  SnapshotRequestThread* snapshotRequestThread = nullptr;    // owned
  QScrollArea* deviceListScroll = nullptr;
  QWidget* deviceListWidget = nullptr;
  QVBoxLayout* deviceListLayout = nullptr;
  QScrollArea* quadListScroll = nullptr;
  QWidget* quadListWidget = nullptr;
  QPushButton* createGroupButton = nullptr;
  QVBoxLayout* quadListLayout = nullptr;
  UserWindow* userWindow = nullptr;  // made by the program entry
  CountryCodeList* CountryCode_List = nullptr;  // owned; null when no table is loaded
  // Under the list title: what the shown page has to tell while it has no
  // list to show (event/list_notice.h); hidden when nothing.
  QLabel* listNoticeLabel = nullptr;

 signals:
  void localPictureLoad_singnal();
  void delete_quadDevice(QString groupName);
  void user_singout();
  void update_device_state(QString deviceId, int state);
  void update_device_record_time(QString deviceId);
  void device_stop_play(QString deviceId);
  void device_change_record_picture_state(QString deviceId, bool state);
  void oneWindow_playWindow_icon_change(QString deviceId, int iconType, bool state);
  void quadWindow_playWindow_icon_change(QString groupName, QString deviceId, int iconType,
                                         bool state);
  void quadWindow_devicelistUpdate();

 public slots:
  void userButton_Handler();
  void cameraButton_Handler();
  void screenButton_4_Handler();
  void setingButton_Handler();
  void oneWindow_playWindow_icon_change_Handler(QString deviceId, int iconType, bool state);
  void quadWindow_playWindow_icon_change_Handler(QString groupName, QString deviceId,
                                                 int iconType, bool state);
  void HTTP_appConfigHandler(QNetworkReply* reply);
  void HTTP_is_LANHandler(QNetworkReply* reply);
  void HTTP_liveSecTokenHandler(QNetworkReply* reply);
  void HTTP_deviceListHandler(QNetworkReply* reply);
  void HTTP_refershTokenHandler(QNetworkReply* reply);
  void HTTP_devConfigHandler(QNetworkReply* reply);
  void HTTP_snapshotHandler(QNetworkReply* reply);
  void HTTP_signoutHandler(QNetworkReply* reply);
  void oneWindow_deviceList_create_Handler();
  void oneWindowPlay_video_Handler(QString groupName, QString deviceid);
  void quadWindowPlay_video_Handler(QString groupName, QString deviceid);
  void quadWindow_create_Handler();
  void update_quadDeviceList_Handler();
  void delete_quadDevice_Handler(QString groupName);
  void update_device_state_Handler(QString deviceId, int state);
  void device_stop_play_Handler(QString deviceId);
  void device_change_record_picture_state_Handler(QString deviceId, bool state);
  void user_singout_Handler();
  void refreshToken_timer_Hander();
  void loginOtherPlace_timer_Hander();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Notices of stores that failed while the window was not shown are told now.
  void showEvent(QShowEvent* event) override;

 private:
  // The constructor's connections; the destructor undoes exactly these.
  struct SignalSlot {
    const QObject* sender;
    const char* signal;
    const char* slot;
  };
  QList<SignalSlot> constructorConnections() const;
  void connectAll();
  void disconnectAll();
  // Shows one of the two list pages in the navigation column and list column.
  void showPage(NavigationPage page);
  // The notice of the page shown, into listNoticeLabel (logged when it changes).
  void showListNotice();

  // The stored groups of the signed-in user (the group page's notice follows
  // whether they could be read).
  QList<StoredGroup> readStoredGroups();
  // The end of a camera-list build, once its last group item is made.
  void finishListBuild();
  // The stored-file notices waiting, in a toast over the window the user
  // looks at (a dialog of the window, or the window), when it is shown.
  void tellStoredFileNotices();

  CloudClient* cloudClient_ = nullptr;  // child of the window
  ListNotices listNotices_;
  StoredFileNotices storedFileNotices_;
  ConnectionReportLog reportLog_;  // which connection reports are logged
  PlayArea playArea_{playState, centralGrid, oneWindowDevice_list, quadWindowDevice_List};
  GroupList groupList_{quadWindowDevice_List, quadListLayout, quadListWidget};
  SessionEnd sessionEnd_{oneWindowDevice_list, quadWindowDevice_List};
  SlicedRun listBuild_;
  NavigationPage shownPage_ = NavigationPage::Camera;
};

// The one main window, set by the program entry right after construction.
extern MainWindow* mainwindow;
// The sign-in dialog of the current pass of the sign-in loop.
extern LoginWindow* loginwindow;
