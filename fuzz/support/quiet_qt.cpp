// Fuzz targets run the client's code millions of times: its log lines are
// dropped instead of flooding the output.
#include <QtGlobal>

namespace {

void drop(QtMsgType, const QMessageLogContext&, const QString&) {}

const bool gQuiet = [] {
  qInstallMessageHandler(drop);
  return true;
}();

}  // namespace
