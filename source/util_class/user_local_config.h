// config.json in the user's private folder: remembered login inputs and the
// download folders. Each writer reads that user's own file, replaces only
// its own keys and writes the file back atomically, so one user's values
// never reach another user's file. These are the main window's operations
// of the same names.
#pragma once

#include <QString>

struct UserLocalConfig {
  QString emailUserName;
  QString emailPassWord;
  QString phoneUserName;
  QString phonePassWord;
  int countryCode = 0;
  int remeberUser = 0;
  int loginMode = 0;
  QString rootSavePath;
  QString pictureSavePath;
  QString videoSavePath;
};

// The user's private folder + "config.json".
QString userConfigFilePath(const QString& userName);

// A file above 1 MiB is not read and never written over (see
// util_class/stored_file_limits.h): it reads as missing, and the writers
// leave it as it is and return false.

// Reads the user's file into `out`. False (and `out` untouched) when the
// file cannot be opened, is too large or is not a JSON object.
bool readConfigFileFromUsername(const QString& userName, UserLocalConfig& out);

// Writes the seven login values into the user's file, keeping its folders.
bool writeConfigFileUserinfo(const QString& user, const QString& emailUserName,
                             const QString& emailPassWord, const QString& phoneUserName,
                             const QString& phonePassWord, int countryCode, int remeberUser,
                             int loginMode);

// Writes the non-empty folder arguments into the user's file, keeping its
// other values; `written` (when given) receives the record as stored.
bool writeConfigFileAVideoinfo(const QString& user, const QString& rootSavePath,
                               const QString& videoSavePath, const QString& pictureSavePath,
                               UserLocalConfig* written = nullptr);
