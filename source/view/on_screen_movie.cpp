#include "view/on_screen_movie.h"

#include <QEvent>
#include <QLabel>
#include <QMovie>

OnScreenMovie::OnScreenMovie(QLabel& label, QMovie& movie) : label_(label), movie_(movie) {
  label_.installEventFilter(this);
}

OnScreenMovie::~OnScreenMovie() { label_.removeEventFilter(this); }

void OnScreenMovie::play() {
  asked_ = true;
  label_.show();
  follow();
}

void OnScreenMovie::stop() {
  asked_ = false;
  label_.hide();
  movie_.stop();
}

bool OnScreenMovie::eventFilter(QObject* watched, QEvent* event) {
  // A label is told when it, or any parent of it, is hidden or shown.
  if (watched == &label_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) follow();
  return QObject::eventFilter(watched, event);
}

void OnScreenMovie::follow() {
  const bool run = asked_ && label_.isVisible();
  if (run) {
    if (movie_.state() == QMovie::Paused)
      movie_.setPaused(false);
    else if (movie_.state() == QMovie::NotRunning)
      movie_.start();
  } else if (movie_.state() == QMovie::Running) {
    movie_.setPaused(true);
  }
}
