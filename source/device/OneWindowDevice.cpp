// oneWindowDevice: construction, destruction and the plain accessors.
#include "device/OneWindowDevice.h"
#include "event/shell.h"

#include <QDebug>


DeviceRegistry<oneWindowDevice>& oneWindowDevice::registry() {
  static DeviceRegistry<oneWindowDevice> cameras;
  return cameras;
}

oneWindowDevice* find_oneWindowDevice(const QList<oneWindowDevice*>& list,
                                      const QString& deviceId) {
  for (oneWindowDevice* camera : list) {
    if (camera && camera->deviceId == deviceId) return camera;
  }
  return nullptr;
}

oneWindowDevice::oneWindowDevice(const QString& id, const QString& name, int type)
    : QWidget(nullptr),
      CameraMedia(id, name, nullptr),
      tileType(type),
      deviceName(name),
      fetchInfosRetry_(0, [this] { send_fetchInfo_instruct(); }) {
  APP_init_callbacks();
  setSaveFolderSource(&oneWindowDevice::currentSaveFolders);
  refreshSaveFolders();
  buildTile();
  connectSignals();
  // From here on the media session and the device link's callbacks may
  // reach this camera.
  setEvents(this);
  registry().add(deviceId.toStdString(), this);
}

oneWindowDevice::~oneWindowDevice() {
  // First no callback can reach the camera any more (one still running is
  // waited for), then the link ends: its report of state 6 on this thread
  // finds no camera.
  registry().remove(deviceId.toStdString(), this);
  gif_play_stop();
  P2P_connect_ahead_Thread_timer_stop();
  P2P_disconnect();
  qDebug() << "~oneWindowDevice";
  for (const Connection& c : connections()) disconnect(c.sender, c.signal, this, c.slot);
  fetchInfosRetry_.cancel();
  // Every worker stops and is waited for before the decoders, the record
  // file and the sound output are released.
  setEvents(nullptr);
  shutdown();
}

WholeRenderWindow& oneWindowDevice::ownPlayView() {
  if (!wholeRenderWindow) {
    wholeRenderWindow = std::make_unique<WholeRenderWindow>();
    wholeRenderWindow->deviceId = deviceId;
    wholeRenderWindow->ownerDevice = this;
    wholeRenderWindow->ptzWindow.set_device(this);
    wholeRenderWindow->renderWnd.set_ptzWindow_exist(ptzCapable_);
  }
  return *wholeRenderWindow;
}

SaveFolders oneWindowDevice::currentSaveFolders() { return shell().saveFolders(); }

void oneWindowDevice::set_isPlaying(int playing) {
  isPlaying.store((playing & 0xFF) != 0);
  if ((playing & 0xFF) == 0) gif_play_stop();
}

QList<oneWindowDevice::Connection> oneWindowDevice::connections() const {
  return {
      {this, SIGNAL(oneWindow_device_gif_play_start()),
       SLOT(oneWindow_device_gif_play_start_Handler())},
      {this, SIGNAL(oneWindow_device_gif_play_stop()),
       SLOT(oneWindow_device_gif_play_stop_Handler())},
      {&P2P_connect_ahead_Thread_timer, SIGNAL(timeout()),
       SLOT(P2P_connect_ahead_Thread_timer_Handler())},
      {this, SIGNAL(videoTimer_start(int)), SLOT(videoTimer_start_Handler(int))},
  };
}

void oneWindowDevice::connectSignals() {
  // The display tick and the record thread's end are connected by the
  // media session itself.
  for (const Connection& c : connections()) connect(c.sender, c.signal, this, c.slot);
}
