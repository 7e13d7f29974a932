#include "event/camera_list_build.h"

#include "http_command/device_container.h"

namespace {
constexpr int kGeneralCamera = 1;  // DEVICE_TYPE_GENERAL_CAMREA
constexpr int kConnected = 1;
}  // namespace

CameraListPlan cameraListPlan(const Device* device) {
  CameraListPlan plan;
  if (!device || !device->devlist || !device->devlist->conDevices) return plan;
  for (const Con_device* entry : *device->devlist->conDevices) {
    if (!entry) continue;
    if (entry->deviceType != kGeneralCamera) {
      plan.skipped << entry->deviceId + QStringLiteral(" is not  DEVICE_TYPE_GENERAL_CAMREA ");
    } else if (entry->conStatus != kConnected) {
      plan.skipped << entry->deviceId + QStringLiteral("conStatus == 0 not create");
    } else {
      plan.cameras.append({entry->deviceId, entry->aliasName});
    }
  }
  return plan;
}
