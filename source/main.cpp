// camviewer entry point.
#include <QApplication>
#include <QDebug>

#include <cstdio>

#include "adapter_hardWare/AdapterHardware.h"
#include "util_class/debug_message_handler.h"

int main(int argc, char* argv[]) {
  // The program runs DPI-unaware: it scales its own design sizes.
  QCoreApplication::setAttribute(Qt::AA_DisableHighDpiScaling);
  QApplication app(argc, argv);

  debug_removeOldLog();
  qInstallMessageHandler(debug_messageHandler);
  adapterHardware.set_screen();
  qDebug() << "camviewer version" << "1.0.210718.2";

  std::fprintf(stderr,
               "camviewer 1.0.210718.2: start-up and logging are in place; the sign-in "
               "dialog and main window are not built yet.\n");
  return 0;
}
