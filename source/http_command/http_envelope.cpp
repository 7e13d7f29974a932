#include "http_command/http_envelope.h"

#include <cJSON.h>

#include <QDateTime>
#include <cstdlib>

#include "http_command/request_context.h"

cJSON* HTTP_meta_create() {
  const RequestContext context = request_context::get();
  cJSON* meta = cJSON_CreateObject();
  cJSON_AddStringToObject(meta, "locale", context.systemLocale.toUtf8().constData());
  cJSON_AddNumberToObject(meta, "localtz", context.localtz);
  cJSON_AddStringToObject(meta, "appName", "orvanta");
  cJSON_AddStringToObject(meta, "appVendorCode", "ORV");
  return meta;
}

cJSON* HTTP_data_create() {
  const RequestContext context = request_context::get();
  cJSON* data = cJSON_CreateObject();
  cJSON_AddStringToObject(data, "origin", "PC");
  cJSON_AddStringToObject(data, "osName", "windows");
  cJSON_AddStringToObject(data, "agentName", context.machineName.toUtf8().constData());
  cJSON_AddStringToObject(data, "appVendorCode", "ORV");
  return data;
}

cJSON* HTTP_body_create(cJSON** meta, cJSON** data) {
  cJSON* root = cJSON_CreateObject();
  cJSON* m = HTTP_meta_create();
  cJSON* d = HTTP_data_create();
  cJSON_AddItemToObject(root, "meta", m);
  cJSON_AddItemToObject(root, "data", d);
  if (meta) *meta = m;
  if (data) *data = d;
  return root;
}

QByteArray HTTP_printBody(const cJSON* root) {
  char* text = cJSON_PrintUnformatted(root);
  if (!text) return {};
  QByteArray body(text);
  std::free(text);
  return body;
}

QString HTTP_timestamp() {
  return QString::number(QDateTime::currentDateTime().toMSecsSinceEpoch(), 10);
}
