#include "http_command/cloud_config.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QUrl>

#include <cstdio>

#include "util_class/app_paths.h"

namespace cloud_config {

namespace {

void setError(QString* error, const QString& text) {
  if (error) *error = text;
}

struct FileValues {
  QString url;
  QString ca;
};

FileValues readFile(const QString& path) {
  FileValues values;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return values;
  const QString folder = QFileInfo(path).absolutePath();
  while (!file.atEnd()) {
    // Whole lines: a long comment cut into pieces must not turn into a setting.
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
    const int eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (key == QLatin1String("url")) {
      values.url = value;
    } else if (key == QLatin1String("ca") && !value.isEmpty()) {
      values.ca = QDir(folder).absoluteFilePath(value);
    }
  }
  return values;
}

QString fromEnvironment(const char* name) {
  return QString::fromLocal8Bit(qgetenv(name)).trimmed();
}

}  // namespace

bool validateEntryUrl(const QString& text, QString* error) {
  const QUrl url(text, QUrl::StrictMode);
  if (text.isEmpty() || !url.isValid()) {
    setError(error, QStringLiteral("cloud entry URL \"%1\" is not a valid URL").arg(text));
    return false;
  }
  if (url.scheme() != QLatin1String("https")) {
    setError(error, QStringLiteral("cloud entry URL \"%1\" does not use https").arg(text));
    return false;
  }
  if (url.host().isEmpty()) {
    setError(error, QStringLiteral("cloud entry URL \"%1\" has no host").arg(text));
    return false;
  }
  if (url.hasQuery() || url.hasFragment() || !url.userInfo().isEmpty()) {
    setError(error, QStringLiteral("cloud entry URL \"%1\" must be a plain base URL").arg(text));
    return false;
  }
  return true;
}

bool load(CloudConfig& out, QString* error) {
  const FileValues file =
      readFile(app_paths::dataDir() + QLatin1Char('/') + QLatin1String(kFileName));
  QString url = fromEnvironment(kUrlVariable);
  if (url.isEmpty()) url = file.url;
  if (url.isEmpty()) url = QLatin1String(kDefaultEntryUrl);
  QString ca = fromEnvironment(kCaVariable);
  if (ca.isEmpty()) ca = file.ca;
  if (!validateEntryUrl(url, error)) return false;
  while (url.endsWith(QLatin1Char('/'))) url.chop(1);
  out.entryUrl = url;
  out.caFile = ca;
  return true;
}

bool installCaFile(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    setError(error, QStringLiteral("cloud CA file \"%1\" cannot be read").arg(path));
    return false;
  }
  const QList<QSslCertificate> certificates = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
  if (certificates.isEmpty()) {
    setError(error, QStringLiteral("cloud CA file \"%1\" holds no PEM certificate").arg(path));
    return false;
  }
  QSslConfiguration config = QSslConfiguration::defaultConfiguration();
  QList<QSslCertificate> trusted = config.caCertificates();
  trusted.append(certificates);
  config.setCaCertificates(trusted);
  QSslConfiguration::setDefaultConfiguration(config);
  return true;
}

bool apply(CloudConfig& out, QString* error) {
  QString why;
  const bool ok = load(out, &why) && (out.caFile.isEmpty() || installCaFile(out.caFile, &why));
  if (!ok) {
    // Also on standard error: the log file alone would hide it.
    std::fprintf(stderr, "camviewer: cloud configuration error: %s\n", why.toLocal8Bit().constData());
    qCritical() << "cloud configuration error:" << why;
    setError(error, why);
  }
  return ok;
}

}  // namespace cloud_config
