#include "util_class/user_local_config.h"

#include <cJSON.h>

#include <QDebug>
#include <QFile>
#include <QSaveFile>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "http_command/json_fields.h"
#include "http_command/log_mask.h"
#include "sql/user_files.h"
#include "util_class/log_excerpt.h"
#include "util_class/private_files.h"
#include "util_class/stored_file_limits.h"

namespace {

struct JsonDeleter {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonTree = std::unique_ptr<cJSON, JsonDeleter>;

// The file's tree, or null when it is missing, too large or its text is not
// JSON. A text that is JSON but no object reads as all defaults.
JsonTree readTree(const QString& path, bool logMissing) {
  if (storedFileTooLarge(path, kConfigFileMaxBytes)) return nullptr;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (logMissing) qDebug() << "could't open" << path;
    return nullptr;
  }
  qDebug() << path;
  QByteArray bytes = file.readAll();
  const int zero = bytes.indexOf('\0');
  if (zero >= 0) bytes.truncate(zero);
  // The remembered passwords stay out of the log.
  qDebug() << logExcerpt(maskJsonSecrets(bytes), bytes.size());
  return JsonTree(cJSON_Parse(bytes.constData()));
}

UserLocalConfig fromTree(const cJSON* root) {
  UserLocalConfig c;
  c.emailUserName = json_text(root, "emailUserName");
  c.emailPassWord = json_text(root, "emailPassWord");
  c.phoneUserName = json_text(root, "phoneUserName");
  c.phonePassWord = json_text(root, "phonePassWord");
  c.countryCode = json_int(root, "countryCode");
  c.remeberUser = json_int(root, "remeberUser");
  c.loginMode = json_int(root, "loginMode");
  c.rootSavePath = json_text(root, "rootSavePath");
  c.videoSavePath = json_text(root, "videoSavePath");
  c.pictureSavePath = json_text(root, "pictureSavePath");
  return c;
}

const char* const kOwnKeys[] = {"emailUserName", "emailPassWord",  "phoneUserName", "phonePassWord",
                                "countryCode",   "remeberUser",    "loginMode",     "rootSavePath",
                                "videoSavePath", "pictureSavePath"};

bool isOwnKey(const char* key) {
  for (const char* own : kOwnKeys) {
    if (key && std::strcmp(key, own) == 0) return true;
  }
  return false;
}

// The ten keys in file order, then any other members an earlier file held.
bool writeFile(const QString& path, const UserLocalConfig& c, const cJSON* previous) {
  JsonTree root(cJSON_CreateObject());
  if (!root) {
    qDebug() << "  json create err";
    return false;
  }
  auto addText = [&root](const char* key, const QString& value) {
    cJSON_AddStringToObject(root.get(), key, value.toUtf8().constData());
  };
  addText("emailUserName", c.emailUserName);
  addText("emailPassWord", c.emailPassWord);
  addText("phoneUserName", c.phoneUserName);
  addText("phonePassWord", c.phonePassWord);
  cJSON_AddNumberToObject(root.get(), "countryCode", c.countryCode);
  cJSON_AddNumberToObject(root.get(), "remeberUser", c.remeberUser);
  cJSON_AddNumberToObject(root.get(), "loginMode", c.loginMode);
  addText("rootSavePath", c.rootSavePath);
  addText("videoSavePath", c.videoSavePath);
  addText("pictureSavePath", c.pictureSavePath);
  const cJSON* members = cJSON_IsObject(previous) ? previous : nullptr;
  const cJSON* other = nullptr;
  cJSON_ArrayForEach(other, members) {
    if (!isOwnKey(other->string)) {
      cJSON_AddItemToObject(root.get(), other->string, cJSON_Duplicate(other, 1));
    }
  }
  char* printed = cJSON_Print(root.get());
  if (!printed) return false;
  QSaveFile file(path);
  bool ok = private_files::open(file, QIODevice::WriteOnly | QIODevice::Truncate);
  if (!ok) {
    qDebug() << "open failed " << path;
  } else {
    const QByteArray bytes = QByteArray(printed) + '\n';
    ok = file.write(bytes) == bytes.size() && file.commit();
  }
  std::free(printed);
  return ok;
}

}  // namespace

QString userConfigFilePath(const QString& userName) {
  return user_files::userPrivateDir(userName) + QStringLiteral("config.json");
}

bool readConfigFileFromUsername(const QString& userName, UserLocalConfig& out) {
  const JsonTree tree = readTree(userConfigFilePath(userName), true);
  if (!tree) return false;
  out = fromTree(tree.get());
  qDebug() << "userLocalConfig create ";
  return true;
}

bool writeConfigFileUserinfo(const QString& user, const QString& emailUserName,
                             const QString& emailPassWord, const QString& phoneUserName,
                             const QString& phonePassWord, int countryCode, int remeberUser,
                             int loginMode) {
  const QString path = userConfigFilePath(user);
  if (storedFileTooLarge(path, kConfigFileMaxBytes)) return false;
  const JsonTree previous = readTree(path, false);
  UserLocalConfig c = fromTree(previous.get());
  c.emailUserName = emailUserName;
  c.emailPassWord = emailPassWord;
  c.phoneUserName = phoneUserName;
  c.phonePassWord = phonePassWord;
  c.countryCode = countryCode;
  c.remeberUser = remeberUser;
  c.loginMode = loginMode;
  return writeFile(path, c, previous.get());
}

bool writeConfigFileAVideoinfo(const QString& user, const QString& rootSavePath,
                               const QString& videoSavePath, const QString& pictureSavePath,
                               UserLocalConfig* written) {
  const QString path = userConfigFilePath(user);
  if (storedFileTooLarge(path, kConfigFileMaxBytes)) return false;
  const JsonTree previous = readTree(path, false);
  UserLocalConfig c = fromTree(previous.get());
  if (!rootSavePath.isEmpty()) c.rootSavePath = rootSavePath;
  if (!videoSavePath.isEmpty()) c.videoSavePath = videoSavePath;
  if (!pictureSavePath.isEmpty()) c.pictureSavePath = pictureSavePath;
  const bool ok = writeFile(path, c, previous.get());
  if (written) *written = c;
  return ok;
}
