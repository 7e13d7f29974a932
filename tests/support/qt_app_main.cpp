// main() for widget tests that need no real screen: a QApplication on the
// platform the environment names (scripts/test.sh sets offscreen), with a
// private XDG_RUNTIME_DIR so Qt and SDL keep their files apart per test.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdlib>

#include "test_application.h"

int main(int argc, char** argv) {
  QTemporaryDir runtimeDir;
  if (!getenv("XDG_RUNTIME_DIR")) setenv("XDG_RUNTIME_DIR", runtimeDir.path().toUtf8().constData(), 1);
  if (!getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
  testsupport::TestApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
