#include "cloud_requests.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fstream>

namespace journey {

std::vector<CloudRequest> clientRequests(const std::string& logFile, int skip) {
  std::vector<CloudRequest> out;
  std::ifstream in(logFile);
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    if (n++ < skip) continue;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
    CloudRequest r;
    r.path = o.value("path").toString().toStdString();
    if (r.path.rfind("/_sim/", 0) == 0) continue;  // the test's own hooks
    r.status = o.value("status").toInt();
    r.note = o.value("note").toString().toStdString();
    r.violations = o.value("violations").toArray().size();
    out.push_back(r);
  }
  return out;
}

std::vector<std::string> pathsOf(const std::vector<CloudRequest>& requests, size_t from) {
  std::vector<std::string> out;
  for (size_t i = from; i < requests.size(); ++i) out.push_back(requests[i].path);
  return out;
}

int countPath(const std::vector<CloudRequest>& requests, const std::string& path, size_t from) {
  int n = 0;
  for (size_t i = from; i < requests.size(); ++i) n += requests[i].path == path;
  return n;
}

int findPath(const std::vector<CloudRequest>& requests, const std::string& path, size_t from) {
  for (size_t i = from; i < requests.size(); ++i)
    if (requests[i].path == path) return int(i);
  return -1;
}

}  // namespace journey
