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
    for (const AppendHandle handle : handles_) files_.CloseFile(handle);
  }
  HeldFiles(const HeldFiles&) = delete;
  HeldFiles& operator=(const HeldFiles&) = delete;
  void Keep(AppendHandle handle, const std::u16string& path = {}) {
    handles_.push_back(handle);
    paths_.push_back(path);
  }
  // The handle a file was kept under by its path, so that it is read through it; 0: none.
  AppendHandle HandleOf(const std::u16string& path) const {
    for (std::size_t i = 0; i < paths_.size(); ++i) {
      if (paths_[i] == path) return handles_[i];
    }
    return 0;
  }

 private:
  Files& files_;
  std::vector<AppendHandle> handles_;
  std::vector<std::u16string> paths_;
};

}  // namespace setup
