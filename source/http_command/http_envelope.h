// The two fixed parts of every cloud request body ("meta" and "data") and the
// time stamp text of signed requests. Bodies are cJSON trees printed compact.
#pragma once

#include <QByteArray>
#include <QString>

struct cJSON;

// {"locale", "localtz", "appName":"orvanta", "appVendorCode":"ORV"} from the
// request context. The caller adds it to its root, which then owns it.
cJSON* HTTP_meta_create();

// {"origin":"PC", "osName":"windows", "agentName", "appVendorCode":"ORV"}.
cJSON* HTTP_data_create();

// A new root object holding "meta" and "data" from the two builders; *meta
// and *data (when given) point at them so the call can append its own keys.
cJSON* HTTP_body_create(cJSON** meta, cJSON** data);

// The compact text of `root` (cJSON_PrintUnformatted); empty when printing fails.
QByteArray HTTP_printBody(const cJSON* root);

// Milliseconds since the Unix epoch as decimal text.
QString HTTP_timestamp();
