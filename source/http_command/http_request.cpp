#include "http_command/http_request.h"

#include <QSslSocket>

#include "http_command/http_envelope.h"
#include "http_command/signin.h"
#include "http_command/uac_signature.h"

QSslConfiguration HTTP_sslConfiguration() {
  QSslConfiguration config = QSslConfiguration::defaultConfiguration();
  config.setProtocol(QSsl::TlsV1_2);
  config.setPeerVerifyMode(QSslSocket::VerifyPeer);
  return config;
}

void HTTP_setCommonHeaders(QNetworkRequest& request, const QByteArray& acceptLanguage) {
  request.setRawHeader("Content-Type", "application/json;charset=utf-8");
  request.setRawHeader("Accept-Language", acceptLanguage);
}

void HTTP_setSignedHeaders(QNetworkRequest& request, Signin& tokens, const QByteArray& body,
                           const char* signedPath, const QString& timestamp) {
  const QString signature =
      HTTP_uacSignature(body.constData(), signedPath, timestamp, tokens.get_signToken());
  request.setRawHeader("x-agent-token", tokens.get_macDigest().toUtf8());
  request.setRawHeader("Authorization", "Bearer " + tokens.get_accessToken().toUtf8());
  request.setRawHeader("X-UAC-Signature", HTTP_uacSignatureHeader(timestamp, signature).toUtf8());
}

QNetworkRequest HTTP_cloudRequest(const QUrl& url, const QByteArray& acceptLanguage) {
  QNetworkRequest request(url);
  HTTP_setCommonHeaders(request, acceptLanguage);
  request.setSslConfiguration(HTTP_sslConfiguration());
  return request;
}

QNetworkRequest HTTP_signedCloudRequest(const QUrl& url, Signin& tokens, const QByteArray& body,
                                        const char* signedPath) {
  QNetworkRequest request(url);
  HTTP_setCommonHeaders(request);
  HTTP_setSignedHeaders(request, tokens, body, signedPath, HTTP_timestamp());
  request.setSslConfiguration(HTTP_sslConfiguration());
  return request;
}
