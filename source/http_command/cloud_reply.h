// One cloud reply, read once and released: its HTTP status, transport
// error, body and parsed JSON. A reply counts as arrived only when it has
// HTTP status 200, no transport error and a body that is a JSON object;
// anything else (no answer, another status, a cut or non-JSON body) is a
// failed attempt of the call, never a dead end.
#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

#include "http_command/json_tree.h"

class CloudReply {
 public:
  // From the pieces (tests and fuzzing feed arbitrary text here).
  CloudReply(int httpStatus, QNetworkReply::NetworkError error, const QByteArray& body);

  // Reads `reply` whole, logs "<prefix> http response status: N" and the
  // body with its secrets masked, then aborts and deleteLater()s it: every
  // reply is released exactly here.
  static CloudReply take(QNetworkReply* reply, const char* logPrefix);

  int httpStatus() const { return httpStatus_; }
  QNetworkReply::NetworkError error() const { return error_; }
  const QByteArray& body() const { return body_; }

  // 200, no transport error, a JSON object.
  bool arrived() const { return httpStatus_ == 200 && error_ == QNetworkReply::NoError && root_; }
  // Why it did not arrive (for the log); empty when it did.
  QString failure() const;

  const cJSON* root() const { return root_.get(); }
  const cJSON* result() const;      // "result" when it is an object
  bool hasStatus() const;           // a top-level "status" text
  bool statusOk() const;            // "status" is exactly "ok"
  QString status() const;
  QString message() const;
  int code() const;

 private:
  int httpStatus_;
  QNetworkReply::NetworkError error_;
  QByteArray body_;
  JsonTreePtr root_;
};
