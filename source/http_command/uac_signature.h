// The X-UAC-Signature of signed cloud requests: an HMAC-SHA256 over a
// canonical text of the request, keyed with the token store's signToken.
#pragma once

#include <QString>

// Pure function: the URL-safe Base64 (no padding, 43 characters) of
// HMAC-SHA256(signToken, "HMAC-SHA256\n" + timestamp + "\n" + hex(SHA-256(
// "POST\n" + signedPath + "\n" + hex(SHA-256(body)) + "\n"))).
QString HTTP_uacSignature(const char* body, const char* signedPath, const QString& timestamp,
                          const QString& signToken);

// The full header value: "UAC1-HMAC-SHA256;" + timestamp + ";" + signature.
QString HTTP_uacSignatureHeader(const QString& timestamp, const QString& signature);
