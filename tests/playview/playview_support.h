// Shared pieces of the play-view tests: pumping the event loop (bounded),
// toasts on screen, button pictures, and the checks of recorded files.
#pragma once

#include <QString>

#include <ostream>
#include <string>
#include <vector>

#include <QIcon>
#include <QRect>
#include <QImage>
#include <QStringList>

#include "media_feed.h"

// Texts in test messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace playviewtest {

using pipelinetest::pumpUntil;
// Runs the event loop for `ms`.
void pumpFor(int ms);

// The texts of the toasts on screen now.
std::vector<QString> toastTexts();
// The screen area of the first toast on screen (empty when none shows).
QRect toastGeometry();
// Hides and deletes every toast (so the next test starts without one).
void dropToasts();

// The picture a button shows, to compare with a program picture.
QImage iconImage(const QIcon& icon);
QImage programIconImage(const QString& name);

// A fresh scratch folder named `prefix` + the running test's name.
QString testScratchDir(const std::string& prefix);

// Every file under `dir` (and its subfolders) matching `pattern`.
QStringList filesUnder(const QString& dir, const QString& pattern);

// A recording that opens and plays: a key frame first, about `seconds`
// long, every picture decodable (ffprobe, ffmpeg).
void expectPlayableVideo(const std::string& path, double seconds);

}  // namespace playviewtest
