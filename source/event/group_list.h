// The main window's group list: the group items in list order and the group
// page's layout of them. It adds a group made in the creation dialog (item,
// group.dat row, end of the list), lays the page out again, and removes one
// group (item, row); the main window's slots of the same meaning call it
// and emit what follows (quadWindow_devicelistUpdate).
//
// It holds the main window's list and panel by reference: the window owns
// them, and this object lives and dies with the window. GUI thread only.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QVBoxLayout;
class QWidget;
class QuadWindowDevice;
struct QuadWindowDevice_local_file_node;

class GroupList {
 public:
  GroupList(QList<QuadWindowDevice*>& groups, QVBoxLayout*& layout, QWidget*& panel)
      : groups_(groups), layout_(layout), panel_(panel) {}

  // The names of the groups there are.
  QStringList names() const;
  // A group made in the dialog: its item (from the row's name and
  // `deviceIds`), its row in the group.dat of `userFolder`, the item at the
  // end of the list. False when the row could not be stored (the group is
  // listed all the same, until the session ends).
  bool add(QuadWindowDevice_local_file_node& row, QList<QString>& deviceIds, const QString& userFolder);
  // The page holds the list's items again, in list order, at the list's height.
  void relayout();
  // The first group named `groupName` leaves the list, the page and the
  // group.dat of `userFolder`; its cameras are let go now, the item goes
  // once the event that asked for it is over. False when no group has the name.
  // `stored` (when given) tells whether group.dat let the row go.
  bool remove(const QString& groupName, const QString& userFolder, bool* stored = nullptr);

 private:
  QList<QuadWindowDevice*>& groups_;
  QVBoxLayout*& layout_;
  QWidget*& panel_;
};
