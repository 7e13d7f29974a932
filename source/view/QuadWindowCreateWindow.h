// QuadWindowCreateWindow: the modal "Create group" dialog. The user names a
// new camera group and picks up to four cameras for it: one picture cell
// per camera, two per row; a click on a cell's picture selects or
// deselects the camera (MyLabel in creation mode) and the title counts the
// selection ("Create group  n/4"). "done" adds the group through the main
// window's group list (event/mainwindow_group_create.h) and closes the
// dialog. The decisions live in event/group_creation.h,
// event/group_selection.h and view/group_create_geometry.h.
//
// Whoever runs the dialog owns it; it frees its cells when it goes.
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QScrollArea>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "event/group_creation.h"
#include "view/MyLabel.h"

struct GroupCreateGeometry;

// One camera's cell: its frame, clickable picture, name and selection
// number (hidden while the camera is not selected).
class QuadWindowCreateCell {
 public:
  QuadWindowCreateCell(const QString& deviceId, const QString& name,
                       const GroupCreateGeometry& geometry);

  QString deviceId;
  QString name;
  QGroupBox box;
  MyLabel pictureLabel;  // object name: the device id
  QLabel nameLabel;
  QLabel orderLabel;
};

class QuadWindowCreateWindow : public QDialog {
  Q_OBJECT

 public:
  // The main window's cameras; (x, y) unscaled, `count` only logged.
  QuadWindowCreateWindow(int x, int y, int count);
  // The given cameras, in this order.
  QuadWindowCreateWindow(int x, int y, const QList<GroupCamera>& cameras);
  ~QuadWindowCreateWindow() override;

  // Makes the cell of one camera and appends it to `cells`.
  QuadWindowCreateCell* add_device_cells(QString& deviceId, QString& name);

  QLineEdit nameEdit;        // "groupNameEdit", at most 50 characters
  QPushButton createButton;  // "groupCreateButton", "done"
  bool nameGiven = false;
  QList<QuadWindowCreateCell*> cells;  // owned, in camera order
  QScrollArea scrollArea;
  QWidget cellArea;
  QGridLayout cellGrid;
  QGroupBox box;             // not shown
  QStringList selectedIds;   // in the order of selection, at most four

 public slots:
  void createButtonClicked_Handler();
  void textChanged_Handler(const QString& text);

 private:
  void build(int x, int y, const QList<GroupCamera>& cameras);
};
