#include "http_command/signin.h"

#include "http_command/cloud_records.h"

Signin::Signin(const char* accessToken_, const char* refreshToken_, const char* scope_,
               const char* tokenType_, int accessExpiresIn_, int refreshExpiresIn_,
               const char* signToken_, const char* macDigest_)
    : accessToken(record_text(accessToken_)),
      refreshToken(record_text(refreshToken_)),
      scope(record_text(scope_)),
      tokenType(record_text(tokenType_)),
      accessExpiresIn(accessExpiresIn_),
      refreshExpiresIn(refreshExpiresIn_),
      signToken(record_text(signToken_)),
      macDigest(record_text(macDigest_)) {}

void Signin::set_accessToken(const QString& value) { setLocked(accessToken, value); }
void Signin::set_refreshToken(const QString& value) { setLocked(refreshToken, value); }
void Signin::set_accessExpiresIn(const int& value) { setLocked(accessExpiresIn, value); }
void Signin::set_refreshExpiresIn(const int& value) { setLocked(refreshExpiresIn, value); }
void Signin::set_signToken(const QString& value) { setLocked(signToken, value); }
void Signin::set_macDigest(const QString& value) { setLocked(macDigest, value); }

QString Signin::get_accessToken() { return getLocked(accessToken); }
QString Signin::get_refreshToken() { return getLocked(refreshToken); }
int Signin::get_accessExpiresIn() { return getLocked(accessExpiresIn); }
int Signin::get_refreshExpiresIn() { return getLocked(refreshExpiresIn); }
QString Signin::get_signToken() { return getLocked(signToken); }
QString Signin::get_macDigest() { return getLocked(macDigest); }
