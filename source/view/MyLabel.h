// MyLabel: the clickable picture of a camera tile, of a group item and of a
// group-creation cell. A left-button release emits
// clicked_oneWindow_and_quaWindow(0); the owner picks what that does by
// connecting it to one of the three slots:
//   camera mode (connect_oneWindow_click): play request for the camera whose
//     device id is the label's object name;
//   group mode (connect_quadWindow_click): play request for the group whose
//     name set_deviceId stored;
//   creation mode (the group-creation cell connects quadWindowsCreate_onclicked):
//     toggles the camera in the dialog's selection.
// Play requests leave through set_single_toMainWindow, which
// connect_play_request links to the main window's play slots.
#pragma once

#include <QLabel>
#include <QString>

class QMouseEvent;
class QuadWindowCreateCell;
class QuadWindowCreateWindow;

class MyLabel : public QLabel {
  Q_OBJECT

 public:
  MyLabel();
  ~MyLabel() override;

  void connect_oneWindow_click();
  void connect_quadWindow_click();
  // 1: to MainWindow::oneWindowPlay_video_Handler, 4: to
  // MainWindow::quadWindowPlay_video_Handler; any other type connects nothing.
  void connect_play_request(int type);
  void set_deviceId(QString& id);
  void set_createCell(QuadWindowCreateCell* cell);
  void set_titleWindow(QuadWindowCreateWindow* window);
  void set_createWindow(QuadWindowCreateWindow* window);

 signals:
  void P2P_connect_result(int p2pResult);
  void clicked_oneWindow_and_quaWindow(int mouseKey);
  void set_single_toMainWindow(QString groupName, QString deviceId);

 public slots:
  void oneWindowDeviceLab_onclicked(int);
  void quadWindowDeviceLab_onclicked(int mouseKey);
  void quadWindowsCreate_onclicked(int mouseKey);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString deviceId;  // group mode: the group's name
  bool flag = false;  // unused
  QuadWindowCreateCell* createCell = nullptr;
  QuadWindowCreateWindow* titleWindow = nullptr;
  QuadWindowCreateWindow* createWindow = nullptr;
};
