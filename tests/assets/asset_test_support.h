#pragma once
// Helpers of the asset tests: the program folder, a Qt application for
// QMovie's timers, and outside tools run with a time limit.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace assettest {

// A file of the program folder in the build tree ("countrycode.json",
// "Orvanta_image/playing.gif", ...).
QString programFile(const QString& relative);

// Makes sure a QGuiApplication exists (offscreen platform).
void ensureApplication();

// Runs `program` with `args` and at most 60 s; its exit code (-1 when it
// did not start or end in time) and its standard output.
int runTool(const QString& program, const QStringList& args, QByteArray* out = nullptr,
            QByteArray* err = nullptr);

// Every frame of a GIF as ffmpeg decodes it: RGBA frames of `size`.
QVector<QImage> ffmpegFrames(const QString& gifPath, const QSize& size);

// Every frame as Qt's reader decodes it, in ARGB32.
QVector<QImage> qtFrames(const QString& gifPath);

}  // namespace assettest
