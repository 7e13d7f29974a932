#include "asset_test_support.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>

namespace assettest {

QString programFile(const QString& relative) {
  return QStringLiteral(CAMVIEWER_PROGRAM_DIR "/") + relative;
}

void ensureApplication() {
  if (QCoreApplication::instance()) return;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "assets_test";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);  // lives until the test program ends
}

int runTool(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForStarted(60000)) return -1;
  if (!process.waitForFinished(300000)) {
    process.kill();
    process.waitForFinished(5000);
    return -1;
  }
  if (out) *out = process.readAllStandardOutput();
  if (err) *err = process.readAllStandardError();
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QVector<QImage> ffmpegFrames(const QString& gifPath, const QSize& size) {
  QByteArray raw;
  const int rc = runTool("ffmpeg", {"-v", "error", "-i", gifPath, "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "rgba", "-"}, &raw);
  QVector<QImage> frames;
  const int frameBytes = size.width() * size.height() * 4;
  if (rc != 0 || frameBytes == 0) return frames;
  for (int at = 0; at + frameBytes <= raw.size(); at += frameBytes) {
    const QImage view(reinterpret_cast<const uchar*>(raw.constData() + at), size.width(), size.height(),
                      size.width() * 4, QImage::Format_RGBA8888);
    frames.append(view.convertToFormat(QImage::Format_ARGB32));
  }
  return frames;
}

QVector<QImage> qtFrames(const QString& gifPath) {
  QImageReader reader(gifPath, "gif");
  QVector<QImage> frames;
  QImage frame;
  while (frames.size() < 1000 && reader.read(&frame)) frames.append(frame.convertToFormat(QImage::Format_ARGB32));
  return frames;
}

}  // namespace assettest
