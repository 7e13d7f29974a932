// Secrets never reach debug.txt in the clear: tokens, signing keys, access
// keys, passwords and key material are written as a short fingerprint and
// their length, so two log lines can still be told apart or matched.
#pragma once

#include <QByteArray>
#include <QString>

// "***#" + the first 6 hex digits of SHA-256(value) + "(" + length + ")";
// "" for an empty value.
QString maskSecret(const QString& value);

// A JSON text for the log with the value of every secret member (at any
// depth) masked, printed compact. A text that is not JSON is not shown at
// all: "<N bytes, not JSON>" (a cut reply can still hold a token).
QString maskJsonSecrets(const QByteArray& json);

// True for the member names whose values are secret (accessToken,
// refreshToken, signToken, password, clientSecretKey, accessKey, ...).
bool isSecretMember(const char* name);
