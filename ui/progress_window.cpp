#include "ui/progress_window.h"

#include "ui/message_catalogue.h"

namespace setup {

std::uint16_t ProgressTitleId(bool installProvider) {
  return installProvider ? msg::kProgressWithProvider : msg::kProgressPlugin;
}

WindowRect ProgressWindowRect(int screenWidth, int screenHeight) {
  constexpr int kWidth = 300;
  constexpr int kHeight = 58;
  return {screenWidth / 2 - kWidth / 2, screenHeight / 2 - kHeight / 2, kWidth, kHeight};
}

}  // namespace setup
