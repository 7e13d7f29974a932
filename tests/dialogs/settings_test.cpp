// The settings dialog against a signed-in main window: a chosen folder
// reaches the main window's save paths, the label and config.json, and the
// next sign-in reads it back; "Go check" makes the folder and hands it to
// the desktop (caught here) as a file URL.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTest>

#include "dialogs_fixture.h"
#include "modal_driver.h"
#include "util_class/user_local_config.h"
#include "view/LoginWindow.h"
#include "view/SetWindow.h"

namespace {

using dialogtest::SignedInWindow;

class Settings : public SignedInWindow {
 protected:
  // Clicks "Change" and answers the folder chooser with `folder` (empty:
  // cancel); `startedIn` receives the folder the chooser opened in.
  void choose(SetWindow& dialog, const QString& folder, QString* startedIn = nullptr) {
    auto ran = dialogtest::onNextModal<QFileDialog>([=](QFileDialog* chooser) {
      if (startedIn) *startedIn = chooser->directory().absolutePath();
      if (folder.isEmpty()) {
        chooser->reject();
      } else {
        chooser->setDirectory(folder);
        static_cast<QDialog*>(chooser)->accept();  // as its Choose button does
      }
    });
    dialog.changeButton.click();
    EXPECT_TRUE(*ran) << "the folder chooser did not open";
  }

  QJsonObject configFile() const {
    QFile file(userConfigFilePath(QStringLiteral("alice")));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QJsonDocument::fromJson(file.readAll()).object();
  }
};

TEST_F(Settings, ChosenFolderTakesEffectAndSurvivesTheNextSignIn) {
  const QString d = dataPath("My \"Downloads\" it's");
  ASSERT_TRUE(QDir().mkpath(d));
  SetWindow dialog;
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("setting"));
  // The label's whole text is its tool tip (what it shows may be cut short
  // of the "Change" button).
  EXPECT_EQ(dialog.folderLabel.toolTip(), " " + window_->userName_private_dir);
  QString startedIn;
  choose(dialog, d, &startedIn);
  EXPECT_EQ(startedIn + "/", window_->userName_private_dir) << "nothing chosen yet";

  EXPECT_EQ(window_->rootSavePath, d);
  EXPECT_EQ(window_->pictureSavePath, d + "/Photo");
  EXPECT_EQ(window_->videoSavePath, d + "/Video");
  EXPECT_EQ(dialog.folderLabel.toolTip(), d);
  const QJsonObject file = configFile();
  EXPECT_EQ(file.value("rootSavePath").toString(), d);
  EXPECT_EQ(file.value("pictureSavePath").toString(), d + "/Photo");
  EXPECT_EQ(file.value("videoSavePath").toString(), d + "/Video");
  EXPECT_FALSE(QFileInfo::exists(d + "/Photo")) << "made only when needed";

  // The next start: a fresh main window restores the folders when the
  // sign-in dialog reads the remembered user's file.
  QString alice = QStringLiteral("alice");
  window_->userName_loginWriteToLocalFile(alice);
  MainWindow next;
  mainwindow = &next;
  {
    LoginWindow login;
    EXPECT_EQ(next.rootSavePath, d);
    EXPECT_EQ(next.pictureSavePath, d + "/Photo");
    EXPECT_EQ(next.videoSavePath, d + "/Video");
  }
  // ...and a settings dialog opened then shows the chosen folder and starts there.
  {
    SetWindow again;
    again.show();
    EXPECT_EQ(again.folderLabel.toolTip(), " " + d);
    choose(again, QString(), &startedIn);
    EXPECT_EQ(startedIn, d);
  }
  mainwindow = window_;
}

TEST_F(Settings, CancelChangesNothing) {
  window_->rootSavePath = dataPath("before");
  window_->pictureSavePath = dataPath("before/Photo");
  SetWindow dialog;
  dialog.show();
  choose(dialog, QString());
  EXPECT_EQ(window_->rootSavePath, dataPath("before"));
  EXPECT_EQ(window_->pictureSavePath, dataPath("before/Photo"));
  EXPECT_TRUE(window_->videoSavePath.isEmpty());
  EXPECT_EQ(dialog.folderLabel.toolTip(), " " + dataPath("before"));
  EXPECT_FALSE(QFileInfo::exists(userConfigFilePath(QStringLiteral("alice"))));
}

TEST_F(Settings, GoCheckMakesTheFolderAndOpensIt) {
  const QString odd = dataPath("a b/it's \"here\" #1?/");
  const struct {
    const char* what;
    QPushButton SetWindow::*button;
    QString* setting;
    QString value;
    QString opened;
  } cases[] = {
      {"photo", &SetWindow::photoCheckButton, &window_->pictureSavePath, odd + "Photo",
       odd + "Photo"},
      {"video", &SetWindow::videoCheckButton, &window_->videoSavePath, odd + "Video",
       odd + "Video"},
      // Nothing chosen: the folders where snapshots and records land.
      {"default photo", &SetWindow::photoCheckButton, &window_->pictureSavePath, QString(),
       window_->userName_private_dir + "snapshot"},
      {"default video", &SetWindow::videoCheckButton, &window_->videoSavePath, QString(),
       window_->userName_private_dir + "record"},
  };
  for (const auto& c : cases) {
    *c.setting = c.value;
    SetWindow dialog;
    urls_.opened.clear();
    (dialog.*c.button).click();
    EXPECT_TRUE(QFileInfo(c.opened).isDir()) << c.what;
    ASSERT_EQ(urls_.opened.size(), 1) << c.what;
    EXPECT_EQ(urls_.opened[0].scheme(), QStringLiteral("file")) << c.what;
    EXPECT_EQ(urls_.opened[0].toLocalFile(), c.opened) << c.what;
    // A second look at an existing folder opens it again.
    (dialog.*c.button).click();
    EXPECT_EQ(urls_.opened.size(), 2) << c.what;
  }
}

TEST_F(Settings, TheSettingsButtonOpensAFreshDialogEachTime) {
  for (const QString& root : {QString(), dataPath("first"), dataPath("second")}) {
    window_->rootSavePath = root;
    QString shown;
    QPointer<SetWindow> seen;
    auto ran = dialogtest::onNextModal<SetWindow>([&](SetWindow* d) {
      seen = d;
      shown = d->folderLabel.toolTip();
      d->close();
    });
    window_->setingButton->click();
    ASSERT_TRUE(*ran);
    EXPECT_TRUE(seen.isNull()) << "freed when it closed";
    EXPECT_EQ(shown, " " + (root.isEmpty() ? window_->userName_private_dir : root));
  }
}

}  // namespace
