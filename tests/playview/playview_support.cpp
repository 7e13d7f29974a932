#include "playview_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>

#include <cstdlib>

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
