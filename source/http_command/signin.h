// Signin: the signed-in user's credentials (tokens, lifetimes, signing key,
// agent digest). Read by the GUI thread and the snapshot thread, so every
// accessor copies one field under the record's own mutex.
#pragma once

#include <QString>
#include <mutex>

class Signin {
 public:
  // Texts are UTF-8; a null pointer gives an empty text. Does not lock.
  Signin(const char* accessToken, const char* refreshToken, const char* scope,
         const char* tokenType, int accessExpiresIn, int refreshExpiresIn, const char* signToken,
         const char* macDigest);
  Signin(const Signin&) = delete;
  Signin& operator=(const Signin&) = delete;

  void set_accessToken(const QString& value);
  void set_refreshToken(const QString& value);
  void set_accessExpiresIn(const int& value);
  void set_refreshExpiresIn(const int& value);
  void set_signToken(const QString& value);
  void set_macDigest(const QString& value);

  QString get_accessToken();
  QString get_refreshToken();
  int get_accessExpiresIn();
  int get_refreshExpiresIn();
  QString get_signToken();
  QString get_macDigest();

 private:
  template <typename T>
  void setLocked(T& field, const T& value) {
    std::lock_guard<std::mutex> lock(mutex);
    field = value;
  }
  template <typename T>
  T getLocked(const T& field) {
    std::lock_guard<std::mutex> lock(mutex);
    return field;
  }

  QString accessToken;
  QString refreshToken;
  QString scope;
  QString tokenType;
  int accessExpiresIn;
  int refreshExpiresIn;
  QString signToken;
  QString macDigest;
  std::mutex mutex;  // not recursive; held for one copy only
};
