#include "http_command/log_mask.h"

#include <QCryptographicHash>
#include <cstdlib>
#include <cstring>

#include "http_command/json_tree.h"

namespace {

constexpr const char* kSecretMembers[] = {
    "accessToken", "refreshToken", "signToken",   "password",     "clientSecretKey",
    "accessKey",   "accessPriKey", "sessionKey",  "token",        "nonce",
    "macDigest",   "passWord",     "emailPassWord", "phonePassWord"};

void maskTree(cJSON* node) {
  for (cJSON* child = node ? node->child : nullptr; child; child = child->next) {
    if (cJSON_IsString(child) && child->string && isSecretMember(child->string)) {
      const QByteArray masked = maskSecret(QString::fromUtf8(child->valuestring)).toUtf8();
      cJSON_SetValuestring(child, masked.constData());
    } else if (cJSON_IsObject(child) || cJSON_IsArray(child)) {
      maskTree(child);
    }
  }
}

}  // namespace

bool isSecretMember(const char* name) {
  for (const char* secret : kSecretMembers) {
    if (std::strcmp(name, secret) == 0) return true;
  }
  return false;
}

QString maskSecret(const QString& value) {
  if (value.isEmpty()) return QString();
  const QByteArray digest = QCryptographicHash::hash(value.toUtf8(), QCryptographicHash::Sha256);
  return QStringLiteral("***#%1(%2)")
      .arg(QString::fromLatin1(digest.toHex().left(6)))
      .arg(value.size());
}

QString maskJsonSecrets(const QByteArray& json) {
  JsonTreePtr root(cJSON_ParseWithLength(json.constData(), static_cast<size_t>(json.size())));
  if (!root) return QStringLiteral("<%1 bytes, not JSON>").arg(json.size());
  maskTree(root.get());
  char* text = cJSON_PrintUnformatted(root.get());
  const QString out = text ? QString::fromUtf8(text) : QString();
  std::free(text);
  return out;
}
