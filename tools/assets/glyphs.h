#pragma once
// Flat symbols, each drawn in a 100 x 100 box with one ink colour.

#include <QColor>
#include <QPainter>

namespace assets::glyph {

// Buttons of the play view.
void play(QPainter& p, const QColor& ink);
void stop(QPainter& p, const QColor& ink);
void screenshot(QPainter& p, const QColor& ink);
void record(QPainter& p, const QColor& ink);
void speakerOn(QPainter& p, const QColor& ink);
void speakerOff(QPainter& p, const QColor& ink);
void fullScreen(QPainter& p, const QColor& ink);
void smallScreen(QPainter& p, const QColor& ink);

// Navigation column, user menu and lists.
void camera(QPainter& p, const QColor& ink);
void quadGrid(QPainter& p, const QColor& ink);
void gear(QPainter& p, const QColor& ink);
void person(QPainter& p, const QColor& ink);
void avatar(QPainter& p, const QColor& ink);  // person in a light disc
void info(QPainter& p, const QColor& ink);
void signOut(QPainter& p, const QColor& ink);
void trash(QPainter& p, const QColor& ink);
void boxTicked(QPainter& p, const QColor& ink);
void boxEmpty(QPainter& p, const QColor& ink);

// Keys of the direction pad: a chevron pointing up, left, down or right.
void arrowUp(QPainter& p, const QColor& ink);
void arrowLeft(QPainter& p, const QColor& ink);
void arrowDown(QPainter& p, const QColor& ink);
void arrowRight(QPainter& p, const QColor& ink);

}  // namespace assets::glyph
