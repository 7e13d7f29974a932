// An animation that runs only while it can be seen. A tile's or a group
// item's "playing" animation is asked for when its camera or group plays,
// but the label that shows it may be hidden meanwhile (the other list page
// is shown, a window over it): a QMovie left running there decodes its
// frames for nobody. This one follows the label: asked for and the label
// visible (itself and every parent) runs the movie; hidden pauses it where
// it is; shown again resumes it; not asked for stops it.
//
// GUI thread only; label and movie outlive it (members of the same owner,
// declared before it).
#pragma once

#include <QObject>

class QEvent;
class QLabel;
class QMovie;

class OnScreenMovie : public QObject {
 public:
  OnScreenMovie(QLabel& label, QMovie& movie);
  ~OnScreenMovie() override;

  // The label shows and the movie runs whenever it is on screen.
  void play();
  // The label hides and the movie stops.
  void stop();
  bool asked() const { return asked_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void follow();

  QLabel& label_;
  QMovie& movie_;
  bool asked_ = false;
};
