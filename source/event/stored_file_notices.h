// What the user is told when something the program keeps for them cannot
// be stored: config.json refused as too large or not writable (settings
// and remember me are not saved), a group not saved in group.dat or not
// removed from it, a camera's picture not stored for its tile. The file is
// named and what is lost is said; the technical reason is in debug.txt.
// Each notice is told once per signed-in period, however often the store
// fails again; notices that come while the main window is not shown (a
// sign-in still under way) wait until it is. GUI thread only.
#pragma once

#include <QList>
#include <QString>

class StoredFileNotices {
 public:
  enum class Notice { ConfigTooLarge, ConfigNotWritten, GroupNotSaved, GroupNotRemoved, PictureNotStored };

  // The store failed: the notice waits to be told, unless it was told (or
  // waits) already.
  void refused(Notice notice);
  // The waiting notices, one per line, now told; empty when none waits.
  QString takeWaiting();
  // Signed out: the next user is told afresh, nothing waits.
  void sessionEnded();

  static QString text(Notice notice);

 private:
  QList<Notice> told_;
  QList<Notice> waiting_;
};
