// Which entries of the signed-in user's device list become camera tiles.
// Only general cameras (device type 1) that the cloud reports as connected
// (status 1) get one, in the order of the list; every other entry is
// skipped with its log line. A missing container (or list) gives no
// camera at all.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Device;

struct ListedCamera {
  QString deviceId;
  QString aliasName;
};

struct CameraListPlan {
  QList<ListedCamera> cameras;  // in list order
  QStringList skipped;          // one log line per entry without a tile
};

CameraListPlan cameraListPlan(const Device* device);
