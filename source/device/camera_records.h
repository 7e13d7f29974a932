// The cloud records of one camera in the signed-in user's device container
// (Device): which configuration and which fetch-infos answers belong to it.
// A null container has none.
#pragma once

#include <QList>
#include <QString>

class Device;
class FetchInfos;
struct Dev_config;

namespace camera_records {

// The first device configuration of the camera (its gateway and servers).
const Dev_config* devConfigFor(const Device* device, const QString& deviceId);
// Every fetch-infos record of the camera, in arrival order.
QList<const FetchInfos*> fetchInfosFor(const Device* device, const QString& deviceId);
// The last of them (the answer the connection uses), or null.
const FetchInfos* lastFetchInfosFor(const Device* device, const QString& deviceId);

}  // namespace camera_records
