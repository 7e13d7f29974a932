#include "util_class/country_code.h"

#include <cjson/cJSON.h>

namespace {

int codeOf(const cJSON* item) {
  if (!item) return -1;
  if (cJSON_IsNumber(item)) return item->valueint;  // cJSON cuts and saturates
  if (cJSON_IsTrue(item)) return 1;
  return 0;
}

QString textOf(const cJSON* object, const char* key) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
  if (!cJSON_IsString(item) || !item->valuestring) return QString();
  return QString::fromUtf8(item->valuestring);
}

}  // namespace

CountryCodeList* countryCodeList_fromJson(const QByteArray& fileBytes) {
  const int nul = fileBytes.indexOf('\0');
  const QByteArray text = nul < 0 ? fileBytes : fileBytes.left(nul);
  cJSON* root = cJSON_ParseWithLength(text.constData(), static_cast<size_t>(text.size()));
  if (!root) return nullptr;
  auto* list = new CountryCodeList;
  const cJSON* entries = cJSON_GetObjectItemCaseSensitive(root, "countrycodes");
  if (cJSON_IsArray(entries)) {
    const cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, entries) {
      auto* country = new CountryCode;
      country->code = codeOf(cJSON_GetObjectItemCaseSensitive(entry, "code"));
      country->zht = textOf(entry, "zht");
      country->en = textOf(entry, "en");
      country->locale = textOf(entry, "locale");
      country->zhs = textOf(entry, "zhs");
      list->append(country);
    }
  }
  cJSON_Delete(root);
  return list;
}

void countryCodeList_free(CountryCodeList* list) {
  if (!list) return;
  qDeleteAll(*list);
  delete list;
}
