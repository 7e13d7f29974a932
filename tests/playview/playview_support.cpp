#include "playview_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "mainwindow.h"
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

QRect toastGeometry() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* toast = qobject_cast<CToast*>(w); toast && toast->isVisible()) return toast->frameGeometry();
  }
  return QRect();
}

const QLabel* toastLabel() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* toast = qobject_cast<CToast*>(w); toast && toast->isVisible())
      return toast->findChild<QLabel*>();
  }
  return nullptr;
}

void dropToasts() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* toast = qobject_cast<CToast*>(w)) toast->hide();  // deletes itself
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void PadClock::advanceTo(qint64 ms) {
  for (;;) {
    auto next = due_.end();
    for (auto it = due_.begin(); it != due_.end(); ++it)
      if (it->second <= ms && (next == due_.end() || it->second < next->second)) next = it;
    if (next == due_.end()) break;
    PTZcontrolButton* key = next->first;
    now_ = next->second;
    due_.erase(next);
    ASSERT_TRUE(key->pressTimer.isActive()) << "a key's timer stopped without the test seeing it";
    QMetaObject::invokeMethod(&key->pressTimer, "timeout", Qt::DirectConnection);
    forgetStopped();
  }
  now_ = std::max(now_, ms);
}

void PadClock::press(PTZcontrolButton* key) {
  QTest::mousePress(key, Qt::LeftButton);
  forgetStopped();
  if (!key->pressTimer.isActive()) return;
  EXPECT_EQ(key->pressTimer.interval(), 300) << "the press timer";
  due_[key] = now_ + key->pressTimer.interval();  // (re)started by the press
}

void PadClock::release(PTZcontrolButton* key) {
  QTest::mouseRelease(key, Qt::LeftButton);
  forgetStopped();
}

void PadClock::act(const std::function<void()>& action) {
  action();
  forgetStopped();
}

bool PadClock::idle() const {
  for (int i = 0; i < 4; ++i)
    if (pad_.keys()[i]->pressTimer.isActive()) return false;
  return due_.empty();
}

void PadClock::forgetStopped() {
  for (auto it = due_.begin(); it != due_.end();)
    it = it->first->pressTimer.isActive() ? std::next(it) : due_.erase(it);
}

QImage iconImage(const QIcon& icon) { return icon.pixmap(QSize(38, 38)).toImage(); }

QImage programIconImage(const QString& name) {
  const QImage image = iconImage(QIcon(mainwindow->picturePath(name)));
  EXPECT_FALSE(image.isNull()) << "no program picture " << name.toStdString();
  return image;
}

QString testScratchDir(const std::string& prefix) {
  return QString::fromStdString(pipelinetest::scratchDir(
      prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name()));
}

QStringList filesUnder(const QString& dir, const QString& pattern) {
  QStringList out;
  for (const QFileInfo& sub : QDir(dir).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
    out += filesUnder(sub.filePath(), pattern);
  for (const QFileInfo& f : QDir(dir).entryInfoList({pattern}, QDir::Files)) out << f.filePath();
  return out;
}

void expectPlayableVideo(const std::string& path, double seconds) {
  SCOPED_TRACE(path);
  const std::vector<pipelinetest::ProbePacket> packets = pipelinetest::probePackets(path);
  ASSERT_FALSE(packets.empty()) << "ffprobe reads no packet";
  size_t video = 0;
  for (const pipelinetest::ProbePacket& p : packets) {
    if (p.type != "video") continue;
    if (video++ == 0) {
      EXPECT_TRUE(p.key) << "the first picture is no key frame";
    }
  }
  EXPECT_NEAR(pipelinetest::probeDuration(path), seconds, 0.35);
  EXPECT_GE(pipelinetest::decodedVideoFrames(path), int(seconds * 25) - 2);
}

}  // namespace playviewtest
