// The mode every file had at the moment it was created, as the test
// binary's own open64 (it stands in front of the C library's for every
// library in the process) sees it: the file is looked at through the new
// descriptor before the caller gets it. Recorded only while a
// CreatedFiles object lives.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct CreatedFile {
  std::string path;  // as opened (a folder for an unnamed temporary file)
  unsigned mode;     // permission bits right after the creating open
};

class CreatedFiles {
 public:
  CreatedFiles();
  ~CreatedFiles();
  CreatedFiles(const CreatedFiles&) = delete;
  CreatedFiles& operator=(const CreatedFiles&) = delete;

  // The files created since construction, in order.
  std::vector<CreatedFile> files() const;
};

}  // namespace testsupport
