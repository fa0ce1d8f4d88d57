// The files the run holds open so that nobody can change them, from when they were found
// until the run ends: setup.exe's own file, the files it hands to other programs (copied
// from these very handles), msiexec's logs. One per run, made by the main flow before
// anything is opened; every holder keeps its handle here.
#pragma once

#include <string>
#include <utility>
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
  // `path`: as it was opened, for Find.
  void Keep(AppendHandle handle, const std::u16string& path = {}) {
    handles_.push_back(handle);
    paths_.push_back(path);
  }
  // The handle held for `path`, or 0.
  AppendHandle Find(const std::u16string& path) const {
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
