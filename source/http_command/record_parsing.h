// Records from parsed replies (cJSON trees). Every function accepts null or
// wrongly typed parts: missing texts are empty, missing numbers 0, missing
// arrays give no entries.
#pragma once

#include <QList>
#include <QString>

#include "http_command/cloud_records.h"

struct cJSON;
class FetchInfos;
class Signin;

// The app-startup reply: result.appConfig.
App_config* App_config_fromReply(const cJSON* root);

// The device-list reply's "result": conDevices and devGenerals in order.
Device_list* Device_list_fromResult(const cJSON* result);

// The dev-config reply's "result": one record per "devices" entry whose
// deviceType is 1, in order.
QList<Dev_config*> Dev_config_listFromResult(const cJSON* result);

// One element of the fetch-infos "infos" array (holding "info").
FetchInfos* FetchInfos_fromInfosEntry(const cJSON* entry);

// The fetch-infos reply's "result": one record per "infos" element.
QList<FetchInfos*> FetchInfos_listFromResult(const cJSON* result);

// The challenge reply: the three keys of "result" (all empty without it).
void Challenge_fillFromReply(Challenge& challenge, const cJSON* root);

// The sign-in reply's "result" and the challenge's agent digest.
Signin* Signin_fromResult(const cJSON* result, const QString& macDigest);
