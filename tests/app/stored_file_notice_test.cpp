// What the user is told when something kept for them cannot be stored:
// config.json above its bound or not writable (settings and remember me
// not saved), a group not saved in group.dat or not removed from it, a
// camera's picture not stored. Told once however often the store fails,
// in a toast over the main window, and only once the window is shown; the
// refused file is left as it is. The notices' own rules (once per
// signed-in period) are tested as a unit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <functional>
#include <thread>
#include <vector>

#include "event/stored_file_notices.h"
#include "mainwindow.h"
#include "sql/group_file.h"
#include "util_class/user_local_config.h"
#include "view/CToast.h"
#include "view/UserWindow.h"

namespace {

using Notice = StoredFileNotices::Notice;

std::vector<CToast*> shownToasts() {
  std::vector<CToast*> toasts;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* t = qobject_cast<CToast*>(w); t && t->isVisible()) toasts.push_back(t);
  }
  return toasts;
}

QStringList toastTexts() {
  QStringList texts;
  for (CToast* t : shownToasts()) {
    if (auto* label = t->findChild<QLabel*>()) texts << label->text();
  }
  return texts;
}

void pumpFor(int ms) {
  const QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool pumpUntil(const std::function<bool()>& done, int ms = 60000) {
  const QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

void dropToasts() {
  for (CToast* t : shownToasts()) delete t;
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kUser = QStringLiteral("ann@example.com");

// The window of a signed-in user, its files in a scratch data folder.
struct SignedIn {
  explicit SignedIn(const QString& data) {
    qputenv("CAMVIEWER_DATA_DIR", data.toUtf8());
    window = std::make_unique<MainWindow>();
    mainwindow = window.get();
    QString user = kUser;
    menu.set_userName(user);
    window->userWindow = &menu;
    window->userPrivate_dir_init(user);
    window->device_groupInfodb_init();
  }
  ~SignedIn() {
    dropToasts();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->userWindow = nullptr;
    mainwindow = nullptr;
    window.reset();
    qunsetenv("CAMVIEWER_DATA_DIR");
  }
  QString file(const char* name) const { return window->userName_private_dir + name; }
  void remember() {
    UserLocalConfig login;
    login.emailUserName = kUser;
    login.emailPassWord = QStringLiteral("secret");
    login.remeberUser = 1;
    window->rememberSignin(kUser, login);
  }
  void chooseFolder() {
    window->setSaveFolders(saveFoldersUnder(QStringLiteral("/media/chosen")));
  }

  UserWindow menu;
  std::unique_ptr<MainWindow> window;
};

// A config.json of 2 MiB, kept as it is.
void oversizedConfig(const SignedIn& s) {
  QFile f(s.file("config.json"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  ASSERT_TRUE(f.write(QByteArray(2 << 20, ' ')) == (2 << 20));
}

// A folder where config.json should be: nothing can be written there.
void unwritableConfig(const SignedIn& s) { ASSERT_TRUE(QDir().mkpath(s.file("config.json"))); }

// A group.dat above its bound (sparse: no disk is taken).
void oversizedGroupFile(const SignedIn& s) {
  QFile f(s.file("group.dat"));
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.resize(qint64(17) << 20));
}

void addGroup(SignedIn& s) {
  QuadWindowDevice_local_file_node row{QStringLiteral("pair"), QStringLiteral("CAM1"),
                                       QStringLiteral("CAM2"), QString(), QString()};
  QList<QString> ids{QStringLiteral("CAM1"), QStringLiteral("CAM2")};
  s.window->groupCreateAdd(row, ids);
}

TEST(StoredFileNotice, EachRefusedStoreIsToldOnceOverTheWindow) {
  const struct {
    const char* name;
    std::function<void(const SignedIn&)> prepare;
    const char* kept;  // the refused file, which must stay as it was (or null)
    std::function<void(SignedIn&)> store;  // done twice, before and after the window shows
    Notice notice;
  } cases[] = {
      {"remembered sign-in, config.json too large", oversizedConfig, "config.json",
       [](SignedIn& s) { s.remember(); }, Notice::ConfigTooLarge},
      {"settings, config.json too large", oversizedConfig, "config.json",
       [](SignedIn& s) { s.chooseFolder(); }, Notice::ConfigTooLarge},
      {"remembered sign-in, config.json not writable", unwritableConfig, nullptr,
       [](SignedIn& s) { s.remember(); }, Notice::ConfigNotWritten},
      {"new group, group.dat too large", oversizedGroupFile, nullptr, addGroup, Notice::GroupNotSaved},
      {"a camera's picture from a worker thread", [](const SignedIn&) {}, nullptr,
       [](SignedIn& s) {
         std::thread worker([&s] { s.window->notifyStoredFileRefused(Notice::PictureNotStored); });
         worker.join();
       },
       Notice::PictureNotStored},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    SignedIn s(data.path());
    ASSERT_NO_FATAL_FAILURE(c.prepare(s));
    const QByteArray before = c.kept ? readAll(s.file(c.kept)) : QByteArray();

    // Not told while the window is not shown (a sign-in under way).
    c.store(s);
    pumpFor(100);
    EXPECT_TRUE(toastTexts().isEmpty()) << toastTexts().join('|').toStdString();

    s.window->setGeometry(40, 30, 700, 500);
    s.window->show();
    ASSERT_TRUE(pumpUntil([] { return !toastTexts().isEmpty(); })) << "nothing told the user";
    EXPECT_EQ(toastTexts(), QStringList{StoredFileNotices::text(c.notice)});
    const QRect frame = s.window->frameGeometry();
    const QRect toast = shownToasts().front()->frameGeometry();
    EXPECT_TRUE(frame.contains(toast.center())) << "the toast is not over the window";

    // Failing again, the store is not told again.
    dropToasts();
    c.store(s);
    pumpFor(200);
    EXPECT_TRUE(toastTexts().isEmpty()) << toastTexts().join('|').toStdString();
    if (c.kept) {
      EXPECT_TRUE(readAll(s.file(c.kept)) == before) << "the refused file was changed";
    }
  }
}

// Removing a group that group.dat cannot let go of is told too.
TEST(StoredFileNotice, AGroupThatCannotBeRemovedFromGroupDatIsTold) {
  QTemporaryDir data;
  ASSERT_TRUE(data.isValid());
  SignedIn s(data.path());
  s.window->show();
  addGroup(s);
  pumpFor(100);
  ASSERT_TRUE(toastTexts().isEmpty()) << toastTexts().join('|').toStdString();
  oversizedGroupFile(s);
  s.window->delete_quadDevice_Handler(QStringLiteral("pair"));
  ASSERT_TRUE(pumpUntil([] { return !toastTexts().isEmpty(); }));
  EXPECT_EQ(toastTexts(), QStringList{StoredFileNotices::text(Notice::GroupNotRemoved)});
}

// Once per signed-in period and notice: a second failure of the same kind
// is not told again, another kind is, and the next period starts afresh.
TEST(StoredFileNotice, ToldOncePerSignedInPeriod) {
  StoredFileNotices n;
  EXPECT_EQ(n.takeWaiting(), QString());
  n.refused(Notice::ConfigTooLarge);
  n.refused(Notice::ConfigTooLarge);
  n.refused(Notice::GroupNotSaved);
  EXPECT_EQ(n.takeWaiting(), StoredFileNotices::text(Notice::ConfigTooLarge) + "\n" +
                                 StoredFileNotices::text(Notice::GroupNotSaved));
  n.refused(Notice::ConfigTooLarge);
  n.refused(Notice::GroupNotSaved);
  EXPECT_EQ(n.takeWaiting(), QString());
  n.refused(Notice::PictureNotStored);
  EXPECT_EQ(n.takeWaiting(), StoredFileNotices::text(Notice::PictureNotStored));
  n.refused(Notice::GroupNotRemoved);
  n.sessionEnded();  // nothing waits for the next user
  EXPECT_EQ(n.takeWaiting(), QString());
  n.refused(Notice::ConfigTooLarge);
  EXPECT_EQ(n.takeWaiting(), StoredFileNotices::text(Notice::ConfigTooLarge));
  // Every text names its file.
  const struct {
    Notice notice;
    const char* file;
  } named[] = {{Notice::ConfigTooLarge, "config.json"},
               {Notice::ConfigNotWritten, "config.json"},
               {Notice::GroupNotSaved, "group.dat"},
               {Notice::GroupNotRemoved, "group.dat"},
               {Notice::PictureNotStored, "device_picture"}};
  for (const auto& c : named) EXPECT_TRUE(StoredFileNotices::text(c.notice).contains(c.file)) << c.file;
}

}  // namespace
