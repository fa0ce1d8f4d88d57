// Files held open so that nobody can change them, from when they were found until the run
// ends: what was checked is what runs.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"

namespace setup {

class HeldFiles {
 public:
  explicit HeldFiles(Files& files) : files_(files) {}
  ~HeldFiles() {
    for (const auto& [handle, path] : handles_) files_.CloseFile(handle);
  }
  HeldFiles(const HeldFiles&) = delete;
  HeldFiles& operator=(const HeldFiles&) = delete;
  void Keep(AppendHandle handle, std::u16string path = {}) {
    handles_.emplace_back(handle, std::move(path));
  }
  // The handle a file was kept under by its path, so that it is read through it; 0: none.
  AppendHandle HandleOf(const std::u16string& path) const {
    for (const auto& [handle, held] : handles_) {
      if (held == path) return handle;
    }
    return 0;
  }

 private:
  Files& files_;
  std::vector<std::pair<AppendHandle, std::u16string>> handles_;
};

}  // namespace setup
