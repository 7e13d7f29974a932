// Device: the container of the signed-in user's device records. It owns the
// device list and every record in its three lists.
#pragma once

#include <QList>

#include "http_command/cloud_records.h"

class FetchInfos;

class Device {
 public:
  Device() = default;
  ~Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  Device_list* devlist = nullptr;
  QList<Dev_config*> devConfigList;
  QList<FetchInfos*> fetchInfosList;
  QList<Live_stream*> liveStreamList;
};
