// Draws the program's pictures and animations into one folder:
//   camviewer_asset_maker FOLDER
#include "asset_catalogue.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  QString error;
  if (!assets::writeAssets(QString::fromLocal8Bit(argv[1]), &error)) {
    std::fprintf(stderr, "camviewer_asset_maker: %s\n", qPrintable(error));
    return 1;
  }
  return 0;
}
