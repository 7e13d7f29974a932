// MainWindow: the country table of countrycode.json beside the program. It
// is loaded at the start of each pass of the sign-in loop (for the sign-in
// dialog and the country picker) and freed once the user has signed in.
#include <QDebug>
#include <QFile>

#include "mainwindow.h"
#include "util_class/app_paths.h"

void MainWindow::readCountryCode_fromJsonFile() {
  countryCode_list_clear();  // a table left from an earlier pass is not leaked
  const QString path = app_paths::programDir() + QStringLiteral("/countrycode.json");
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    qDebug() << "could't open" << path;
    return;
  }
  const QByteArray bytes = file.readAll();
  file.close();
  CountryCode_List = countryCodeList_fromJson(bytes);
  if (!CountryCode_List) {
    qDebug() << path << "is not JSON: no country table";
    return;
  }
  qDebug() << " ________ here CountryCode_List size:" << CountryCode_List->size();
}

void MainWindow::countryCode_list_clear() {
  countryCodeList_free(CountryCode_List);
  CountryCode_List = nullptr;
}
