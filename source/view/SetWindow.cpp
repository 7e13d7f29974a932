#include "view/SetWindow.h"

#include <QDebug>
#include <QFileDialog>
#include <QFont>

#include "event/shell.h"
#include "adapter_hardWare/AdapterHardware.h"
#include "util_class/save_folders.h"
#include "view/text_fit.h"

namespace {

struct LabelRow {
  QLabel SetWindow::*label;
  const char* objectName;
  int height;
  int y;
};

struct ButtonRow {
  QPushButton SetWindow::*button;
  const char* objectName;
  const char* text;
  int x;
  int y;
};

const LabelRow kLabels[] = {
    {&SetWindow::headerLabel, "headerLabel", 80, 0},
    {&SetWindow::folderLabel, "folderLabel", 80, 80},
    {&SetWindow::photoLabel, "photoLabel", 96, 208},
    {&SetWindow::videoLabel, "videoLabel", 96, 384},
};

const ButtonRow kButtons[] = {
    {&SetWindow::changeButton, "changeButton", "Change", 665, 96},
    {&SetWindow::photoCheckButton, "photoCheckButton", "Go check", 665, 232},
    {&SetWindow::videoCheckButton, "videoCheckButton", "Go check", 665, 406},
};

QString shownFolder() {
  if (!shell().present()) return QString();
  const SaveFolders folders = shell().saveFolders();
  return saveFoldersShown(folders.root, folders.userFolder);
}

}  // namespace

SetWindow::SetWindow() : QDialog(nullptr) {
  const AdapterHardware& a = adapterHardware;
  setFixedSize(a.sx(864), a.sy(720));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QStringLiteral("setting"));

  QFont font = headerLabel.font();
  font.setPixelSize(a.sx(28));
  for (const LabelRow& row : kLabels) {
    QLabel& label = this->*row.label;
    label.setParent(this);
    label.setObjectName(QLatin1String(row.objectName));
    label.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label.setStyleSheet(QStringLiteral("background-color:#FFFFFF;"));
    label.setFont(font);
    label.setFixedSize(a.sx(864), a.sy(row.height));
    label.move(0, a.sy(row.y));
  }
  headerLabel.setText(QStringLiteral(" Download location:"));
  photoLabel.setText(QStringLiteral("Local Photo"));
  videoLabel.setText(QStringLiteral("Local Video"));

  for (const ButtonRow& row : kButtons) {
    QPushButton& button = this->*row.button;
    button.setParent(this);
    button.setObjectName(QLatin1String(row.objectName));
    button.setText(QLatin1String(row.text));
    button.setFixedSize(a.sx(167), a.sy(48));
    button.move(a.sx(row.x), a.sy(row.y));
    button.setStyleSheet(QStringLiteral(
        "background-color:rgb(230,230,230); color:#68BF39; border:1px solid rgb(150, 150, 150)"));
  }
  showFolder(QStringLiteral(" ") + shownFolder());
  connect(&changeButton, SIGNAL(clicked()), this, SLOT(documentButton_Handler()));
  connect(&photoCheckButton, SIGNAL(clicked()), this, SLOT(photoButton_Handler()));
  connect(&videoCheckButton, SIGNAL(clicked()), this, SLOT(videoButton_Handler()));
}

SetWindow::~SetWindow() {
  disconnect(&changeButton, SIGNAL(clicked()), this, SLOT(documentButton_Handler()));
  disconnect(&photoCheckButton, SIGNAL(clicked()), this, SLOT(photoButton_Handler()));
  disconnect(&videoCheckButton, SIGNAL(clicked()), this, SLOT(videoButton_Handler()));
}

void SetWindow::documentButton_Handler() {
  if (!shell().present()) return;
  const QString chosen = QFileDialog::getExistingDirectory(
      this, QStringLiteral("change Directory  to save"), shownFolder(), QFileDialog::ShowDirsOnly);
  if (chosen.isEmpty()) return;
  const SaveFolders folders = saveFoldersUnder(chosen);
  shell().setSaveFolders(folders);
  showFolder(folders.root);
  qDebug() << folders.root;
}

void SetWindow::showFolder(const QString& text) {
  // The "Change" button sits over the label's right end: a long path is
  // cut in its middle before it (the whole path is the tool tip).
  const int gap = adapterHardware.sx(16);
  text_fit::fitLabel(folderLabel, text, changeButton.x() - folderLabel.x() - gap,
                     Qt::ElideMiddle);
}

void SetWindow::photoButton_Handler() {
  if (!shell().present()) return;
  const SaveFolders folders = shell().saveFolders();
  openSavedFolder(savedKindFolder(SavedKind::Photo, folders.picture, folders.userFolder));
}

void SetWindow::videoButton_Handler() {
  if (!shell().present()) return;
  const SaveFolders folders = shell().saveFolders();
  openSavedFolder(savedKindFolder(SavedKind::Video, folders.video, folders.userFolder));
}
