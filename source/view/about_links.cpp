#include "view/about_links.h"

#include <QDebug>
#include <QDesktopServices>
#include <QUrl>

QString aboutLinkText(const QString& address, const QString& label) {
  if (address.isEmpty()) return label;
  return QStringLiteral("<a href=\"") + address.toHtmlEscaped() + QStringLiteral("\">") +
         label.toHtmlEscaped() + QStringLiteral("</a>");
}

bool aboutLinkOpenable(const QString& address) {
  const QUrl url(address, QUrl::StrictMode);
  const QString scheme = url.scheme();
  return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
         !url.host().isEmpty();
}

bool openAboutLink(const QString& address) {
  qDebug() << "open :" << address;
  if (!aboutLinkOpenable(address)) {
    qDebug() << "not a web address, not opened";
    return false;
  }
  return QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode));
}
