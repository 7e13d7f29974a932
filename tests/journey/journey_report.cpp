#include "journey_report.h"

#include <cstdio>
#include <sstream>

namespace journey {

bool Report::step(const std::string& name, bool ok, const std::string& detail) {
  steps_.push_back({name, ok, detail});
  return ok;
}

void Report::figure(const std::string& name, const std::string& value) {
  figures_.emplace_back(name, value);
}

bool Report::allPassed() const {
  for (const Step& s : steps_)
    if (!s.ok) return false;
  return !steps_.empty();
}

std::string Report::summary() const {
  std::ostringstream out;
  int passed = 0;
  for (const Step& s : steps_) {
    passed += s.ok;
    out << (s.ok ? "PASS  " : "FAIL  ") << s.name;
    if (!s.detail.empty()) out << ": " << s.detail;
    out << "\n";
  }
  out << passed << " of " << steps_.size() << " steps passed\n";
  if (!figures_.empty()) out << "figures:\n";
  for (const auto& f : figures_) out << "  " << f.first << ": " << f.second << "\n";
  if (!files_.empty()) out << "files kept:\n";
  for (const std::string& f : files_) out << "  " << f << "\n";
  return out.str();
}

std::string seconds(long long ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", double(ms) / 1000.0);
  return text;
}

}  // namespace journey
