#include "adapter_hardWare/AdapterHardware.h"

#include <QDateTime>
#include <QDebug>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <QSysInfo>
#include <QTimeZone>

AdapterHardware adapterHardware;

QString AdapterHardware::windowsVersionName(int value) {
  switch (value) {
    case 0x30: return QStringLiteral("Windows XP");
    case 0x40: return QStringLiteral("Windows Server 2003");
    case 0x80: return QStringLiteral("Windows Vista");
    case 0x90: return QStringLiteral("Windows 7");
    case 0xA0: return QStringLiteral("Windows 8");
    case 0xB0: return QStringLiteral("Windows 8.1");
    case 0xC0: return QStringLiteral("Windows 10");
    default: return QString();
  }
}

QString AdapterHardware::get_windowsVersion() const {
#ifdef Q_OS_WIN
  return windowsVersionName(static_cast<int>(QSysInfo::windowsVersion()));
#else
  return windowsVersionName(0);  // not Windows: no name
#endif
}

void AdapterHardware::set_fount() {
  QFontDatabase::addApplicationFont(QStringLiteral("Roboto-Bold.ttf"));
  QFontDatabase::addApplicationFont(QStringLiteral("Roboto-Regular.ttf"));
  QFontDatabase::addApplicationFont(QStringLiteral("Roboto-Medium.ttf"));
}

void AdapterHardware::set_screen() {
  const char* label = "set_screen";
  const QDateTime now = QDateTime::currentDateTime();
  const QLocale locale = QLocale::system();
  qDebug() << label << "systemTimeZone :" << QTimeZone::systemTimeZone();
  qDebug() << label << "localtime:" << now;
  qDebug() << label << "UTCtime:" << now.toUTC().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
  qDebug() << label << "testTime.offsetFromUtc()/60" << now.offsetFromUtc() / 60;
  qDebug() << label << "QLocale systme name :" << locale.name();
  qDebug() << label << "QLocale country :" << locale.country();
  qDebug() << label << "QLocale bcp47Name :" << locale.bcp47Name();

  // The primary screen's geometry, as the desktop widget's screen -1 gives it.
  QScreen* primaryScreen = QGuiApplication::primaryScreen();
  const QRect geometry = primaryScreen ? primaryScreen->geometry() : QRect();
  qDebug() << label << " QApplication::desktop()->screenGeometry().width()" << geometry.width();
  qDebug() << label << " QApplication::desktop()->screenGeometry().height()" << geometry.height();
  if (QScreen* primary = QGuiApplication::primaryScreen()) {
    qDebug() << label << "this computer desktop:" << "width:" << primary->size().width()
             << "height:" << primary->size().height();
  }
  for (QScreen* screen : QGuiApplication::screens()) {
    qDebug() << label << "name:" << screen->name() << "size: " << screen->size()
             << "model: " << screen->model();
  }
  qDebug() << label << "SystemBit :" << QSysInfo::currentCpuArchitecture();
  qDebug() << label << "WindowsVersion :" << get_windowsVersion();

  // QRect's width/height are right - left + 1 and bottom - top + 1.
  widthScale = widthScaleFor(geometry.width());
  heightScale = heightScaleFor(geometry.height());
  qDebug() << label << "UI desktop_width compare this computer width:" << widthScale;
  qDebug() << label << "UI desktop_height compare this computer height:" << heightScale;
}
