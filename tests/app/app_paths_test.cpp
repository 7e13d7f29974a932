// Where the program's files are: the data folder (CAMVIEWER_DATA_DIR, the
// program's folder when it already holds the program's data, else the
// user's $XDG_DATA_HOME/camviewer) and the folder of what ships with it
// (CAMVIEWER_PROGRAM_DIR, the program's folder in the build tree, else
// ../share/camviewer of an installation).
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "util_class/app_paths.h"

namespace {

class Environment {
 public:
  explicit Environment(const char* name) : name_(name), had_(qEnvironmentVariableIsSet(name)),
                                           old_(qgetenv(name)) {}
  ~Environment() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }
  void set(const QString& value) {
    if (value.isNull()) {
      qunsetenv(name_);
    } else {
      qputenv(name_, value.toLocal8Bit());
    }
  }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

class AppPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir().mkpath(program()));
    ASSERT_TRUE(QDir().mkpath(home()));
  }
  QString program() const { return root.path() + "/opt/camviewer/bin"; }
  QString home() const { return root.path() + "/home/ann"; }
  void make(const QString& relative, bool folder) {
    const QString path = root.path() + "/" + relative;
    if (folder) {
      ASSERT_TRUE(QDir().mkpath(path));
    } else {
      ASSERT_TRUE(QDir().mkpath(path.left(path.lastIndexOf('/'))));
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
  }

  QTemporaryDir root;
  Environment dataVariable{"CAMVIEWER_DATA_DIR"};
  Environment programVariable{"CAMVIEWER_PROGRAM_DIR"};
  Environment xdgDataHome{"XDG_DATA_HOME"};
  Environment homeVariable{"HOME"};
};

struct DataCase {
  const char* name;
  const char* dataVariable;  // null: unset; "@" stands for the scratch root
  const char* xdgDataHome;
  const char* homeSuffix;    // appended to the home folder (a trailing slash)
  const char* made;          // made in the program's folder first (file, or folder with '/')
  const char* expected;      // "@" the scratch root, "~" the home folder, "P" the program's folder
};

QString expand(const QString& text, const QString& root, const QString& home, const QString& program) {
  QString out = text;
  if (out.startsWith("P")) return program + out.mid(1);
  if (out.startsWith("~")) return home + out.mid(1);
  return out.replace("@", root);
}

TEST_F(AppPaths, DataFolderTable) {
  const DataCase cases[] = {
      {"named folder, cleaned", "@/data/x/../y/", nullptr, "", nullptr, "@/data/y"},
      {"named folder wins over data beside the program", "@/d", nullptr, "", "user_private_dir/",
       "@/d"},
      {"installed, nothing beside it", nullptr, nullptr, "", nullptr, "~/.local/share/camviewer"},
      {"home with a trailing slash", nullptr, nullptr, "/", nullptr, "~/.local/share/camviewer"},
      {"XDG_DATA_HOME", nullptr, "@/xdg", "", nullptr, "@/xdg/camviewer"},
      {"relative XDG_DATA_HOME is ignored", nullptr, "rel/xdg", "", nullptr,
       "~/.local/share/camviewer"},
      {"users' folder beside the program", nullptr, "@/xdg", "", "user_private_dir/", "P"},
      {"install id beside the program", nullptr, nullptr, "", "private_uuid.txt", "P"},
      {"remembered user beside the program", nullptr, nullptr, "", "userNameLastLogin.txt", "P"},
      {"a log beside the program", nullptr, nullptr, "", "debug.txt", "P"},
      {"cloud.conf beside the program", nullptr, nullptr, "", "cloud.conf", "P"},
      {"only shipped files beside the program", nullptr, nullptr, "", "countrycode.json",
       "~/.local/share/camviewer"},
  };
  for (const DataCase& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(program()).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(program()));
    if (c.made) {
      QString made = QString::fromLatin1(c.made);
      const bool folder = made.endsWith('/');
      make(QDir(root.path()).relativeFilePath(program()) + "/" + made, folder);
    }
    dataVariable.set(c.dataVariable ? expand(c.dataVariable, root.path(), home(), program())
                                    : QString());
    xdgDataHome.set(c.xdgDataHome ? expand(c.xdgDataHome, root.path(), home(), program())
                                  : QString());
    homeVariable.set(home() + c.homeSuffix);
    EXPECT_EQ(app_paths::dataDirFor(program()).toStdString(),
              expand(c.expected, root.path(), home(), program()).toStdString());
  }
  // Started without HOME: the account's home from the password database.
  QDir(program()).removeRecursively();
  ASSERT_TRUE(QDir().mkpath(program()));
  dataVariable.set(QString());
  xdgDataHome.set(QString());
  homeVariable.set(QString());
  const passwd* account = getpwuid(getuid());
  ASSERT_TRUE(account && account->pw_dir);
  EXPECT_EQ(app_paths::dataDirFor(program()).toStdString(),
            QDir::cleanPath(QString::fromLocal8Bit(account->pw_dir) + "/.local/share/camviewer")
                .toStdString());
}

TEST_F(AppPaths, ProgramFolderTable) {
  const struct {
    const char* name;
    bool named;
    const char* made;  // relative to the scratch root
    const char* expected;
  } cases[] = {
      {"build tree: the country table beside the program", false,
       "opt/camviewer/bin/countrycode.json", "P"},
      {"build tree: the pictures beside the program", false, "opt/camviewer/bin/Orvanta_image/",
       "P"},
      {"installed: share/camviewer", false, "opt/camviewer/share/camviewer/countrycode.json",
       "@/opt/camviewer/share/camviewer"},
      {"installed pictures only", false, "opt/camviewer/share/camviewer/Orvanta_image/",
       "@/opt/camviewer/share/camviewer"},
      {"nothing anywhere: the program's folder", false, nullptr, "P"},
      {"CAMVIEWER_PROGRAM_DIR wins", true, "opt/camviewer/bin/countrycode.json", "@/shipped"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(root.path() + "/opt").removeRecursively();
    ASSERT_TRUE(QDir().mkpath(program()));
    if (c.made) make(c.made, QString::fromLatin1(c.made).endsWith('/'));
    programVariable.set(c.named ? root.path() + "/shipped/" : QString());
    EXPECT_EQ(app_paths::programDirFor(program()).toStdString(),
              expand(c.expected, root.path(), home(), program()).toStdString());
  }
}

}  // namespace
