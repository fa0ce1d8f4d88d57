#include "ui/progress.h"

namespace setup {

void Progress::Resume() {
  if (thread_ && !resumed_) thread_->Resume();
  resumed_ = true;
}

void Progress::Stop() {
  if (thread_) thread_->Stop();
  thread_.reset();
}

}  // namespace setup
