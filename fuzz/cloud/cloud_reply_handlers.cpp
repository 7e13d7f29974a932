#include "cloud_reply_handlers.h"

#include <cJSON.h>

#include <memory>

#include "fuzz_check.h"
#include "http_command/cloud_records.h"
#include "http_command/fetch_infos.h"
#include "http_command/json_fields.h"
#include "http_command/record_parsing.h"
#include "http_command/signin.h"

namespace fuzzcloud {
namespace {

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonTree = std::unique_ptr<cJSON, JsonDeleter>;

// Replies are parsed as the client parses them: cJSON on the body's text.
JsonTree parse(const QByteArray& text) { return JsonTree(cJSON_Parse(text.constData())); }

const cJSON* result(const cJSON* root) { return json_object(root, "result"); }

void fields(const QByteArray& text) {
  const JsonTree root = parse(text);
  json_status_ok(root.get());
  json_text(root.get(), "status");
  json_int(root.get(), "code");
  json_string(root.get(), "msg");
  json_array(result(root.get()), "devices");
}

void appConfig(const QByteArray& text) {
  const JsonTree root = parse(text);
  std::unique_ptr<App_config> c(App_config_fromReply(root.get()));
}

void challenge(const QByteArray& text) {
  const JsonTree root = parse(text);
  Challenge c;
  Challenge_fillFromReply(c, root.get());
}

void signin(const QByteArray& text) {
  const JsonTree root = parse(text);
  std::unique_ptr<Signin> s(Signin_fromResult(result(root.get()), QStringLiteral("digest")));
}

void deviceList(const QByteArray& text) {
  const JsonTree root = parse(text);
  std::unique_ptr<Device_list> list(Device_list_fromResult(result(root.get())));
  if (list) FUZZ_CHECK(list->conDevices != nullptr && list->devGenerals != nullptr);
}

void devConfig(const QByteArray& text) {
  const JsonTree root = parse(text);
  const QList<Dev_config*> list = Dev_config_listFromResult(result(root.get()));
  for (const Dev_config* c : list) FUZZ_CHECK(c->deviceType == 1);
  qDeleteAll(list);
}

void fetchInfos(const QByteArray& text) {
  const JsonTree root = parse(text);
  qDeleteAll(FetchInfos_listFromResult(result(root.get())));
  const cJSON* infos = json_array(result(root.get()), "infos");
  const cJSON* entry = nullptr;
  cJSON_ArrayForEach(entry, infos) delete FetchInfos_fromInfosEntry(entry);
}

const ReplyHandler kHandlers[] = {
    {"json fields", fields},
    {"app-startup", appConfig},
    {"challenge", challenge},
    {"sign-in", signin},
    {"device-list", deviceList},
    {"dev-config", devConfig},
    {"fetch-infos", fetchInfos},
    {nullptr, nullptr},
};

}  // namespace

const ReplyHandler* replyHandlers() { return kHandlers; }

}  // namespace fuzzcloud
