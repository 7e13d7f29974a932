// MainWindow: construction, the navigation column and its slots (the
// settings dialog among them), the country table, destruction.
#include "mainwindow.h"

#include <QBrush>
#include <QDebug>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHostInfo>
#include <QIcon>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include "adapter_hardWare/AdapterHardware.h"
#include "event/navigation_page.h"
#include "http_command/cloud_records.h"
#include "http_command/device_container.h"
#include "http_command/SnapshotRequestThread.h"
#include "util_class/app_paths.h"
#include "util_class/user_local_config.h"
#include "view/SetWindow.h"
#include "view/UserWindow.h"

MainWindow* mainwindow = nullptr;
LoginWindow* loginwindow = nullptr;

namespace {

void setCaptionFont(QLabel* label) {
  QFont font = label->font();
  font.setPointSize(8);
  label->setFont(font);
}

void setNavigationButton(QPushButton* button, const QString& iconPath, int width, int height) {
  button->setFlat(true);
  button->setIcon(QIcon(iconPath));
  button->setFixedSize(width, height);
  button->setIconSize(QSize(width, height));
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      centralGrid(new QGridLayout),
      playArea(new QGroupBox),
      centralBox(new QWidget),
      controlGroupLayout(new QVBoxLayout),
      controlGroup(new QWidget),
      refreshToken_timer(new QTimer(this)),
      loginOtherPlace_timer(new QTimer(this)),
      userButton(new QPushButton),
      cameraButton(new QPushButton),
      screenButton_4(new QPushButton),
      setingButton(new QPushButton),
      cameraLabel(new QLabel),
      quadLabel(new QLabel),
      setingLabel(new QLabel),
      listTitleLabel(new QLabel),
      listColumnLayout(new QVBoxLayout),
      listColumn(new QWidget),
      appConfigManager(new QNetworkAccessManager(this)),
      deviceListManager(new QNetworkAccessManager(this)),
      refreshTokenManager(new QNetworkAccessManager(this)),
      devConfigManager(new QNetworkAccessManager(this)),
      isLANManager(new QNetworkAccessManager(this)),
      liveSecTokenManager(new QNetworkAccessManager(this)),
      snapshotManager(new QNetworkAccessManager(this)),
      signoutManager(new QNetworkAccessManager(this)) {
  // The two list panels wait hidden in the list column until the camera
  // list is built and places them.
  deviceListScroll = new QScrollArea(listColumn);
  deviceListWidget = new QWidget(deviceListScroll);
  deviceListLayout = new QVBoxLayout(deviceListWidget);
  quadListScroll = new QScrollArea(listColumn);
  quadListWidget = new QWidget(quadListScroll);
  createGroupButton = new QPushButton(quadListScroll);
  quadListLayout = new QVBoxLayout(quadListWidget);
  deviceListScroll->hide();
  quadListScroll->hide();

  centralGrid->setContentsMargins(0, 0, 0, 0);
  imageFolder = QStringLiteral("/Orvanta_image/");
  appTitle = QStringLiteral("Orvanta Cloud");

  resize(adapterHardware.sx(1920), adapterHardware.sy(1080));
  setMinimumSize(adapterHardware.sx(1920), adapterHardware.sy(1080));
  setWindowIcon(QIcon(picturePath(QStringLiteral("ic_launcher.png"))));

  machineName = QHostInfo::localHostName();
  qDebug() << "machineName :" << machineName;

  listColumn->setContentsMargins(0, 0, 0, 0);
  listColumnLayout->setContentsMargins(0, 0, 0, 0);
  listColumnLayout->addWidget(listTitleLabel);
  listNoticeLabel = new QLabel;
  listNoticeLabel->setObjectName(QStringLiteral("listNoticeLabel"));
  listNoticeLabel->setWordWrap(true);
  listNoticeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  listNoticeLabel->setContentsMargins(adapterHardware.sx(24), 0, adapterHardware.sx(24), 0);
  listNoticeLabel->setStyleSheet(QStringLiteral("color:#263238;"));
  // Right under the title: it takes the room the lists would take.
  listNoticeLabel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  listNoticeLabel->hide();
  listColumnLayout->addWidget(listNoticeLabel);
  deviceListWidget->setFixedWidth(adapterHardware.sy(440));
  quadListWidget->setFixedWidth(adapterHardware.sy(440));
  listColumn->setFixedWidth(adapterHardware.sy(440));
  listColumn->setLayout(listColumnLayout);

  controlGroup->setLayout(controlGroupLayout);
  controlGroup->setFixedWidth(adapterHardware.sy(144));
  controlGroup_init();

  centralGrid->addWidget(controlGroup, 0, 0);
  centralGrid->addWidget(listColumn, 0, 1);
  centralGrid->addWidget(playArea, 0, 2);
  centralBox->setLayout(centralGrid);
  setCentralWidget(centralBox);
  setWindowTitle(appTitle);
  qDebug() << "set mainWindow:" << width() << controlGroup->width();

  snapshotRequestThread = new SnapshotRequestThread(nullptr);
  connectAll();

  QPalette pal = palette();
  pal.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::white));
  setPalette(pal);
}

