// QuadWindowDevice: one camera group, a named set of up to four cameras
// shown together. It is the group's entry in the main window's group list
// (a 2x2 mosaic of the members' pictures, the name, a delete button and a
// "playing" animation) and the owner of the group's 2x2 play grid
// (playWindow), whose cell j shows member camera j. The grid is made when
// the group first plays (playGrid): a list of many groups makes no play
// view and no native window until one plays.
//
// The main window owns the cameras and the groups; a group only borrows its
// members (memberDevices) and lets them go (release_members) before it is
// deleted or the cameras are: it then stops a member that still draws into
// one of its cells, takes the cell away from it as its render target and
// clears its group name where the name is this group's. Which cameras are
// members and what their group name says: device/group_members.h.
// GUI thread only.
#pragma once

#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QList>
#include <QMovie>
#include <QPushButton>
#include <QString>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>

#include "view/MyLabel.h"
#include "view/QuadWindowPlayWindow.h"
#include "view/on_screen_movie.h"

class oneWindowDevice;

class QuadWindowDevice : public QWidget {
  Q_OBJECT

 public:
  // Members from the main window's camera list (ids without a camera are
  // skipped); the mosaic shows their stored pictures.
  QuadWindowDevice(const QString& groupName, const QList<QString>& deviceIds);
  ~QuadWindowDevice() override;

  QString& get_groupName() { return groupName; }
  int get_quadPlaying() const { return quadPlaying; }
  void set_quadPlaying(int playing) { quadPlaying = playing; }

  // The whole group: the grid goes into the main window's play area and
  // every member starts its video (members that are not online stay
  // dark); the play icon of every member is reported.
  void start_play();
  // Stops every member's video and the animation (quadPlaying is the
  // caller's).
  void stop_all_play();
  // One member inside the shown group (the first with that id).
  void start_play(const QString& deviceId);
  void stop_play(const QString& deviceId);

  // Lets go of every member (see above); the group then has none.
  void release_members();

  // The group's play grid, made at the first call with its cells bound to
  // the members and stripped to play and HD/FHD; playWindow stays null
  // until then.
  MainWindow_QuadWindow_playWindow& playGrid();

  int quadPlaying = 0;
  QString groupName;
  MyLabel groupPictureLabel;
  QVBoxLayout groupPictureLayout;
  QGridLayout groupPictureGrid;
  QLabel pictureCells[MainWindow_QuadWindow_playWindow::kCells];
  QLabel groupNameLabel;
  QPushButton deleteButton;
  QMovie groupGifMovie;
  QLabel groupGifLabel;
  OnScreenMovie groupGifShown{groupGifLabel, groupGifMovie};  // runs only while on screen
  std::unique_ptr<MainWindow_QuadWindow_playWindow> playWindow;  // see playGrid
  QList<oneWindowDevice*> memberDevices;  // not owned
  QImage pictureImages[MainWindow_QuadWindow_playWindow::kCells];  // as shown, cell-sized

 signals:
  void quadWindow_device_gif_play_start();
  void quadWindow_device_gif_play_stop();

 public slots:
  void delete_button_clicked_Handler();
  void quadWindow_device_gif_play_start_Handler();
  void quadWindow_device_gif_play_stop_Handler();

 private:
  void bindMembers(const QList<QString>& deviceIds);
  void buildMosaic();
  void buildItem();
  // The index of the first member with that id, or -1.
  int memberIndex(const QString& deviceId) const;
  // Cell j's render widget becomes member j's render target.
  void drawIntoCell(int j);
};

// The first group of `groups` named `groupName`, or null.
QuadWindowDevice* find_quadWindowDevice(const QList<QuadWindowDevice*>& groups,
                                        const QString& groupName);
