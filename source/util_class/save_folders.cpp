#include "util_class/save_folders.h"

#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "util_class/private_files.h"

SaveFolders saveFoldersUnder(const QString& root) {
  return {QString(), root, root + QStringLiteral("/Photo"), root + QStringLiteral("/Video")};
}

QString saveFoldersShown(const QString& rootSavePath, const QString& userPrivateDir) {
  return rootSavePath.isEmpty() ? userPrivateDir : rootSavePath;
}

QString savedKindFolder(SavedKind kind, const QString& savePath, const QString& userPrivateDir) {
  if (!savePath.isEmpty()) return savePath;
  if (userPrivateDir.isEmpty()) return QString();
  const QString base =
      userPrivateDir.endsWith(QLatin1Char('/')) ? userPrivateDir : userPrivateDir + QLatin1Char('/');
  return base + (kind == SavedKind::Photo ? QStringLiteral("snapshot") : QStringLiteral("record"));
}

bool openSavedFolder(const QString& path) {
  if (path.isEmpty()) {
    qDebug() << "no folder to open";
    return false;
  }
  if (!QFileInfo(path).isDir() && !private_files::makeFolder(path)) qDebug() << "create :" << path << " err";
  const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  qDebug() << "open folder" << path << (opened ? "" : " err");
  return opened;
}
