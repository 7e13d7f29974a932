// Posting one cloud call: the request for the call's URL with the common
// headers, the signed headers when the call is signed (token store read at
// this moment), TLS 1.2 with peer verification; the reply tagged with the
// session generation it belongs to; URL and body logged with secrets
// masked. Used on the GUI thread and by the snapshot thread (each with its
// own manager).
#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

#include "http_command/cloud_call.h"

class QNetworkAccessManager;
class Signin;

// The ready request (no network). `tokens` is needed for signed calls only.
QNetworkRequest cloudRequest(CloudCall call, const QUrl& url, const QByteArray& body,
                             Signin* tokens);

// Posts `body` for `call` under `base` through `via`; the reply carries
// `generation`. Null when the URL is unusable (empty base) or a signed call
// has no token store: nothing is sent then, and the caller counts a
// failed attempt.
QNetworkReply* cloudPost(QNetworkAccessManager& via, CloudCall call, const QString& base,
                         const QByteArray& body, Signin* tokens, quint64 generation);

// The generation a reply was posted in (0 for a reply not posted by cloudPost).
quint64 cloudReplyGeneration(const QNetworkReply* reply);
