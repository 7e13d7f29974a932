// Where the cloud is and whom to trust. The entry URL (the base of
// "/api/v1/app-startup" and "/api/v1/dev-config") and an optional CA file
// come from, in this order: the environment (CAMVIEWER_CLOUD_URL,
// CAMVIEWER_CLOUD_CA), the file "cloud.conf" in the data folder (lines
// "url=..." and "ca=...", '#' starts a comment, a relative CA path is taken
// from the file's folder), else a loopback placeholder that reaches nothing.
#pragma once

#include <QString>

struct CloudConfig {
  QString entryUrl;  // validated, without a trailing slash
  QString caFile;    // empty: only the system's trusted set
};

namespace cloud_config {

inline constexpr const char* kDefaultEntryUrl = "https://127.0.0.1:8443";
inline constexpr const char* kUrlVariable = "CAMVIEWER_CLOUD_URL";
inline constexpr const char* kCaVariable = "CAMVIEWER_CLOUD_CA";
inline constexpr const char* kFileName = "cloud.conf";

// True when `text` is an https URL with a host (and no query or fragment).
bool validateEntryUrl(const QString& text, QString* error);

// Reads the configuration; false (with the reason) when the URL is invalid.
bool load(CloudConfig& out, QString* error);

// Adds the certificates of a PEM file to the default TLS configuration.
// False when the file cannot be read or holds no certificate.
bool installCaFile(const QString& path, QString* error);

// load + installCaFile; logs every failure as critical so it is seen.
bool apply(CloudConfig& out, QString* error);

}  // namespace cloud_config
