#include "event/stored_file_notices.h"

#include <QStringList>

void StoredFileNotices::refused(Notice notice) {
  if (told_.contains(notice) || waiting_.contains(notice)) return;
  waiting_.append(notice);
}

QString StoredFileNotices::takeWaiting() {
  QStringList lines;
  for (Notice notice : waiting_) {
    lines << text(notice);
    told_.append(notice);
  }
  waiting_.clear();
  return lines.join(QLatin1Char('\n'));
}

void StoredFileNotices::sessionEnded() {
  told_.clear();
  waiting_.clear();
}

QString StoredFileNotices::text(Notice notice) {
  switch (notice) {
    case Notice::ConfigTooLarge:
      return QStringLiteral("The settings file config.json is too large. It is left as it is: "
                            "settings and remember me are not saved.");
    case Notice::ConfigNotWritten:
      return QStringLiteral("The settings file config.json could not be written: settings and "
                            "remember me are not saved.");
    case Notice::GroupNotSaved:
      return QStringLiteral("The group could not be saved in the file group.dat: it is gone at "
                            "the next sign-in.");
    case Notice::GroupNotRemoved:
      return QStringLiteral("The group could not be removed from the file group.dat: it comes "
                            "back at the next sign-in.");
    case Notice::PictureNotStored:
      return QStringLiteral("The camera's last picture could not be stored in the folder "
                            "device_picture: its tile keeps the picture it had.");
  }
  return QString();
}
