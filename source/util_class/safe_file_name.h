// File and folder names built from cloud or user data (camera aliases, user
// names) must stay one plain name inside their folder: "/", "\", NUL and
// control characters become "_"; "", "." and ".." become `fallback`; the
// name is cut to at most kMaxFileNameBytes of UTF-8 (never inside a
// character). Ordinary names come back unchanged.
#pragma once

#include <QString>

inline constexpr int kMaxFileNameBytes = 200;

QString safe_file_name(const QString& name, const QString& fallback);
