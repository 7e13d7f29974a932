// Headers and TLS settings of every cloud and camera HTTPS request.
// Every request verifies the peer (TLS 1.2); a self-hosted or simulated
// cloud is trusted by adding its CA to the default configuration
// (cloud_config::installCaFile).
#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>

class Signin;

// A copy of the default configuration with TLS 1.2 and peer verification on.
QSslConfiguration HTTP_sslConfiguration();

// "Content-Type: application/json;charset=utf-8", then "Accept-Language".
void HTTP_setCommonHeaders(QNetworkRequest& request, const QByteArray& acceptLanguage = "zh");

// "x-agent-token", "Authorization: Bearer ..." and "X-UAC-Signature" for
// `body` posted under `signedPath`, signed at `timestamp` with the store's
// current signToken.
void HTTP_setSignedHeaders(QNetworkRequest& request, Signin& tokens, const QByteArray& body,
                           const char* signedPath, const QString& timestamp);

// An unsigned request: common headers and TLS settings.
QNetworkRequest HTTP_cloudRequest(const QUrl& url, const QByteArray& acceptLanguage = "zh");

// A signed request, time-stamped now: common, then signed headers, then TLS.
QNetworkRequest HTTP_signedCloudRequest(const QUrl& url, Signin& tokens, const QByteArray& body,
                                        const char* signedPath);
