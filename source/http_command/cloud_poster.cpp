#include "http_command/cloud_poster.h"

#include <QDebug>
#include <QNetworkAccessManager>

#include "http_command/http_request.h"
#include "http_command/log_mask.h"
#include "util_class/log_excerpt.h"

namespace {

constexpr const char* kGenerationProperty = "cloudGeneration";

}  // namespace

QNetworkRequest cloudRequest(CloudCall call, const QUrl& url, const QByteArray& body,
                             Signin* tokens) {
  const CloudCallInfo& info = cloudCallInfo(call);
  if (info.signedPath) return HTTP_signedCloudRequest(url, *tokens, body, info.signedPath);
  return HTTP_cloudRequest(url, info.acceptLanguage);
}

QNetworkReply* cloudPost(QNetworkAccessManager& via, CloudCall call, const QString& base,
                         const QByteArray& body, Signin* tokens, quint64 generation) {
  const CloudCallInfo& info = cloudCallInfo(call);
  const QUrl url = cloudCallUrl(call, base);
  if (!url.isValid() || url.host().isEmpty()) {
    qWarning() << info.name << "not sent: no usable URL under" << base;
    return nullptr;
  }
  if (info.signedPath && !tokens) {
    qWarning() << info.name << "not sent: no token store";
    return nullptr;
  }
  QNetworkReply* reply = via.post(cloudRequest(call, url, body, tokens), body);
  reply->setProperty(kGenerationProperty, QVariant::fromValue<quint64>(generation));
  qDebug() << info.name << "post request : " << url.toString();
  qDebug() << info.name << "post data: " << logExcerpt(maskJsonSecrets(body), body.size());
  return reply;
}

quint64 cloudReplyGeneration(const QNetworkReply* reply) {
  return reply->property(kGenerationProperty).value<quint64>();
}
