#include "http_command/device_container.h"

#include <QDebug>

#include "http_command/fetch_infos.h"

namespace {

// Removes and deletes every entry, logging how many are left after each.
template <typename T>
void drain(QList<T*>& list) {
  const QList<T*> snapshot = list;
  for (T* entry : snapshot) {
    if (!entry) continue;
    list.removeOne(entry);
    delete entry;
    qDebug() << "list size--" << list.size() << "~Device";
  }
  list.clear();
}

}  // namespace

Device::~Device() {
  delete devlist;
  devlist = nullptr;
  drain(devConfigList);
  drain(fetchInfosList);
  drain(liveStreamList);
}
