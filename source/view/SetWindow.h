// SetWindow: the modal "setting" dialog the main window's settings button
// opens. It shows the download folder, lets the user choose another one
// (its Photo and Video folders then take effect at once in the main
// window's save paths and are written into the user's config.json), and
// opens the photo and video folders on the desktop. The folder rules live
// in util_class/save_folders.h.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

class SetWindow : public QDialog {
  Q_OBJECT

 public:
  SetWindow();
  ~SetWindow() override;

  QLabel headerLabel;
  QLabel folderLabel;
  QLabel photoLabel;
  QLabel videoLabel;
  QPushButton changeButton;      // "Change"
  QPushButton photoCheckButton;  // "Go check" of the photos
  QPushButton videoCheckButton;  // "Go check" of the videos

 public slots:
  void documentButton_Handler();
  void photoButton_Handler();
  void videoButton_Handler();

 private:
  // The folder label's text, cut to end before the "Change" button.
  void showFolder(const QString& text);
};
