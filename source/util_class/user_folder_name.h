// The folder name of one user's private folder, built from the user name the
// cloud account signs in with. Two different user names never share a
// folder (they would share config.json with its passwords, and group.dat):
// "%" and the characters that cannot stand in a file name ("/", "\", NUL
// and control characters) are written as %XX of their UTF-8 bytes, the
// names "", "." and ".." get names of their own ("%", "%2E", "%2E%2E"), and
// everything else stays as it is, so the folders of ordinary names keep
// their old names. A name whose folder name would exceed
// kMaxFileNameBytes is cut on a character boundary and ends in "%~" and a
// hash of the whole name: "%~" never occurs in an uncut folder name, so a
// cut name cannot meet an uncut one.
#pragma once

#include <QString>

QString user_folder_name(const QString& userName);