MainWindow::~MainWindow() {
  qDebug() << "~MainWindow";
  disconnectAll();
  // The window owns its cameras and groups (the program never deletes it;
  // tests do).
  mainWindow_deleteAllDevice();
  if (userWindow) userWindow->deleteLater();
  countryCode_list_clear();
  delete snapshotRequestThread;
  delete userLocalConfig;
  // appConfig and device belong to the cloud client, a child of the window.
}

QList<MainWindow::SignalSlot> MainWindow::constructorConnections() const {
  const MainWindow* self = this;
  return {
      {userButton, SIGNAL(clicked()), SLOT(userButton_Handler())},
      {cameraButton, SIGNAL(clicked()), SLOT(cameraButton_Handler())},
      {screenButton_4, SIGNAL(clicked()), SLOT(screenButton_4_Handler())},
      {setingButton, SIGNAL(clicked()), SLOT(setingButton_Handler())},
      {appConfigManager, SIGNAL(finished(QNetworkReply*)),
       SLOT(HTTP_appConfigHandler(QNetworkReply*))},
      {deviceListManager, SIGNAL(finished(QNetworkReply*)),
       SLOT(HTTP_deviceListHandler(QNetworkReply*))},
      {refreshTokenManager, SIGNAL(finished(QNetworkReply*)),
       SLOT(HTTP_refershTokenHandler(QNetworkReply*))},
      {devConfigManager, SIGNAL(finished(QNetworkReply*)),
       SLOT(HTTP_devConfigHandler(QNetworkReply*))},
      {isLANManager, SIGNAL(finished(QNetworkReply*)), SLOT(HTTP_is_LANHandler(QNetworkReply*))},
      {liveSecTokenManager, SIGNAL(finished(QNetworkReply*)),
       SLOT(HTTP_liveSecTokenHandler(QNetworkReply*))},
      {snapshotManager, SIGNAL(finished(QNetworkReply*)),
       SLOT(HTTP_snapshotHandler(QNetworkReply*))},
      {self, SIGNAL(delete_quadDevice(QString)), SLOT(delete_quadDevice_Handler(QString))},
      {self, SIGNAL(update_device_state(QString,int)),
       SLOT(update_device_state_Handler(QString,int))},
      {self, SIGNAL(localPictureLoad_singnal()), SLOT(oneWindow_deviceList_create_Handler())},
      {self, SIGNAL(device_stop_play(QString)), SLOT(device_stop_play_Handler(QString))},
      {self, SIGNAL(device_change_record_picture_state(QString,bool)),
       SLOT(device_change_record_picture_state_Handler(QString,bool))},
      {self, SIGNAL(user_singout()), SLOT(user_singout_Handler())},
      {self, SIGNAL(oneWindow_playWindow_icon_change(QString,int,bool)),
       SLOT(oneWindow_playWindow_icon_change_Handler(QString,int,bool))},
      {self, SIGNAL(quadWindow_playWindow_icon_change(QString,QString,int,bool)),
       SLOT(quadWindow_playWindow_icon_change_Handler(QString,QString,int,bool))},
      {refreshToken_timer, SIGNAL(timeout()), SLOT(refreshToken_timer_Hander())},
      {loginOtherPlace_timer, SIGNAL(timeout()), SLOT(refreshToken_timer_Hander())},
      {self, SIGNAL(quadWindow_devicelistUpdate()), SLOT(update_quadDeviceList_Handler())},
  };
}

void MainWindow::connectAll() {
  for (const SignalSlot& c : constructorConnections()) connect(c.sender, c.signal, this, c.slot);
}

void MainWindow::disconnectAll() {
  for (const SignalSlot& c : constructorConnections()) {
    disconnect(c.sender, c.signal, this, c.slot);
  }
}

QString MainWindow::picturePath(const QString& name) const {
  return app_paths::programDir() + imageFolder + name;
}

