// A device container holding a device list as the cloud's reply builds it:
// one entry per (id, device type, connection status), aliased "Cam <id>".
#pragma once

#include <QString>

#include <initializer_list>
#include <memory>

#include "http_command/device_container.h"

namespace liststest {

struct Listed {
  const char* id;
  int type = 1;
  int status = 1;
};

inline std::unique_ptr<Device> deviceListing(std::initializer_list<Listed> entries) {
  auto device = std::make_unique<Device>();
  device->devlist = new Device_list;
  for (const Listed& e : entries) {
    auto* c = new Con_device;
    c->deviceId = QString::fromLatin1(e.id);
    c->aliasName = QStringLiteral("Cam ") + c->deviceId;
    c->deviceType = e.type;
    c->conStatus = e.status;
    device->devlist->conDevices->append(c);
  }
  return device;
}

}  // namespace liststest
