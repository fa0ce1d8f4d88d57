// The files the run holds open so that nobody can change them, from when they were found
// until the run ends: setup.exe's own file, the packages, msiexec's logs. One per run, made
// by the main flow before anything is opened; every holder keeps its handle here.
#pragma once

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
  void Keep(AppendHandle handle) { handles_.push_back(handle); }

 private:
  Files& files_;
  std::vector<AppendHandle> handles_;
};

}  // namespace setup