void MainWindow::controlGroup_init() {
  const NavigationLook look = navigationLook(NavigationPage::Camera);
  setNavigationButton(userButton, picturePath(QStringLiteral("ic_user.png")),
                      adapterHardware.sx(72), adapterHardware.sy(72));
  setNavigationButton(cameraButton, picturePath(QLatin1String(look.cameraIcon)),
                      adapterHardware.sx(48), adapterHardware.sy(48));
  cameraButton->setStyleSheet(QLatin1String(look.cameraButtonStyle));
  cameraLabel->setText(QStringLiteral("Camera"));
  cameraLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  setCaptionFont(cameraLabel);
  cameraLabel->setStyleSheet(QLatin1String(look.cameraLabelStyle));
  cameraLabel->adjustSize();

  setNavigationButton(screenButton_4, picturePath(QLatin1String(look.quadIcon)),
                      adapterHardware.sx(48), adapterHardware.sy(48));
  screenButton_4->setStyleSheet(QLatin1String(look.quadButtonStyle));
  quadLabel->setText(QStringLiteral("Quad screen"));
  quadLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  quadLabel->setStyleSheet(QLatin1String(look.quadLabelStyle));
  setCaptionFont(quadLabel);
  quadLabel->setWordWrap(true);

  setNavigationButton(setingButton, picturePath(QStringLiteral("ic_system setting.png")),
                      adapterHardware.sx(48), adapterHardware.sy(48));
  setingLabel->setText(QStringLiteral("Setting"));
  setingLabel->setAlignment(Qt::AlignCenter);
  setingLabel->setStyleSheet(QStringLiteral("color:#95A5AD;"));
  setCaptionFont(setingLabel);

  // Buttons sit in the middle of the column, over their centred captions.
  controlGroupLayout->addWidget(userButton, 0, Qt::AlignHCenter);
  controlGroupLayout->addSpacing(adapterHardware.sy(30));
  controlGroupLayout->addWidget(cameraButton, 0, Qt::AlignHCenter);
  controlGroupLayout->addSpacing(0);
  controlGroupLayout->addWidget(cameraLabel);
  controlGroupLayout->addSpacing(adapterHardware.sy(30));
  controlGroupLayout->addWidget(screenButton_4, 0, Qt::AlignHCenter);
  controlGroupLayout->addSpacing(0);
  controlGroupLayout->addWidget(quadLabel);
  controlGroupLayout->addStretch(8);
  controlGroupLayout->addWidget(setingButton, 0, Qt::AlignHCenter);
  controlGroupLayout->addSpacing(0);
  controlGroupLayout->addWidget(setingLabel);
}

void MainWindow::userButton_Handler() {
  if (!userWindow) {
    qDebug() << "userButton_Handler: no user menu";
    return;
  }
  userWindow->move(pos() + QPoint(140, 80));
  userWindow->set_userNameButtonText(userWindow->get_userName());
  userWindow->exec();
}

void MainWindow::cameraButton_Handler() { showPage(NavigationPage::Camera); }

void MainWindow::screenButton_4_Handler() { showPage(NavigationPage::Group); }

void MainWindow::showPage(NavigationPage page) {
  if (const char* refusal = navigationRefusal(page, load_deviceList_succeed)) {
    qDebug() << refusal;
    return;
  }
  shownPage_ = page;
  showListNotice();
  const NavigationLook look = navigationLook(page);
  cameraButton->setIcon(QIcon(picturePath(QLatin1String(look.cameraIcon))));
  cameraButton->setIconSize(QSize(adapterHardware.sx(48), adapterHardware.sy(48)));
  cameraButton->setStyleSheet(QLatin1String(look.cameraButtonStyle));
  cameraLabel->setStyleSheet(QLatin1String(look.cameraLabelStyle));
  screenButton_4->setIcon(QIcon(picturePath(QLatin1String(look.quadIcon))));
  screenButton_4->setIconSize(QSize(adapterHardware.sx(48), adapterHardware.sy(48)));
  screenButton_4->setStyleSheet(QLatin1String(look.quadButtonStyle));
  quadLabel->setStyleSheet(QLatin1String(look.quadLabelStyle));
  QLabel* shownLabel = look.cameraListShown ? cameraLabel : quadLabel;
  shownLabel->resize(adapterHardware.sx(look.shownLabelWidth),
                     adapterHardware.sy(look.shownLabelHeight));
  listTitleLabel->setVisible(look.cameraListShown);
  quadListWidget->setVisible(!look.cameraListShown);
  quadListScroll->setVisible(!look.cameraListShown);
  deviceListWidget->setVisible(look.cameraListShown);
  deviceListScroll->setVisible(look.cameraListShown);
}

void MainWindow::showListNotice() {
  const QString text = listNotices_.text(shownPage_);
  if (text != listNoticeLabel->text()) {
    listNoticeLabel->setText(text);
    if (!text.isEmpty()) qDebug() << "list notice:" << text;
  }
  listNoticeLabel->setVisible(!text.isEmpty());
}

// MainWindow: the settings page of the navigation column opens a new
// settings dialog each time and frees it when it closes.
void MainWindow::setingButton_Handler() {
  qDebug() << "setingButton_Handler";
  SetWindow setWindow;
  setWindow.exec();
}

// MainWindow: the country table of countrycode.json beside the program. It
// is loaded at the start of each pass of the sign-in loop (for the sign-in
// dialog and the country picker) and freed once the user has signed in.
void MainWindow::readCountryCode_fromJsonFile() {
  countryCode_list_clear();  // a table left from an earlier pass is not leaked
  const QString path = app_paths::programDir() + QStringLiteral("/countrycode.json");
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    qDebug() << "could't open" << path;
    return;
  }
  const QByteArray bytes = file.readAll();
  file.close();
  CountryCode_List = countryCodeList_fromJson(bytes);
  if (!CountryCode_List) {
    qDebug() << path << "is not JSON: no country table";
    return;
  }
  qDebug() << " ________ here CountryCode_List size:" << CountryCode_List->size();
}

void MainWindow::countryCode_list_clear() {
  countryCodeList_free(CountryCode_List);
  CountryCode_List = nullptr;
}
