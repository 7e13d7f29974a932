#include "playview_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QIcon>
#include <QLabel>

#include <cstdlib>

#include "fake_tessan.h"
#include "view/CToast.h"

namespace playviewtest {

// The pictures the program ships with, before any window looks for them.
const int kProgramDir = setenv("CAMVIEWER_PROGRAM_DIR", PLAYVIEW_PROGRAM_DIR, 0);

void pumpFor(int ms) { pumpUntil([] { return false; }, ms); }

std::vector<QString> toastTexts() {
  std::vector<QString> texts;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* toast = qobject_cast<CToast*>(w);
    if (!toast || !toast->isVisible()) continue;
    if (auto* label = toast->findChild<QLabel*>()) texts.push_back(label->text());
  }
  return texts;
}

void dropToasts() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* toast = qobject_cast<CToast*>(w)) toast->hide();  // deletes itself
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QImage iconImage(const QIcon& icon) { return icon.pixmap(QSize(38, 38)).toImage(); }

QImage programIconImage(const QString& name) {
  const QImage image = iconImage(QIcon(mainwindow->picturePath(name)));
  EXPECT_FALSE(image.isNull()) << "no program picture " << name.toStdString();
  return image;
}

CameraWindow::CameraWindow(const QString& deviceId) {
  fake_tessan::reset();
  window = std::make_unique<MainWindow>();
  mainwindow = window.get();
  camera = new oneWindowDevice(deviceId, QStringLiteral("Door"), 1);
  window->oneWindowDevice_list.append(camera);
  window->playState = E_MAINWINDOW_ONEWINDOW_PLAYING;
}

CameraWindow::~CameraWindow() {
  dropToasts();
  window->oneWindowDevice_list.removeAll(camera);
  delete camera;
  mainwindow = nullptr;
  window.reset();
  fake_tessan::reset();
}

bool CameraWindow::online() {
  fake_tessan::postStatus(camera->deviceId.toStdString(), E_CONN_STATUS_ONLINE);
  return fake_tessan::flush() &&
         pumpUntil([&] { return camera->get_p2pState() == E_CONN_STATUS_ONLINE; }, 5000);
}

std::vector<int> CameraWindow::qualityRequests() const {
  std::vector<int> out;
  for (const fake_tessan::Call& c : fake_tessan::calls("APP_send")) {
    if (c.msgType == 270) out.push_back(c.payload.empty() ? -1 : c.payload[0]);
  }
  return out;
}

std::vector<std::pair<int, int>> CameraWindow::ptzRequests() const {
  std::vector<std::pair<int, int>> out;
  for (const fake_tessan::Call& c : fake_tessan::calls("APP_send")) {
    if (c.msgType == 272 && c.payload.size() >= 2) out.emplace_back(c.payload[0], c.payload[1]);
  }
  return out;
}

}  // namespace playviewtest
