// A file system of a few MiB for tests of a full disk: a tmpfs mounted over
// a folder inside a mount namespace of the calling thread's own (the tests
// run as root), so nothing outside the test sees it. Threads and child
// processes the calling thread starts afterwards see it too; threads
// started before it do not (mount before the code under test starts its
// workers).
#pragma once

#include <cstddef>
#include <string>

namespace testsupport {

// Enters a private mount namespace (once per thread) and mounts a tmpfs of
// `bytes` over `folder` (created). Empty on success, else what went wrong.
std::string mountSmallDisk(const std::string& folder, size_t bytes);

// Fills the file system of `folder` with a file `name` until at most
// `leaveBytes` are free. Empty on success, else what went wrong.
std::string fillDisk(const std::string& folder, const std::string& name, size_t leaveBytes);

// Bytes still free for files on the file system of `folder` (0 on error).
size_t freeBytes(const std::string& folder);

}  // namespace testsupport
