// What a journey through the program found: each step with its verdict and
// what was seen, the figures measured on the way (times, rates, sizes) and
// the files kept for a person to look at. The test turns the steps into its
// assertions; the demo prints them as its summary.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace journey {

struct Step {
  std::string name;
  bool ok = false;
  std::string detail;
};

class Report {
 public:
  // Records a step; returns `ok`, so a caller can stop at a failed step.
  bool step(const std::string& name, bool ok, const std::string& detail);
  void figure(const std::string& name, const std::string& value);
  void keep(const std::string& path) { files_.push_back(path); }

  const std::vector<Step>& steps() const { return steps_; }
  const std::vector<std::pair<std::string, std::string>>& figures() const { return figures_; }
  const std::vector<std::string>& files() const { return files_; }
  bool allPassed() const;
  // The steps (PASS/FAIL, name, detail), then the figures, then the files.
  std::string summary() const;

 private:
  std::vector<Step> steps_;
  std::vector<std::pair<std::string, std::string>> figures_;
  std::vector<std::string> files_;
};

// "1.23 s" from milliseconds.
std::string seconds(long long ms);

}  // namespace journey
