#include "http_command/uac_signature.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QMessageAuthenticationCode>

namespace {

QByteArray sha256Hex(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

}  // namespace

QString HTTP_uacSignature(const char* body, const char* signedPath, const QString& timestamp,
                          const QString& signToken) {
  const QByteArray bodyHash = sha256Hex(QByteArray(body ? body : ""));
  const QByteArray canonical =
      QByteArray("POST\n") + QByteArray(signedPath ? signedPath : "") + "\n" + bodyHash + "\n";
  const QByteArray stringToSign =
      QByteArray("HMAC-SHA256\n") + timestamp.toUtf8() + "\n" + sha256Hex(canonical);
  const QByteArray mac = QMessageAuthenticationCode::hash(stringToSign, signToken.toUtf8(),
                                                          QCryptographicHash::Sha256);
  return QString::fromLatin1(
      mac.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString HTTP_uacSignatureHeader(const QString& timestamp, const QString& signature) {
  return QStringLiteral("UAC1-HMAC-SHA256;") + timestamp + QLatin1Char(';') + signature;
}
