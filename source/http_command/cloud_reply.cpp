#include "http_command/cloud_reply.h"

#include <QDebug>
#include <QMetaEnum>

#include "http_command/json_fields.h"
#include "http_command/log_mask.h"
#include "util_class/log_excerpt.h"

namespace {

// Replies beyond this are not parsed (no cloud answer comes near it).
constexpr int kMaxParsedBody = 8 << 20;

QString errorName(QNetworkReply::NetworkError error) {
  const char* name = QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error);
  return name ? QString::fromLatin1(name) : QString::number(error);
}

}  // namespace

CloudReply::CloudReply(int httpStatus, QNetworkReply::NetworkError error, const QByteArray& body)
    : httpStatus_(httpStatus), error_(error), body_(body) {
  if (body_.size() <= kMaxParsedBody) {
    root_.reset(cJSON_ParseWithLength(body_.constData(), static_cast<size_t>(body_.size())));
    if (root_ && !cJSON_IsObject(root_.get())) root_.reset();
  }
}

CloudReply CloudReply::take(QNetworkReply* reply, const char* logPrefix) {
  const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  CloudReply r(status, reply->error(), reply->readAll());
  reply->abort();
  reply->deleteLater();
  qDebug() << logPrefix << "http response status: " << status;
  if (r.error_ != QNetworkReply::NoError) {
    qDebug() << "reply->error:" << errorName(r.error_) << "http instruct err !!!";
  }
  // A body too long to be parsed is not parsed for the log either.
  const QString shown = r.body_.size() <= kMaxParsedBody
                            ? maskJsonSecrets(r.body_)
                            : QStringLiteral("<%1 bytes, not parsed>").arg(r.body_.size());
  qDebug() << logPrefix << "reply:" << logExcerpt(shown, r.body_.size());
  return r;
}

QString CloudReply::failure() const {
  if (httpStatus_ == 0) return QStringLiteral("no HTTP answer (%1)").arg(errorName(error_));
  if (httpStatus_ != 200) return QStringLiteral("HTTP status %1").arg(httpStatus_);
  if (error_ != QNetworkReply::NoError) {
    return QStringLiteral("transport error %1 on a 200 reply").arg(errorName(error_));
  }
  if (!root_) return QStringLiteral("the body is not a JSON object");
  return QString();
}

const cJSON* CloudReply::result() const { return json_object(root_.get(), "result"); }
bool CloudReply::hasStatus() const { return json_string(root_.get(), "status") != nullptr; }
bool CloudReply::statusOk() const { return json_status_ok(root_.get()); }
QString CloudReply::status() const { return json_text(root_.get(), "status"); }
QString CloudReply::message() const { return json_text(root_.get(), "message"); }
int CloudReply::code() const { return json_int(root_.get(), "code"); }
