#include "view/program_picture.h"

#include "mainwindow.h"

QString programPicture(const QString& name) {
  return mainwindow ? mainwindow->picturePath(name) : QString();
}
