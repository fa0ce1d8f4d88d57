#include "ui/progress_window.h"

#include "resources/resource_ids.h"

namespace setup {

std::uint16_t ProgressTitleId(bool installProvider, bool removal) {
  if (removal) return IDS_PROGRESS_REMOVAL;
  return installProvider ? IDS_PROGRESS_WITH_PROVIDER : IDS_PROGRESS_PLUGIN;
}

WindowRect ProgressWindowRect(int screenWidth, int screenHeight) {
  constexpr int kWidth = 300;
  constexpr int kHeight = 58;
  return {screenWidth / 2 - kWidth / 2, screenHeight / 2 - kHeight / 2, kWidth, kHeight};
}

}  // namespace setup
