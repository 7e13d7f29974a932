// Shared pieces of the play-view tests: pumping the event loop (bounded),
// toasts on screen, button pictures, and the checks of recorded files.
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <QIcon>
#include <QRect>
#include <QImage>
#include <QStringList>

class QLabel;

#include "media_feed.h"
#include "view/PTZcontrolWindow.h"

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
// The text label of that toast (null when none shows).
const QLabel* toastLabel();
// Hides and deletes every toast (so the next test starts without one).
void dropToasts();

// The PTZ pad's keys on a clock of the test's own. A key's press arms its
// real 300 ms timer (the widget's QTimer, checked here); the test never lets
// the event loop run while one is armed, and fires it (its timeout signal)
// when this clock reaches the timer's end. So how long the machine takes
// between two steps changes nothing, as in the press engine's own table.
class PadClock {
 public:
  explicit PadClock(PTZcontrolWindow& pad) : pad_(pad) {}

  qint64 now() const { return now_; }
  // Fires every key timer due up to `ms`, each at its own time (now() is
  // that time while it fires), then sets the clock to `ms`.
  void advanceTo(qint64 ms);
  // A press at now() (arms the key's timer), a release.
  void press(PTZcontrolButton* key);
  void release(PTZcontrolButton* key);
  // Anything else that may stop the keys' timers (hiding the pad, the
  // mouse leaving the video) runs through this.
  void act(const std::function<void()>& action);
  // No key's timer is armed, by the widget or by this clock.
  bool idle() const;

 private:
  void forgetStopped();

  PTZcontrolWindow& pad_;
  qint64 now_ = 0;
  std::map<PTZcontrolButton*, qint64> due_;
};

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
