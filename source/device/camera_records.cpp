#include "device/camera_records.h"

#include "http_command/device_container.h"
#include "http_command/fetch_infos.h"

namespace camera_records {

const Dev_config* devConfigFor(const Device* device, const QString& deviceId) {
  if (!device) return nullptr;
  for (const Dev_config* c : device->devConfigList) {
    if (c && c->deviceId == deviceId) return c;
  }
  return nullptr;
}

QList<const FetchInfos*> fetchInfosFor(const Device* device, const QString& deviceId) {
  QList<const FetchInfos*> out;
  if (!device) return out;
  for (const FetchInfos* f : device->fetchInfosList) {
    if (f && f->deviceId == deviceId) out << f;
  }
  return out;
}

const FetchInfos* lastFetchInfosFor(const Device* device, const QString& deviceId) {
  const QList<const FetchInfos*> all = fetchInfosFor(device, deviceId);
  return all.isEmpty() ? nullptr : all.last();
}

}  // namespace camera_records
