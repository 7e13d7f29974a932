// The main window's play area: what it shows (the window's playState) and
// the views in it. A tile's click plays one camera in its own view; a group
// item's click opens the group's 2x2 grid, a cell's play button starts or
// stops one camera in it; the play views' button icons follow what the
// cameras and views report. The main window's slots of the same meaning
// (oneWindowPlay_video_Handler, quadWindowPlay_video_Handler and the two
// icon slots) call it.
//
// It holds the main window's lists, play state and grid by reference: the
// window owns them, and this object lives and dies with the window.
// GUI thread only.
#pragma once

#include <QList>
#include <QString>

class QGridLayout;
class QWidget;
class QuadWindowDevice;
class oneWindowDevice;

class PlayArea {
 public:
  PlayArea(int& playState, QGridLayout*& grid, const QList<oneWindowDevice*>& cameras,
           const QList<QuadWindowDevice*>& groups)
      : playState_(playState), grid_(grid), cameras_(cameras), groups_(groups) {}

  // One camera in its own view. The same click that started a camera stops
  // it (also while it still waits to come online); a click on another
  // camera stops every other camera and every group first.
  void playCamera(const QString& groupName, const QString& deviceId);
  // With no device id: the group's grid opens (every other play stops), or
  // closes when the group plays already. With one: that cell's camera
  // starts or stops, and cameras shown for no other group keep playing.
  void playGroup(const QString& groupName, const QString& deviceId);

  // A button's state (E_ICON_*) on the camera's own view / on the group's
  // grid and its cells.
  void setCameraIcon(const QString& deviceId, int iconType, bool state);
  void setGroupIcon(const QString& groupName, const QString& deviceId, int iconType, bool state);

  // `view` into the grid's play place (once).
  void show(QWidget* view);

 private:
  int& playState_;
  QGridLayout*& grid_;
  const QList<oneWindowDevice*>& cameras_;
  const QList<QuadWindowDevice*>& groups_;
};
