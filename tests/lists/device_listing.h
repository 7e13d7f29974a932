// A device container holding a device list as the cloud's reply builds it:
// one entry per (id, device type, connection status), aliased "Cam <id>".
#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <memory>

#include "http_command/device_container.h"

namespace liststest {

struct Listed {
  const char* id;
  int type = 1;
  int status = 1;
};

inline void addListed(Device& device, const QString& id, int type, int status) {
  auto* c = new Con_device;
  c->deviceId = id;
  c->aliasName = QStringLiteral("Cam ") + c->deviceId;
  c->deviceType = type;
  c->conStatus = status;
  device.devlist->conDevices->append(c);
}

inline std::unique_ptr<Device> deviceListing(std::initializer_list<Listed> entries) {
  auto device = std::make_unique<Device>();
  device->devlist = new Device_list;
  for (const Listed& e : entries) addListed(*device, QString::fromLatin1(e.id), e.type, e.status);
  return device;
}

// Connected cameras (type 1, status 1), one per id.
inline std::unique_ptr<Device> cameraListing(const QStringList& ids) {
  auto device = std::make_unique<Device>();
  device->devlist = new Device_list;
  for (const QString& id : ids) addListed(*device, id, 1, 1);
  return device;
}

}  // namespace liststest
