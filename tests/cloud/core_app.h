// Test helper: the one QCoreApplication of a test program that needs no
// widgets, made on first use. Qt's own event dispatcher instead of GLib's,
// whose internals race detectors cannot see into.
#pragma once

#include <QCoreApplication>

inline QCoreApplication& coreApp() {
  static int argc = 1;
  static char name[] = "camviewer_test";
  static char* argv[] = {name, nullptr};
  qputenv("QT_NO_GLIB", "1");
  static QCoreApplication instance(argc, argv);
  return instance;
}
