// The rules of a camera group's members, without any widget.
//
// Members: for each of the group's device ids in order, every camera of
// the camera list with that id (ids without a camera are skipped, so later
// members move up; empty ids are free places), at most four in all: member j has cell j of the mosaic
// and of the play grid.
//
// Group name of a camera (which group its play-view buttons act on): a
// camera may belong to several groups. It names the group it was last
// shown in: a group sets its name on its members when it starts playing
// (and on a member that names no group yet when it is made). A group that
// goes away clears the name only on members that still name it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

inline constexpr int kGroupMaxMembers = 4;

// Indexes into `cameraIds` (the camera list's device ids, in list order)
// of the group's members, in member order.
QList<int> groupMemberIndexes(const QStringList& groupIds, const QStringList& cameraIds);

// A member's group name once the group `leaving` lets it go.
QString groupNameAfterLeaving(const QString& current, const QString& leaving);

// A member's group name when the group `joining` is made.
QString groupNameOnJoining(const QString& current, const QString& joining);
