// The progress window's thread as the main flow holds it: resumed before the first flow,
// stopped before any failure or final message, and stopped on every other way out too.
#pragma once

#include <memory>

#include "platform/desktop.h"

namespace setup {

class Progress {
 public:
  // No thread: nothing to resume or stop (no visible desktop, or it could not be created).
  Progress() = default;
  explicit Progress(std::unique_ptr<ProgressThread> thread) : thread_(std::move(thread)) {}
  ~Progress() { Stop(); }
  Progress(Progress&&) = default;
  Progress& operator=(Progress&&) = delete;

  void Resume();
  void Stop();

 private:
  std::unique_ptr<ProgressThread> thread_;
  bool resumed_ = false;
};

}  // namespace setup
